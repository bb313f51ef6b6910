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

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// An A4 sheet, landscape, at the screen's 96 dots an inch, with a printable part set in from its edges by
// different amounts on each side, so that a mixed-up offset shows.
const std::map<int, int> kA4Landscape
    = { { PHYSICALWIDTH, 1123 }, { PHYSICALHEIGHT, 794 }, { PHYSICALOFFSETX, 19 }, { PHYSICALOFFSETY, 13 },
          { HORZRES, 1081 }, { VERTRES, 764 }, { LOGPIXELSX, 96 }, { LOGPIXELSY, 96 } };

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
std::unique_ptr<psa::DibSurface> played(HENHMETAFILE metafile, int width, int height)
{
    auto pixels = std::make_unique<psa::DibSurface>(width, height);
    const RECT all { 0, 0, width, height };
    PlayEnhMetaFile(pixels->dc(), metafile, &all);
    return pixels;
}

// How many of the bitmap's pixels of `colour` (every third across and down; black ones only on the long
// straight lines of the frame and the grid, which a face's glyphs never are) have no pixel of that colour
// within one pixel of where `place` puts them on `page`.
int missing(const psa::DibSurface &bitmap, psa::Colour colour, const psa::DibSurface &page,
    const std::function<POINT(int, int)> &place)
{
    const auto run = [&](int x, int y, int dx, int dy) {
        for (int i = -10; i <= 10; ++i) {
            if (bitmap.pixel(x + i * dx, y + i * dy) != colour)
                return false;
        }
        return true;
    };
    const auto nearby = [&](POINT p) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (page.pixel(p.x + dx, p.y + dy) == colour)
                    return true;
            }
        }
        return false;
    };
    int count = 0;
    for (int y = 0; y < bitmap.pixelHeight(); y += 3) {
        for (int x = 0; x < bitmap.pixelWidth(); x += 3) {
            if (bitmap.pixel(x, y) == colour && (colour == psa::kRed || run(x, y, 1, 0) || run(x, y, 0, 1)))
                count += nearby(place(x, y)) ? 0 : 1;
        }
    }
    return count;
}

