#include "platform/qt/application.h"
#include "platform/qt/command_line.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Before anything opens a file: a file given the number of a closed standard stream would receive what
    // is written to it.
    const psa::ClosedStandardStreams closed = psa::openClosedStandardStreams();
    // A save beyond the user's file-size limit must fail with a message, like a full disk, instead of ending
    // the program and losing what is on screen.
    std::signal(SIGXFSZ, SIG_IGN);
    psa::hideQtMessages();

    const psa::CommandLineRequest request
        = psa::parseCommandLine(psa::argumentsOf(argc, argv), psa::nativeFileNames());
    if (request.task != psa::CommandLineRequest::Task::ShowWindow)
        return psa::runWithoutWindow(argc, argv, request, closed);

    // Qt is never shown the arguments: they are the program's, and a file name could look like Qt's options.
    int qtArgc = 1;
    const std::unique_ptr<QApplication> app = psa::connectToDisplay(qtArgc, argv);
    psa::installJapaneseQtTexts(*app);
    psa::useJapaneseDefaultFont();

    psa::Program program;
    psa::openStartFile(program.form(), request);

    // For timing the start-up: end as soon as the first frame is on the screen.
    if (qEnvironmentVariableIsSet("PSA_EXIT_AFTER_FIRST_FRAME"))
        program.window().onFirstPaint([] { QMetaObject::invokeMethod(qApp, "quit", Qt::QueuedConnection); });

    program.window().show();
    return QApplication::exec();
}
