#include "app/form1.h"
#include "app/form1_window.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_files.h"
#include "platform/qt_surface.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    psa::InstallJapaneseQtTexts(app);
    psa::UseJapaneseDefaultFont();

    psa::ImageSurface picture1(psa::ImageSurface::kDefaultSize, app.devicePixelRatio());
    psa::Form1Window window;
    psa::QtDialogs dialogs(&window);
    psa::QtFileSystem files;
    psa::Form1 form(window, picture1, dialogs, files);
    window.showPicture(picture1);
    window.attach(form, dialogs);
    form.Form_Load();

    // For timing the start-up: end as soon as the first frame is on the screen.
    if (qEnvironmentVariableIsSet("PSA_EXIT_AFTER_FIRST_FRAME"))
        window.onFirstPaint([] { QMetaObject::invokeMethod(qApp, "quit", Qt::QueuedConnection); });

    window.show();
    return QApplication::exec();
}
