// 「グラフを印刷…」 and 「グラフをコピー」 on the Win32 window: the page a printer would get, taken on an
// enhanced metafile (which records the same drawing calls), and the clipboard's bitmap and metafile.
#include "app/form1.h"
#include "app/print_page.h"
#include "numbers/str_form.h"
#include "platform/mirrored_surface.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_printing.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"
#include "tests/support/fake_dialogs.h"

#include <doctest/doctest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

// A printer with an A4 sheet, landscape, at 96 dots an inch, its printable part set in from the edges by
// different amounts on each side, so that a mixed-up offset shows. It logs the document's calls; `failing`
// is the call that fails.
struct FakePrinter final : psa::PrintCalls {
    std::map<int, int> caps = { { PHYSICALWIDTH, 1123 }, { PHYSICALHEIGHT, 794 }, { PHYSICALOFFSETX, 19 },
        { PHYSICALOFFSETY, 13 }, { HORZRES, 1081 }, { VERTRES, 764 }, { LOGPIXELSX, 96 },
        { LOGPIXELSY, 96 } };
    std::string failing;
    std::string calls; // each call's name and a blank

    int deviceCaps(HDC, int index) override { return caps.at(index); }
    int step(const std::string &name)
    {
        calls += name + " ";
        return failing == name ? 0 : 1;
    }
    int startDoc(HDC, const DOCINFOW &) override { return step("StartDoc"); }
    int startPage(HDC) override { return step("StartPage"); }
    int endPage(HDC) override { return step("EndPage"); }
    int endDoc(HDC) override { return step("EndDoc"); }
    int abortDoc(HDC) override { return step("AbortDoc"); }
};

// Form1 on the window with the graph of a record file drawn, kept as pixels and as shapes as the program
// keeps it; the print dialog chooses an enhanced metafile as large as the printable part of the page.
struct PrintingWindow {
    psa::testing::FakeDialogs dialogs;
    psa::Win32Window window { GetModuleHandleW(nullptr), dialogs };
    psa::DibSurface picture1;
    psa::VectorSurface shapes { psa::printForm };
    psa::MirroredSurface drawn { picture1, shapes };
    psa::Win32FileSystem files;
    psa::Form1 form { window, drawn, dialogs, files };
    FakePrinter printer;
    const std::filesystem::path records = std::filesystem::temp_directory_path() / L"psa記録-印刷.csv";
    HENHMETAFILE page = nullptr;

    PrintingWindow()
    {
        std::ofstream(records) << " 2004, 1, 0.1\r\n 2004, 7, 1.5\r\n 2005, 3, 12.5\r\n";
        window.showPicture(picture1);
        window.keepShapes(shapes.drawing());
        window.recordFile = [this] { return form.recordFile(); };
        window.printCalls = &printer;
        window.choosePrinter = [this]() -> psa::PrinterChoice {
            // The frame, in hundredths of a millimetre, that the screen's pixels of the printable part make.
            HDC screen = GetDC(nullptr);
            const RECT frame { 0, 0,
                MulDiv(printer.caps.at(HORZRES), GetDeviceCaps(screen, HORZSIZE) * 100,
                    GetDeviceCaps(screen, HORZRES)),
                MulDiv(printer.caps.at(VERTRES), GetDeviceCaps(screen, VERTSIZE) * 100,
                    GetDeviceCaps(screen, VERTRES)) };
            HDC recorder = CreateEnhMetaFileW(screen, nullptr, &frame, nullptr);
            ReleaseDC(nullptr, screen);
            return psa::PrinterDc(recorder, [this](HDC dc) { page = CloseEnhMetaFile(dc); });
        };
        form.Form_Load();
        form.openRecordFile(psa::toUtf16(records.wstring()));
        form.Command1_Click(); // グラフ表示
    }
    ~PrintingWindow()
    {
        DeleteEnhMetaFile(page);
        DeleteFileW(records.c_str());
    }
    PrintingWindow(const PrintingWindow &) = delete;
    PrintingWindow &operator=(const PrintingWindow &) = delete;
};

