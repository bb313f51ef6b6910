#pragma once

#include "app/command_line.h"
#include "platform/qt/standard_streams.h"

#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace psa {

class Form1;

// main's arguments as the program's strings; bytes that are no UTF-8 are kept (see pathFromNative).
[[nodiscard]] std::vector<std::u16string> argumentsOf(int argc, char *argv[]);

// File names are bytes on this system, kept as they are (see nativePath).
[[nodiscard]] FileNameBytes nativeFileNames();

// Loads the file the command line names, if any, into the started window as "データー読み込み" loads the file
// chosen in its dialog; a file that cannot be read is reported by the same message, and the window stays as
// it started.
void openStartFile(Form1 &form, const CommandLineRequest &request);

// Carries out any request but ShowWindow (see runWithoutWindow of the request), its text in UTF-8, file
// names as the bytes they were given. Makes the application object that the request needs itself: a
// QGuiApplication on the offscreen platform for the export, which therefore needs no display, and none for
// the rest.
[[nodiscard]] int runWithoutWindow(
    int argc, char *argv[], const CommandLineRequest &request, ClosedStandardStreams closed);

// From now on Qt's own messages (its warnings about the environment, the platform's and the fonts'
// diagnostics) stay off standard error, which carries the program's messages only; with the environment
// variable PSA_GRAPH_QT_MESSAGES set to 1 they are shown as Qt shows them. Qt's text of a fatal error is
// always shown, but for failing to reach a display (see connectToDisplay).
void hideQtMessages();

// The application object of the window. When no display can be reached (none named, or the one named does
// not answer) Qt would abort; the program ends instead, with a message in Japanese on standard error that
// says so and exit status kExitFailure. `argc` must outlive the application.
[[nodiscard]] std::unique_ptr<QApplication> connectToDisplay(int &argc, char *argv[]);

} // namespace psa
