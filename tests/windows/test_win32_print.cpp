// 「グラフを印刷…」 and the metafile of 「グラフをコピー」 on the Win32 window: the page a printer would get,
// taken on an enhanced metafile (which records the same drawing calls), and the clipboard's two pictures.
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
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// An A4 sheet, landscape, at the screen's 96 dots an inch, with a printable part set in from its edges by
// different amounts on each side, so that a mixed-up offset shows.
const std::map<int, int> kA4Landscape = {
    { PHYSICALWIDTH, 1123 },
    { PHYSICALHEIGHT, 794 },
    { PHYSICALOFFSETX, 19 },
    { PHYSICALOFFSETY, 13 },
    { HORZRES, 1123 - 19 - 23 },
    { VERTRES, 794 - 13 - 17 },
    { LOGPIXELSX, 96 },
    { LOGPIXELSY, 96 },
};

// A printer that reports `caps` and logs the document's calls; `failing` is the call that fails.
struct FakePrinter final : psa::PrintCalls {
    std::map<int, int> caps = kA4Landscape;
    std::string failing;
    std::vector<std::string> calls;

    int deviceCaps(HDC dc, int index) override
    {
        const auto found = caps.find(index);
        return found != caps.end() ? found->second : GetDeviceCaps(dc, index);
    }
    int step(const char *name)
    {
        calls.emplace_back(name);
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
    fs::path folder;
    std::u16string recordFile;
    HENHMETAFILE page = nullptr;
    int dialogsShown = 0;

    PrintingWindow()
    {
        static int serial = 0;
        do {
            folder = fs::temp_directory_path()
                / (L"psa-印刷-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial));
        } while (!fs::create_directory(folder));
        const fs::path records = folder / L"psa記録.csv";
        std::ofstream(records) << " 2004, 1, 0.1\r\n 2004, 7, 1.5\r\n 2005, 3, 12.5\r\n";
        recordFile = psa::toUtf16(records.wstring());

        window.showPicture(picture1);
        window.keepShapes(shapes.drawing());
        window.recordFile = [this] { return form.recordFile(); };
        window.printCalls = &printer;
        window.choosePrinter = [this]() -> psa::PrinterChoice {
            ++dialogsShown;
            HDC screen = GetDC(nullptr);
            // The frame, in hundredths of a millimetre, that the screen's pixels of the printable part make.
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
        form.openRecordFile(recordFile);
        form.Command1_Click(); // グラフ表示
    }
    ~PrintingWindow()
    {
        DeleteEnhMetaFile(page);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    PrintingWindow(const PrintingWindow &) = delete;
    PrintingWindow &operator=(const PrintingWindow &) = delete;
};

// A metafile played onto white pixels, `width` x `height` of them.
struct Played {
    psa::DibSurface pixels;
    Played(HENHMETAFILE metafile, int width, int height)
        : pixels(width, height)
    {
        const RECT all { 0, 0, width, height };
        PlayEnhMetaFile(pixels.dc(), metafile, &all);
    }
    // Whether a pixel of `colour` lies within a pixel of (x, y).
    [[nodiscard]] bool hasNearby(int x, int y, psa::Colour colour) const
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (pixels.pixel(x + dx, y + dy) == colour)
                    return true;
            }
        }
        return false;
    }
};

// The bitmap's pixels of a colour, every `step`th of them in reading order.
std::vector<POINT> pixelsOf(const psa::DibSurface &bitmap, psa::Colour colour, int step)
{
    std::vector<POINT> found;
    int seen = 0;
    for (int y = 0; y < bitmap.pixelHeight(); ++y) {
        for (int x = 0; x < bitmap.pixelWidth(); ++x) {
            if (bitmap.pixel(x, y) == colour && seen++ % step == 0)
                found.push_back({ x, y });
        }
    }
    return found;
}

// Black pixels of the bitmap's long straight lines (the frame and the grid), which a face's glyphs never are.
std::vector<POINT> straightBlackPixels(const psa::DibSurface &bitmap)
{
    std::vector<POINT> found;
    const auto blackRun = [&](int x, int y, int dx, int dy) {
        for (int i = -10; i <= 10; ++i) {
            if (bitmap.pixel(x + i * dx, y + i * dy) != psa::kBlack)
                return false;
        }
        return true;
    };
    for (int y = 0; y < bitmap.pixelHeight(); y += 3) {
        for (int x = 0; x < bitmap.pixelWidth(); x += 3) {
            if (blackRun(x, y, 1, 0) || blackRun(x, y, 0, 1))
                found.push_back({ x, y });
        }
    }
    return found;
}

struct TextRecord {
    std::u16string text;
    POINT reference;
};

std::vector<TextRecord> textsOf(HENHMETAFILE metafile)
{
    std::vector<TextRecord> texts;
    EnumEnhMetaFile(
        nullptr, metafile,
        [](HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM found) -> int {
            if (record->iType == EMR_EXTTEXTOUTW) {
                const auto *text = reinterpret_cast<const EMREXTTEXTOUTW *>(record);
                const auto *characters = reinterpret_cast<const wchar_t *>(
                    reinterpret_cast<const char *>(record) + text->emrtext.offString);
                reinterpret_cast<std::vector<TextRecord> *>(found)->push_back(
                    { psa::toUtf16({ characters, text->emrtext.nChars }),
                        { text->emrtext.ptlReference.x, text->emrtext.ptlReference.y } });
            }
            return 1;
        },
        &texts, nullptr);
    return texts;
}

psa::CalendarDate today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return { now.wYear, now.wMonth, now.wDay };
}

} // namespace

