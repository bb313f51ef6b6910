// The round trip on the Qt surface and file system.
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"
#include "tests/cross/roundtrip.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    std::vector<std::u16string> paths;
    for (int i = 1; i < argc; ++i)
        paths.push_back(QString::fromLocal8Bit(argv[i]).toStdU16String());
    psa::ImageSurface surface;
    psa::QtFileSystem files;
    return psa::cross::RoundTrip(paths, surface, files);
}