// A metafile played onto white pixels, `width` x `height` of them.
std::unique_ptr<psa::DibSurface> played(HENHMETAFILE metafile, int width, int height)
{
    auto pixels = std::make_unique<psa::DibSurface>(width, height);
    const RECT all { 0, 0, width, height };
    PlayEnhMetaFile(pixels->dc(), metafile, &all);
    return pixels;
}

bool nearby(const psa::DibSurface &pixels, POINT p, psa::Colour colour)
{
    for (int d = 0; d < 9; ++d) {
        if (pixels.pixel(p.x + d % 3 - 1, p.y + d / 3 - 1) == colour)
            return true;
    }
    return false;
}

// How many pixels of `colour` in `bitmap` (every third across and down) have none of that colour within one
// pixel of where `place` puts them on `page`.
int missing(const psa::DibSurface &bitmap, psa::Colour colour, const psa::DibSurface &page,
    const std::function<POINT(int, int)> &place)
{
    int count = 0;
    for (int y = 0; y < bitmap.pixelHeight(); y += 3) {
        for (int x = 0; x < bitmap.pixelWidth(); x += 3)
            count += bitmap.pixel(x, y) == colour && !nearby(page, place(x, y), colour) ? 1 : 0;
    }
    return count;
}

// The metafile's texts, each at its reference point.
std::map<std::u16string, POINT> texts(HENHMETAFILE metafile)
{
    std::map<std::u16string, POINT> found;
    EnumEnhMetaFile(
        nullptr, metafile,
        [](HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM texts) -> int {
            if (record->iType == EMR_EXTTEXTOUTW) {
                const EMRTEXT &text = reinterpret_cast<const EMREXTTEXTOUTW *>(record)->emrtext;
                const auto *characters = reinterpret_cast<const char16_t *>(
                    reinterpret_cast<const char *>(record) + text.offString);
                (*reinterpret_cast<std::map<std::u16string, POINT> *>(texts))[{ characters, text.nChars }]
                    = { text.ptlReference.x, text.ptlReference.y };
            }
            return 1;
        },
        &found, nullptr);
    return found;
}

} // namespace