TEST_CASE("グラフを印刷…: the drawing fitted on the page, the record file and the date under it")
{
    PrintingWindow w;
    REQUIRE(w.window.printGraph());
    REQUIRE(w.page);
    CHECK(w.dialogs.messages.empty());
    CHECK(w.printer.calls == std::vector<std::string> { "StartDoc", "StartPage", "EndPage", "EndDoc" });

    // The metafile's origin is the printable part's corner, as a printer's device context's is.
    const int offsetX = kA4Landscape.at(PHYSICALOFFSETX), offsetY = kA4Landscape.at(PHYSICALOFFSETY);
    const psa::PrintLayout layout = psa::printLayout({ 1123, 794, { 19, 13, 1081, 764 }, 96 }, 849, 521);
    REQUIRE(layout.fits);
    const Played played(w.page, kA4Landscape.at(HORZRES), kA4Landscape.at(VERTRES));
    const double scale = layout.drawing.width / 849;
    const auto onPage = [&](POINT picture) {
        return POINT { LONG(layout.drawing.left - offsetX + (picture.x + 0.5) * scale),
            LONG(layout.drawing.top - offsetY + (picture.y + 0.5) * scale) };
    };
    const auto missing = [&](const std::vector<POINT> &where, psa::Colour colour) {
        int count = 0;
        for (const POINT p : where) {
            const POINT q = onPage(p);
            count += played.hasNearby(q.x, q.y, colour) ? 0 : 1;
        }
        return count;
    };

    const std::vector<POINT> red = pixelsOf(w.picture1, psa::kRed, 7);
    REQUIRE(red.size() > 200); // the two reference lines across the plot
    CHECK(missing(red, psa::kRed) == 0);
    const std::vector<POINT> lines = straightBlackPixels(w.picture1);
    REQUIRE(lines.size() > 500);
    CHECK(missing(lines, psa::kBlack) == 0);
    // Each marker's ring, above and below its centre (the line through the markers passes at its sides).
    int rings = 0;
    for (const psa::VectorShape &shape : w.shapes.drawing().shapes) {
        if (const auto *ring = std::get_if<psa::VectorCircle>(&shape)) {
            ++rings;
            const LONG x = LONG(ring->centre.x);
            CHECK(missing({ { x, LONG(ring->centre.y - ring->radius) },
                              { x, LONG(ring->centre.y + ring->radius) } },
                      psa::kBlack)
                == 0);
        }
    }
    CHECK(rings == 3);
    // Nothing beyond the drawing but the footer: the margins left and right stay white.
    const int left = int(layout.drawing.left) - offsetX - 2;
    const int right = int(layout.drawing.left + layout.drawing.width) - offsetX + 2;
    for (int y = 0; y < kA4Landscape.at(VERTRES); y += 5) {
        CHECK(played.pixels.pixel(left, y) == psa::kWhite);
        CHECK(played.pixels.pixel(right, y) == psa::kWhite);
    }

    // The footer's one line: the record file and the date, at the footer's place under the drawing.
    const std::u16string footer = psa::printFooter(w.recordFile, today());
    bool footerFound = false;
    for (const TextRecord &text : textsOf(w.page)) {
        if (text.text != footer)
            continue;
        footerFound = true;
        CHECK(std::abs(text.reference.x - (layout.footer.left - offsetX)) <= 1);
        CHECK(text.reference.y > layout.drawing.top + layout.drawing.height - offsetY);
        CHECK(text.reference.y < layout.footer.top + layout.footer.height - offsetY);
    }
    CHECK(footerFound);
}