// The texts of the metafile's EMR_EXTTEXTOUTW records, with their reference points.
std::vector<std::pair<std::u16string, POINT>> textsOf(HENHMETAFILE metafile)
{
    std::vector<std::pair<std::u16string, POINT>> texts;
    EnumEnhMetaFile(
        nullptr, metafile,
        [](HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM found) -> int {
            if (record->iType == EMR_EXTTEXTOUTW) {
                const EMRTEXT &text = reinterpret_cast<const EMREXTTEXTOUTW *>(record)->emrtext;
                const auto *characters = reinterpret_cast<const wchar_t *>(
                    reinterpret_cast<const char *>(record) + text.offString);
                reinterpret_cast<std::vector<std::pair<std::u16string, POINT>> *>(found)->emplace_back(
                    psa::toUtf16({ characters, text.nChars }),
                    POINT { text.ptlReference.x, text.ptlReference.y });
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
    const double offsetX = 19, offsetY = 13;
    const psa::PrintLayout layout = psa::printLayout({ 1123, 794, { 19, 13, 1081, 764 }, 96 }, 849, 521);
    const double scale = layout.drawing.width / 849;
    const auto onPage = [&](double x, double y) {
        return POINT { LONG(layout.drawing.left - offsetX + x * scale),
            LONG(layout.drawing.top - offsetY + y * scale) };
    };
    const auto page = played(w.page, 1081, 764);
    const auto pixelOnPage = [&](int x, int y) { return onPage(x + 0.5, y + 0.5); };
    CHECK(missing(w.picture1, psa::kRed, *page, pixelOnPage) == 0);
    CHECK(missing(w.picture1, psa::kBlack, *page, pixelOnPage) == 0);
    // Each marker's ring, above and below its centre (the line through the markers passes at its sides).
    for (const psa::VectorShape &shape : w.shapes.drawing().shapes) {
        if (const auto *ring = std::get_if<psa::VectorCircle>(&shape)) {
            for (const double y : { ring->centre.y - ring->radius, ring->centre.y + ring->radius }) {
                const POINT p = onPage(ring->centre.x, y);
                CHECK((page->pixel(p.x, p.y) == psa::kBlack || page->pixel(p.x, p.y + 1) == psa::kBlack
                    || page->pixel(p.x, p.y - 1) == psa::kBlack));
            }
        }
    }
    // Nothing beside the drawing: the margins left and right stay white.
    for (int y = 0; y < 764; y += 5) {
        CHECK(page->pixel(onPage(-2, 0).x, y) == psa::kWhite);
        CHECK(page->pixel(onPage(851, 0).x, y) == psa::kWhite);
    }

    // The footer's one line, at the footer's place under the drawing.
    const std::u16string footer = psa::printFooter(w.recordFile, today());
    const auto texts = textsOf(w.page);
    const auto line
        = std::find_if(texts.begin(), texts.end(), [&](const auto &text) { return text.first == footer; });
    REQUIRE(line != texts.end());
    CHECK(std::abs(line->second.x - (layout.footer.left - offsetX)) <= 1);
    CHECK(line->second.y > layout.drawing.top + layout.drawing.height - offsetY);
    CHECK(line->second.y < layout.footer.top + layout.footer.height - offsetY);
}

TEST_CASE("グラフを印刷…: what the user is told when no page comes out, and nothing when they cancelled")
{
    const std::u16string failed(psa::kPrintFailedReason);
    // A strip of paper 100 dots (26 mm) wide has no room inside its margins.
    std::map<int, int> strip = kA4Landscape;
    strip[PHYSICALWIDTH] = 100;
    strip[HORZRES] = 60;
    enum class Dialog { Printer, Cancelled, NoPrinter };
    struct Row {
        const char *name;
        Dialog dialog;
        const char *failing;
        std::map<int, int> caps;
        std::u16string message;
        std::vector<std::string> calls;
    };
    const std::vector<Row> rows = {
        { "the dialog cancelled", Dialog::Cancelled, "", kA4Landscape, u"", {} },
        { "no printer to choose", Dialog::NoPrinter, "", kA4Landscape, std::u16string(psa::kNoPrinterReason),
            {} },
        { "a page too small for the graph", Dialog::Printer, "", strip,
            std::u16string(psa::kPageTooSmallReason), {} },
        { "the printer refuses the document", Dialog::Printer, "StartDoc", kA4Landscape, failed,
            { "StartDoc" } },
        { "the page cannot be begun", Dialog::Printer, "StartPage", kA4Landscape, failed,
            { "StartDoc", "StartPage", "AbortDoc" } },
        { "the page cannot be ended", Dialog::Printer, "EndPage", kA4Landscape, failed,
            { "StartDoc", "StartPage", "EndPage", "AbortDoc" } },
        { "the document cannot be ended", Dialog::Printer, "EndDoc", kA4Landscape, failed,
            { "StartDoc", "StartPage", "EndPage", "EndDoc" } },
    };
    for (const Row &row : rows) {
        INFO(std::string(row.name));
        PrintingWindow w;
        w.printer.failing = row.failing;
        w.printer.caps = row.caps;
        if (row.dialog != Dialog::Printer) {
            w.window.choosePrinter = [&]() -> psa::PrinterChoice {
                if (row.dialog == Dialog::Cancelled)
                    return psa::PrinterDc();
                return psa::Failure { std::u16string(psa::kNoPrinterReason) };
            };
        }
        CHECK_FALSE(w.window.printGraph());
        std::vector<std::u16string> told;
        for (const auto &message : w.dialogs.messages)
            told.push_back(message.title + u": " + message.prompt);
        CHECK(told
            == (row.message.empty()
                    ? std::vector<std::u16string> {}
                    : std::vector { std::u16string(psa::kPrintMessageTitle) + u": " + row.message }));
        CHECK(w.printer.calls == row.calls);
    }
}

TEST_CASE(
    "グラフをコピー: the bitmap and, beside it, a metafile with the same lines; neither without a graph")
{
    PrintingWindow w;
    const auto copied = [&](UINT format) {
        REQUIRE(OpenClipboard(w.window.handle()));
        HANDLE data = GetClipboardData(format);
        HENHMETAFILE own
            = data && format == CF_ENHMETAFILE ? CopyEnhMetaFileW(HENHMETAFILE(data), nullptr) : nullptr;
        CloseClipboard();
        return std::pair(data != nullptr, own);
    };
    REQUIRE(w.window.copyGraph());
    CHECK(copied(CF_DIB).first);
    HENHMETAFILE metafile = copied(CF_ENHMETAFILE).second;
    REQUIRE(metafile);
    // Played at the picture's size, the metafile has the bitmap's lines where the bitmap has them.
    const auto picture = played(metafile, 849, 521);
    DeleteEnhMetaFile(metafile);
    const auto same = [](int x, int y) { return POINT { x, y }; };
    CHECK(missing(w.picture1, psa::kRed, *picture, same) == 0);
    CHECK(missing(w.picture1, psa::kBlack, *picture, same) == 0);
    CHECK(missing(*picture, psa::kRed, w.picture1, same) == 0);

    w.form.Command9_Click(); // グラフ消去
    CHECK_FALSE(w.window.copyGraph());
    CHECK_FALSE(w.window.printGraph());
    CHECK(w.dialogsShown == 0);
}
