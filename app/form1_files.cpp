#include "app/form1.h"

namespace psa {

void Form1::Command2_Click() { }
void Form1::Command3_Click() { }
void Form1::Command4_Click() { }
void Form1::Command9_Click() { }

} // namespace psa