TEST_CASE("グラフを印刷…: what the user is told when no page comes out")
{
    const std::u16string failed(psa::kPrintFailedReason);
    struct Row {
        const char *name;
        const char *failing;
        std::map<int, int> caps;
        std::u16string message;
        std::vector<std::string> calls;
    };
    // A strip of paper 100 dots (26 mm) wide has no room inside its margins.
    std::map<int, int> strip = kA4Landscape;
    strip[PHYSICALWIDTH] = 100;
    strip[HORZRES] = 60;
    const std::vector<Row> rows = {
        { "the printer refuses the document", "StartDoc", kA4Landscape, failed, { "StartDoc" } },
        { "the page cannot be begun", "StartPage", kA4Landscape, failed,
            { "StartDoc", "StartPage", "AbortDoc" } },
        { "the page cannot be ended", "EndPage", kA4Landscape, failed,
            { "StartDoc", "StartPage", "EndPage", "AbortDoc" } },
        { "the document cannot be ended", "EndDoc", kA4Landscape, failed,
            { "StartDoc", "StartPage", "EndPage", "EndDoc" } },
        { "a page too small for the graph", "", strip, std::u16string(psa::kPageTooSmallReason), {} },
    };
    for (const Row &row : rows) {
        INFO(row.name);
        PrintingWindow w;
        w.printer.failing = row.failing;
        w.printer.caps = row.caps;
        CHECK_FALSE(w.window.printGraph());
        REQUIRE(w.dialogs.messages.size() == 1);
        CHECK(w.dialogs.messages[0].prompt == row.message);
        CHECK(w.dialogs.messages[0].title == psa::kPrintMessageTitle);
        CHECK(w.printer.calls == row.calls);
    }
}

TEST_CASE("グラフを印刷…: a cancelled or failed dialog, and no graph, print nothing")
{
    PrintingWindow w;
    w.window.choosePrinter = [&]() -> psa::PrinterChoice {
        ++w.dialogsShown;
        return psa::PrinterDc();
    };
    CHECK_FALSE(w.window.printGraph());
    CHECK(w.dialogsShown == 1);
    CHECK(w.dialogs.messages.empty());

    w.window.choosePrinter = [&]() -> psa::PrinterChoice {
        ++w.dialogsShown;
        return psa::Failure { std::u16string(psa::kNoPrinterReason) };
    };
    CHECK_FALSE(w.window.printGraph());
    REQUIRE(w.dialogs.messages.size() == 1);
    CHECK(w.dialogs.messages[0].prompt == psa::kNoPrinterReason);
    CHECK(w.printer.calls.empty());

    w.form.Command9_Click(); // グラフ消去
    CHECK_FALSE(w.window.graphShown());
    CHECK_FALSE(w.window.printGraph());
    CHECK(w.dialogsShown == 2);
}

TEST_CASE("グラフをコピー: the bitmap and, beside it, a metafile with the same red lines")
{
    PrintingWindow w;
    REQUIRE(OpenClipboard(w.window.handle()));
    EmptyClipboard();
    CloseClipboard();
    REQUIRE(w.window.copyGraph());
    REQUIRE(OpenClipboard(w.window.handle()));
    const bool bitmap = GetClipboardData(CF_DIB) != nullptr;
    HENHMETAFILE copied
        = CopyEnhMetaFileW(static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE)), nullptr);
    CloseClipboard();
    CHECK(bitmap);
    REQUIRE(copied);

    // Played at the picture's size, the metafile covers the bitmap's red pixels.
    const Played played(copied, 849, 521);
    int missing = 0;
    for (const POINT p : pixelsOf(w.picture1, psa::kRed, 3))
        missing += played.pixels.pixel(p.x, p.y) == psa::kRed ? 0 : 1;
    CHECK(missing == 0);
    // And no red anywhere else: a row between the two lines is free of it.
    const std::vector<POINT> red = pixelsOf(w.picture1, psa::kRed, 1);
    const LONG between = (red.front().y + red.back().y) / 2;
    for (int x = 0; x < 849; ++x)
        CHECK(played.pixels.pixel(x, between) != psa::kRed);
    DeleteEnhMetaFile(copied);
}
