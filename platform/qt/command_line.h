#pragma once

#include "platform/qt/standard_streams.h"

#include <QString>
#include <QStringList>

#include <memory>

class QApplication;

namespace psa {

class Form1;

// Exit statuses of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a file could not be read or written, or no display reached
inline constexpr int kExitUsage = 2; // the command line itself is wrong

// What the command line asks for.
struct CommandLineRequest {
    enum class Task { ShowWindow, Export, ShowHelp, ShowVersion, WrongUsage };
    Task task = Task::ShowWindow;
    // ShowWindow: the record file to load at start, or empty. Export: the records to draw.
    QString recordFile;
    // Export: where the bitmap goes.
    QString bitmapFile;
    // WrongUsage: what is wrong, in Japanese.
    QString error;
};

// Reads the arguments, the program's name first, with QCommandLineParser; needs no application object.
//   (nothing)                     the window as at every start
//   FILE                          the window with FILE loaded
//   --export RECORDS BITMAP       the graph of RECORDS written to BITMAP, without a window
//   -h, --help / -v, --version    the help, or the version
// "--" ends the options, so that a file whose name starts with '-' can follow it. Help goes before the
// version and the version before anything else. An option is one word after one or two dashes, so
// "-platform" is one (unknown) option. A file name may be a local file URI (see ReadFileUri), which becomes
// the path it names. An unknown option or one given a value (named as typed), the wrong number of file
// names, an empty one, or a URI that names no local file is WrongUsage with a message in Japanese.
[[nodiscard]] CommandLineRequest ParseCommandLine(const QStringList &arguments);

// main's arguments as Qt strings; bytes that are no UTF-8 are kept (see PathFromNative).
[[nodiscard]] QStringList ArgumentsOf(int argc, char *argv[]);

// The help: how to call the program, its options and exit statuses. Its headings come from Qt's
// translations, so it is Japanese throughout once a QCoreApplication has them installed.
[[nodiscard]] QString CommandLineHelp();

// "psa-graph" and the version.
[[nodiscard]] QString VersionText();

// Loads the file the command line names, if any, into the started window as "データー読み込み" loads the file
// chosen in its dialog; a file that cannot be read is reported by the same message, and the window stays as
// it started.
void OpenStartFile(Form1 &form, const CommandLineRequest &request);

// Carries out any request but ShowWindow and returns the exit status: the help and the version on standard
// output; a wrong command line, or what kept the export from writing its bitmap, on standard error in UTF-8.
// Help or version that cannot be written (standard output closed, a full disk) is a failure, said on
// standard error. Makes the application object that the request needs itself: none for the version and a
// wrong command line, a QCoreApplication for the help, a QGuiApplication on the offscreen platform for the
// export, which therefore needs no display.
[[nodiscard]] int RunWithoutWindow(
    int argc, char *argv[], const CommandLineRequest &request, ClosedStandardStreams closed);

// From now on Qt's own messages (its warnings about the environment, the platform's and the fonts'
// diagnostics) stay off standard error, which carries the program's messages only; with the environment
// variable PSA_GRAPH_QT_MESSAGES set to 1 they are shown as Qt shows them. Qt's text of a fatal error is
// always shown, but for failing to reach a display (see ConnectToDisplay).
void HideQtMessages();

// The application object of the window. When no display can be reached (none named, or the one named does
// not answer) Qt would abort; the program ends instead, with a message in Japanese on standard error that
// says so and exit status kExitFailure. `argc` must outlive the application.
[[nodiscard]] std::unique_ptr<QApplication> ConnectToDisplay(int &argc, char *argv[]);

} // namespace psa
