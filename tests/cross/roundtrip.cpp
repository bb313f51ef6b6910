// Loads a record file into Form1 as "データー読み込み" does, saves the records ("データー保存"), draws the
// graph ("グラフ表示") and saves it ("グラフ保存"), on a window without a screen and on this platform's own
// surface and file system. Exit status 0 when both files were written, 1 when a message was shown instead.
//
//   roundtrip RECORDS.csv SAVED.csv GRAPH.bmp
//
// With --png it makes the PNG of a bitmap the program wrote, so that both builds' encoders can be given the
// same pixels: exit status 0 when it was written.
//
//   roundtrip --png GRAPH.bmp GRAPH.png
#include "app/form1.h"
#include "app/headless_window.h"
#include "platform/png_file.h"
#include "tests/support/fake_dialogs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_files.h"
#else
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"

#include <QGuiApplication>
#endif

namespace {

int pngOfBitmap(const char *bitmapPath, const char *pngPath)
{
    std::ifstream in(std::filesystem::path(bitmapPath), std::ios::binary);
    const std::string bitmap { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    const psa::Result<std::string> png = psa::pngFromBitmap(bitmap);
    if (!png) {
        std::fprintf(stderr, "%s is not the program's bitmap\n", bitmapPath);
        return 1;
    }
    std::ofstream out(std::filesystem::path(pngPath), std::ios::binary);
    out.write(png->data(), std::streamsize(png->size()));
    out.close();
    return out ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && std::string(argv[1]) == "--png")
        return pngOfBitmap(argv[2], argv[3]);
    if (argc != 4) {
        std::fprintf(stderr, "usage: roundtrip RECORDS.csv SAVED.csv GRAPH.bmp\n");
        return 2;
    }
#ifdef _WIN32
    psa::DibSurface surface;
    psa::Win32FileSystem files;
#else
    QGuiApplication application(argc, argv);
    psa::ImageSurface surface;
    psa::QtFileSystem files;
#endif
    psa::HeadlessWindow window;
    psa::testing::FakeDialogs dialogs;
    psa::Form1 form(window, surface, dialogs, files);
    window.onCellChanged = [&](int index) { form.Text1_Change(index); };
    form.Form_Load();
    form.openRecordFile(std::filesystem::path(argv[1]).u16string());
    dialogs.fileNames
        = { std::filesystem::path(argv[2]).u16string(), std::filesystem::path(argv[3]).u16string() };
    form.Command3_Click();
    form.Command1_Click();
    form.Command2_Click();
    if (!dialogs.messages.empty())
        std::fprintf(stderr, "%d messages instead of the saves\n", int(dialogs.messages.size()));
    return dialogs.messages.empty() ? 0 : 1;
}