TEST_CASE("グラフを印刷… and グラフをコピー: the drawing on the page with the record file and the date, "
          "and on the clipboard")
{
    PrintingWindow w;
    REQUIRE(w.window.printGraph());
    REQUIRE(w.page);

    // The metafile's origin is the printable part's corner, (19, 13) on the paper, as a printer's is.
    const psa::PrintLayout layout = psa::printLayout({ 1123, 794, { 19, 13, 1081, 764 }, 96 }, 849, 521);
    const double scale = layout.drawing.width / 849;
    const auto onPage = [&](double x, double y) {
        return POINT { LONG(layout.drawing.left - 19 + x * scale),
            LONG(layout.drawing.top - 13 + y * scale) };
    };
    const auto page = played(w.page, 1081, 764);
    CHECK(missing(w.picture1, psa::kRed, *page, [&](int x, int y) { return onPage(x + 0.5, y + 0.5); }) == 0);
    // Each marker's ring, above and below its centre (the line through the markers passes at its sides).
    for (const psa::VectorShape &shape : w.shapes.drawing().shapes) {
        if (const auto *ring = std::get_if<psa::VectorCircle>(&shape)) {
            for (const double y : { ring->centre.y - ring->radius, ring->centre.y + ring->radius })
                CHECK(nearby(*page, onPage(ring->centre.x, y), psa::kBlack));
        }
    }

    // The footer's one line, at the footer's place under the drawing.
    SYSTEMTIME now;
    GetLocalTime(&now);
    const auto shown = texts(w.page);
    const auto footer = shown.find(
        psa::printFooter(psa::toUtf16(w.records.wstring()), { now.wYear, now.wMonth, now.wDay }));
    REQUIRE(footer != shown.end());
    CHECK(std::abs(footer->second.x - (layout.footer.left - 19)) <= 1);
    CHECK(footer->second.y > layout.drawing.top + layout.drawing.height - 13);
    CHECK(footer->second.y < layout.footer.top + layout.footer.height - 13);

    // グラフをコピー: the bitmap less its file header and a metafile of its lines, only with a graph.
    REQUIRE(w.window.copyGraph());
    REQUIRE(OpenClipboard(w.window.handle()));
    std::string dib;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
        dib.assign(static_cast<const char *>(GlobalLock(data)), GlobalSize(data));
        GlobalUnlock(data);
    }
    HANDLE shared = GetClipboardData(CF_ENHMETAFILE);
    HENHMETAFILE metafile = shared ? CopyEnhMetaFileW(HENHMETAFILE(shared), nullptr) : nullptr;
    CloseClipboard();
    // The clipboard may round the block up; the bitmap's bytes come first.
    const std::string bitmap = w.picture1.bitmapBytes().value();
    CHECK(dib.substr(0, bitmap.size() - 14) == bitmap.substr(14));
    // Played at the picture's size, the metafile has the bitmap's red lines and white ground where it has
    // them.
    REQUIRE(metafile);
    const auto picture = played(metafile, 849, 521);
    DeleteEnhMetaFile(metafile);
    const auto same = [](int x, int y) { return POINT { x, y }; };
    CHECK(missing(w.picture1, psa::kRed, *picture, same) == 0);
    CHECK(missing(*picture, psa::kRed, w.picture1, same) == 0);
    CHECK(missing(w.picture1, psa::kWhite, *picture, same) == 0);

    w.form.Command9_Click(); // グラフ消去
    CHECK_FALSE(w.window.copyGraph());
    CHECK_FALSE(w.window.printGraph());
    CHECK(w.printer.calls == "StartDoc StartPage EndPage EndDoc "); // the first print's; no dialog since
}

TEST_CASE("グラフを印刷…: what the user is told when no page comes out, and nothing when they cancelled")
{
    const std::u16string_view failed = psa::kPrintFailedReason;
    struct Row {
        const char *name;
        std::function<psa::PrinterChoice()> dialog; // none: the printer's page
        const char *failing;
        int paperWidth;
        std::u16string_view told;
        const char *calls;
    };
    const Row rows[] = {
        { "the dialog cancelled", [] { return psa::PrinterChoice(psa::PrinterDc()); }, "", 1123, u"", "" },
        { "no printer to choose",
            [] { return psa::PrinterChoice(psa::Failure { u"プリンターがありません。" }); }, "", 1123,
            u"プリンターがありません。", "" },
        // A strip of paper 100 dots (26 mm) wide has no room inside its margins.
        { "a page too small for the graph", {}, "", 100, psa::kPageTooSmallReason, "" },
        { "the printer refuses the document", {}, "StartDoc", 1123, failed, "StartDoc " },
        { "the page cannot be begun", {}, "StartPage", 1123, failed, "StartDoc StartPage AbortDoc " },
        { "the page cannot be ended", {}, "EndPage", 1123, failed, "StartDoc StartPage EndPage AbortDoc " },
        { "the document cannot be ended", {}, "EndDoc", 1123, failed, "StartDoc StartPage EndPage EndDoc " },
    };
    for (const Row &row : rows) {
        INFO(std::string(row.name));
        PrintingWindow w;
        w.printer.failing = row.failing;
        w.printer.caps[PHYSICALWIDTH] = row.paperWidth;
        if (row.dialog)
            w.window.choosePrinter = row.dialog;
        CHECK_FALSE(w.window.printGraph());
        std::u16string told;
        for (const auto &message : w.dialogs.messages)
            told += (message.title == psa::kPrintMessageTitle ? u"" : u"(another title) ") + message.prompt;
        CHECK(told == row.told);
        CHECK(w.printer.calls == row.calls);
    }
}
