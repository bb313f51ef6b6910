#include "app/application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    psa::InstallJapaneseQtTexts(app);
    psa::UseJapaneseDefaultFont();

    psa::Program program;

    // For timing the start-up: end as soon as the first frame is on the screen.
    if (qEnvironmentVariableIsSet("PSA_EXIT_AFTER_FIRST_FRAME"))
        program.window().onFirstPaint([] { QMetaObject::invokeMethod(qApp, "quit", Qt::QueuedConnection); });

    program.window().show();
    return QApplication::exec();
}
