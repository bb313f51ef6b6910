#include "app/form1.h"

namespace psa {

Form1::Form1(Window &window, Surface &picture1, Dialogs &dialogs, FileSystem &files)
    : window_(window)
    , picture1_(picture1)
    , dialogs_(dialogs)
    , files_(files)
{
}

// A button's look always changes Enabled first, then BackColor.
void Form1::makeAvailable(Button button)
{
    window_.SetButtonEnabled(button, true);
    window_.SetButtonBackColor(button, kAvailableBackColor);
}

void Form1::makeUnavailable(Button button)
{
    window_.SetButtonEnabled(button, false);
    window_.SetButtonBackColor(button, kUnavailableBackColor);
}

void Form1::Form_Load() { }
void Form1::Text1_Change(int) { }
void Form1::Command1_Click() { }
void Form1::Command5_Click() { }
void Form1::Command6_Click() { }
void Form1::Command7_Click() { }
void Form1::Command8_Click() { }

} // namespace psa
