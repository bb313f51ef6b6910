#pragma once

#include <string>

namespace psa {

// Reads psa-graph.exe's command line. Any request but the window (an export, the help, the version, a
// wrong command line) is carried out at once and the process ends with its exit status, the text on the
// standard streams the program was given (a pipe or a file) or else on the console of the command prompt
// that started it. Otherwise returns the record file to load into the window, or nothing.
[[nodiscard]] std::u16string runCommandLine();

} // namespace psa
