#include "files/str_form.h"

namespace psa {

std::string Str(double) { return " 0"; }
std::string PrintForm(double value) { return Str(value) + ' '; }

} // namespace psa
