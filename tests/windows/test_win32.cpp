#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "app/form1.h"
#include "app/graph_description.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"
#include "tests/cross/file_system_cases.h"
#include "tests/support/fake_dialogs.h"

#include <doctest/doctest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder of its own; the Wine prefix the tests run in is removed afterwards. Wine gives a process
// the same id run after run, so a name an earlier run in the same prefix left is passed over.
fs::path freshFolder()
{
    static int serial = 0;
    fs::path folder;
    do {
        folder = fs::temp_directory_path()
            / (L"psa-記録-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial));
    } while (!fs::create_directory(folder));
    return folder;
}

std::string contents(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

// The real calls, except the step chosen to fail. The failing write, the second, writes half its bytes, as a
// full disk does.
struct FailingCalls final : psa::FileCalls {
    enum class Step { None, CreateTemporary, SecondWrite, Flush, Replace } failing = Step::None;
    int writes = 0;

    bool passes(Step step, DWORD error) const { return failing != step || (SetLastError(error), false); }
    HANDLE create(const wchar_t *path, DWORD access, DWORD share, DWORD disposition) override
    {
        return disposition != CREATE_NEW || passes(Step::CreateTemporary, ERROR_ACCESS_DENIED)
            ? FileCalls::create(path, access, share, disposition)
            : INVALID_HANDLE_VALUE;
    }
    bool write(HANDLE file, const char *bytes, DWORD size, DWORD &written) override
    {
        const bool whole = failing != Step::SecondWrite || ++writes != 2;
        return FileCalls::write(file, bytes, whole ? size : size / 2, written)
            && (whole || passes(failing, ERROR_DISK_FULL));
    }
    bool flush(HANDLE file) override
    {
        return passes(Step::Flush, ERROR_DISK_FULL) && FileCalls::flush(file);
    }
    bool replace(const wchar_t *target, const wchar_t *temporary, bool exists) override
    {
        return passes(Step::Replace, ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            && FileCalls::replace(target, temporary, exists);
    }
};

using Step = FailingCalls::Step;
const std::u16string kDiskFull = u"ディスクの空き容量が足りません。";

// The control with the given identifier: a button, or a cell inside its frame.
HWND control(HWND window, int id)
{
    HWND found = GetDlgItem(window, id);
    for (HWND frame = GetWindow(window, GW_CHILD); frame && !found; frame = GetWindow(frame, GW_HWNDNEXT))
        found = GetDlgItem(frame, id);
    return found;
}

// Handles the thread's messages until `done` or for at most `milliseconds`.
void pump(
    DWORD milliseconds, const std::function<bool()> &done = [] { return false; })
{
    const DWORD end = GetTickCount() + milliseconds;
    for (DWORD now = GetTickCount(); now < end && !done(); now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
}

// The window as the program runs it, shown and active: its clicks (kept in `clicks`) and cell changes go to
// Form1, its picture's name follows the graph.
struct ShownProgram {
    explicit ShownProgram(psa::Dialogs &dialogs)
        : window(GetModuleHandleW(nullptr), dialogs)
        , form(window, picture1, dialogs, files)
    {
        window.onClick = [this](psa::Button button) {
            clicks.push_back(button);
            form.Click(button);
        };
        window.onCellChange = [this](int index) { form.Text1_Change(index); };
        window.describeGraph
            = [this] { return psa::graphDescription(form.records(), picture1.hasDrawing()); };
        window.showPicture(picture1);
        form.Form_Load();
        window.show(SW_SHOW);
        // Wine activates a window through the X server, and a window of a test before, gone now, may still
        // take the activation away a moment later.
        pump(500);
        SetForegroundWindow(window.handle());
        pump(3000, [this] { return GetActiveWindow() == window.handle(); });
    }
    HWND cell(int index) const { return control(window.handle(), psa::Win32Window::kCellId + index); }
    HWND button(int number) const { return control(window.handle(), psa::Win32Window::kButtonId + number); }

    psa::Win32Window window;
    psa::DibSurface picture1;
    psa::Win32FileSystem files;
    psa::Form1 form;
    std::vector<psa::Button> clicks;
};

} // namespace

TEST_CASE("a save replaces the file only when every step succeeded")
{
    const fs::path folder = freshFolder(), path = folder / L"記録.csv";
    std::ofstream(path) << "old";
    FailingCalls calls;
    psa::Win32FileSystem files(calls);
    // Another program holding the file as a spreadsheet does lets others read and write it, not delete it,
    // which replacing needs.
    const std::tuple<const char *, Step, bool, std::u16string> cases[]
        = { { "a later write", Step::SecondWrite, false, kDiskFull },
              { "the flush", Step::Flush, false, kDiskFull },
              { "the replace", Step::Replace, false, u"ファイルを置き換えられませんでした" },
              { "the file held open by another program", Step::None, true,
                  u"ほかのプログラムがファイルを使っています。" } };
    for (const auto &[name, failing, held, error] : cases) {
        SUBCASE(name)
        {
            calls.failing = failing;
            const HANDLE holder = held
                ? CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                : nullptr;
            {
                auto writer = files.createReplacing(path.u16string());
                REQUIRE(writer);
                psa::AtomicWriter &file = **writer;
                psa::Result<void> step;
                for (const std::string_view part : { "new ", "", "bytes" })
                    if (step)
                        step = file.write(part);
                CHECK(contents(path) == "old"); // nothing changes before the commit
                if (step)
                    step = file.commit();
                REQUIRE_FALSE(step);
                CHECK(step.reason().starts_with(error));
                CHECK_FALSE(file.commit()); // failed for good
            }
            if (holder)
                CloseHandle(holder);
            CHECK(contents(path) == "old");
            CHECK(std::distance(fs::directory_iterator(folder), {}) == 1);
        }
    }
}

TEST_CASE("where no file can be made beside it, the file is rewritten in place or keeps its old bytes")
{
    const fs::path folder = freshFolder(), path = folder / L"graph.bmp";
    std::string expected = "old bytes, longer than the new ones";
    std::ofstream(path) << expected;
    FailingCalls calls;
    calls.failing = Step::CreateTemporary;
    psa::Win32FileSystem files(calls);
    CHECK(files.createReplacing((folder / L"new.bmp").u16string()).reason()
        == u"アクセスする権限がありません。");
    auto writer = files.createReplacing(path.u16string());
    REQUIRE(writer);
    psa::AtomicWriter &file = **writer;

    SUBCASE("every write succeeds")
    {
        CHECK((file.write("new") && file.commit()));
        expected = "new";
    }
    SUBCASE("a later write fails: the old bytes go back")
    {
        calls.failing = Step::SecondWrite; // the third write, of the old bytes, succeeds
        CHECK(file.write("new "));
        const psa::Result<void> failed = file.write("bytes");
        REQUIRE_FALSE(failed);
        CHECK(failed.reason() == kDiskFull);
    }
    SUBCASE("the flush fails, and again when the old bytes are written back")
    {
        CHECK(file.write("new"));
        calls.failing = Step::Flush;
        const psa::Result<void> failed = file.commit();
        REQUIRE_FALSE(failed);
        CHECK(failed.reason() == kDiskFull + u"\n元の内容に戻すこともできませんでした。");
    }
    SUBCASE("a writer dropped without a commit: the old bytes go back")
    {
        CHECK(file.write("new"));
    }
    writer->reset();
    CHECK(contents(path) == expected);
}

TEST_CASE("the cases every file system shares")
{
    psa::Win32FileSystem files;
    for (const psa::testing::FileSystemCase &row : psa::testing::fileSystemCases()) {
        CAPTURE(std::string(row.name));
        CHECK(psa::testing::runFileSystemCase(files, row, freshFolder()) == "");
    }
}

TEST_CASE("only disk files are saved to or read, others are refused and left alone; Shift_JIS decodes")
{
    psa::Win32FileSystem files;
    // A call that opened what it should not has no reason: the check fails with an exception.
    for (const char16_t *device : { u"NUL", u"nul.csv", u"\\\\.\\NUL", u"C:\\data\\COM1.bmp", u"con " }) {
        CAPTURE(fs::path(device).string());
        CHECK(files.createReplacing(device).reason()
            == u"装置ファイルです。保存先には通常のファイルを選んでください。");
        CHECK(files.openForReading(device).reason() == u"通常のファイルではありません。");
    }
    CHECK(files.createReplacing(u"\\\\.\\pipe\\psa").reason()
        == u"名前付きパイプです。保存先には通常のファイルを選んでください。");
    for (const char16_t *plain :
        { u"COM10.csv", u"COM0", u"lpt0.csv", u"console.csv", u"nuller", u"C:\\CON\\x.csv" })
        CHECK_FALSE(psa::isDevicePath(plain));
    // Record files written on Japanese Windows are Shift_JIS.
    CHECK(files.decodeShiftJis("\x83\x65\x83\x4c\x83\x58\x83\x67 2004") == u"テキスト 2004");
    CHECK_FALSE(files.decodeShiftJis("\x83").has_value());
}

TEST_CASE("the DIB surface: ring, sloped line and number on their pixels, at scale 1 and 2")
{
    for (const int d : { 1, 2 }) { // device pixels to a logical pixel
        CAPTURE(d);
        psa::DibSurface surface(849, 521, d);
        const auto ink = [&](int x, int y) { return surface.pixel(x, y) != psa::kWhite; };
        // Two units to a logical pixel, y upwards; a position lies in the logical pixel that holds it.
        surface.Scale({ 0, 1042 }, { 1698, 0 });
        // A ring of 5 logical pixels around (100, 100), as high as wide.
        surface.Circle({ 201, 841 }, 10);
        const int c = 100 * d, r = 5 * d;
        for (const int y : { c - r, c + r })
            CHECK((ink(c, y) && !ink(c, y - d) && !ink(c, y + d)));
        CHECK((ink(c - r, c) && ink(c + r, c)));
        // A sloped line from (10, 10) to (30, 20) in its own colour, to its last pixel.
        surface.Line({ 21, 1021 }, { 61, 1001 }, psa::kRed);
        CHECK(surface.pixel(20 * d, 15 * d) == psa::kRed);
        CHECK(surface.pixel(31 * d - 1, 21 * d - 1) == psa::kRed);
        // A number hangs below its position, (200, 200).
        surface.CurrentX(401);
        surface.CurrentY(641);
        surface.Print(2.5);
        int above = 0, below = 0;
        for (int dx = 0; dx < 24 * d; ++dx)
            for (int dy = -10 * d; dy < 15 * d; ++dy)
                (dy < 0 ? above : below) += ink(200 * d + dx, 200 * d + dy) ? 1 : 0;
        CHECK((above == 0 && below > 0));
        surface.Cls();
        CHECK((surface.pixel(c + r, c) == psa::kWhite && surface.pixel(30 * d, 20 * d) == psa::kWhite));
    }
}

TEST_CASE("the bitmap bytes: the device pixels, bottom-up")
{
    psa::DibSurface surface(849, 521, 2);
    surface.Line({ 0, 0 }, { 1.5, 0 }, psa::kRed); // the two top left logical pixels: 4 x 2 device pixels
    const std::string bmp = surface.bitmapBytes().value();
    const std::size_t rowBytes = 5096; // 1698 x 3, padded to a multiple of 4
    REQUIRE(bmp.size() == 54 + rowBytes * 1042);
    const std::string red(std::string("\0\0\xFF", 3)), white = "\xFF\xFF\xFF";
    CHECK(bmp.substr(bmp.size() - rowBytes, 15) == red + red + red + red + white);
    CHECK(bmp.substr(bmp.size() - 2 * rowBytes, 3) == red);
    CHECK(bmp.substr(bmp.size() - 3 * rowBytes, 3) == white);
}

TEST_CASE("the Win32 window after start-up and in use")
{
    psa::testing::FakeDialogs dialogs;
    ShownProgram shown(dialogs);
    psa::Win32Window &window = shown.window;
    const HWND main = window.handle();
    REQUIRE(window.scale() == 1.0);

    // The cells and 入力終了 where the design puts them.
    const std::pair<HWND, RECT> placed[] = { { GetParent(shown.cell(1)), { 8, 65, 78, 80 } },
        { GetParent(shown.cell(105)), { 132, 609, 202, 624 } }, { shown.button(6), { 134, 628, 204, 656 } } };
    for (auto [control, expected] : placed) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT *>(&r), 2);
        CHECK(std::tuple(r.left, r.top, r.right, r.bottom)
            == std::tuple(expected.left, expected.top, expected.right, expected.bottom));
    }
    CHECK(IsWindowVisible(shown.cell(105)));

    // A text set by the program is reported once, before the call returns; so is typing.
    std::vector<int> changes;
    window.onCellChange = [&](int index) { changes.push_back(index); };
    window.setCellText(4, u"2005");
    CHECK(changes == std::vector<int> { 4 });
    window.setCellText(4, u"2005"); // the same text again is no change
    SetWindowTextW(shown.cell(5), L"11"); // as typing does
    CHECK(changes == std::vector<int> { 4, 5 });

    // Return on a button presses it, once while held, with Alt too; on a disabled button nothing. The load's
    // file dialog has no answer here: its handler fails, with a message, and the window lives on.
    const MSG keys[] = { { shown.button(5), WM_KEYDOWN, VK_RETURN, 0, 0, {} },
        { shown.button(5), WM_KEYDOWN, VK_RETURN, LPARAM(1) << 30, 0, {} }, // the repeats of a held key
        { shown.button(4), WM_SYSKEYDOWN, VK_RETURN, 0, 0, {} },
        { shown.button(4), WM_CHAR, L'\n', 0, 0, {} }, // the character Ctrl+Return leaves
        { shown.button(1), WM_KEYDOWN, VK_RETURN, 0, 0, {} } }; // unavailable after start-up
    for (const MSG &key : keys)
        CHECK(window.pressFocusedButton(key));
    CHECK_FALSE(window.pressFocusedButton({ shown.cell(1), WM_KEYDOWN, VK_RETURN, 0, 0, {} }));
    CHECK(shown.clicks == std::vector<psa::Button> { psa::Button::Command5, psa::Button::Command4 });
    REQUIRE(dialogs.messages.size() == 1);
    CHECK(dialogs.messages[0].prompt == u"予期しないエラーが起きたため、この操作を中止しました。");

    // Tab walks the cells in index order, the buttons from 入力終了 on, the picture, and round again.
    for (int number = 1; number <= 9; ++number)
        window.setButtonEnabled(psa::Button(number), true);
    std::vector<HWND> order, expected;
    for (HWND at = shown.cell(1); order.size() < 116; at = GetNextDlgTabItem(main, at, FALSE))
        order.push_back(at);
    for (int index = 1; index <= 106; ++index)
        expected.push_back(shown.cell(index > 105 ? 1 : index));
    for (int number : { 6, 5, 4, 3, 1, 2, 7, 8, 9 })
        expected.insert(expected.end() - 1, shown.button(number));
    expected.insert(expected.end() - 1, FindWindowExW(main, nullptr, L"PsaGraphPicture1", nullptr));
    CHECK(order == expected);
}

TEST_CASE("a button turning grey with the focus hands it to the picture; a cell keeps it")
{
    psa::testing::FakeDialogs dialogs;
    ShownProgram shown(dialogs);
    const HWND main = shown.window.handle();
    // A month typed with no year: the input ends with no records, and グラフ表示 has nothing to draw.
    shown.form.Command5_Click();
    shown.window.setCellText(2, u"4");
    for (const HWND focus : { shown.cell(2), shown.button(1) }) {
        shown.form.Command6_Click();
        SetFocus(focus);
        shown.form.Command1_Click();
        REQUIRE_FALSE(IsWindowEnabled(shown.button(1)));
        CHECK(GetFocus()
            == (focus == shown.cell(2) ? focus : FindWindowExW(main, nullptr, L"PsaGraphPicture1", nullptr)));
    }
}

TEST_CASE("the save dialog's filter and the design faces")
{
    using namespace std::string_literals;
    CHECK(psa::CommonDialogFilter(u"ビットマップ|*.bmp|すべて|*.*")
        == L"ビットマップ\0*.bmp\0すべて\0*.*\0\0"s);
    CHECK(psa::CommonDialogFilter(u"CSVファイル|*.csv|説明だけ") == L"CSVファイル\0*.csv\0\0"s);
    // The test prefix, like a Japanese Windows, has the design faces and "MS UI Gothic".
    CHECK(psa::installedFace(L"HGP創英角ｺﾞｼｯｸUB") == L"HGP創英角ｺﾞｼｯｸUB");
    CHECK(psa::installedFace(L"どこにもない書体") == L"MS UI Gothic");
}

// A pixel of the window as it shows on the screen: once everything has been painted again, or, with `all`
// false, once what waits to be painted has been.
psa::Colour shownPixel(HWND main, int x, int y, bool all = true)
{
    RedrawWindow(
        main, nullptr, nullptr, (all ? RDW_INVALIDATE | RDW_FRAME : 0) | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(main);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(main, dc);
    return { GetRValue(colour), GetGValue(colour), GetBValue(colour) };
}

TEST_CASE("the picture and the cells on the screen, the picture's name, a value set by the program")
{
    psa::testing::FakeDialogs dialogs;
    ShownProgram shown(dialogs);
    psa::Win32Window &window = shown.window;
    const HWND main = window.handle();

    SUBCASE("the buttons' bottom border row stays over a drawn picture")
    {
        // The picture's top two rows in red; its top row lies under the buttons' bottom row. Drawing repaints
        // the picture alone, as a graph being drawn does.
        shownPixel(main, 0, 0);
        for (const double y : { 0.0, 1.0 })
            shown.picture1.Line({ 0, y }, { 848, y }, psa::kRed);
        for (const int x : { 210, 500, 1000 }) {
            CHECK(shownPixel(main, x, 88, false) == psa::design::kButtonBorderColor);
            CHECK(shownPixel(main, x, 89, false) == psa::kRed);
        }
    }
    SUBCASE("the cells' borders in the design's colour, the focused cell's in the highlight colour")
    {
        SetFocus(shown.cell(4));
        const COLORREF system = GetSysColor(COLOR_HIGHLIGHT);
        const psa::Colour highlight { GetRValue(system), GetGValue(system), GetBValue(system) };
        // Cell 4 spans x 8 to 77 and y 81 to 95; cell 7 lies below it, from y 97 to 111.
        CHECK(shownPixel(main, 40, 111) == psa::design::kCellBorderColor);
        CHECK(shownPixel(main, 8, 100) == psa::design::kCellBorderColor);
        CHECK(shownPixel(main, 40, 81) == highlight);
        CHECK(shownPixel(main, 8, 85) == highlight);
        SetFocus(shown.cell(7));
        CHECK(shownPixel(main, 8, 85) == psa::design::kCellBorderColor);
    }
    SUBCASE("the picture's name says what is drawn, set by the handler that drew or cleared it")
    {
        const HWND picture = FindWindowExW(main, nullptr, L"PsaGraphPicture1", nullptr);
        const auto name = [&] {
            wchar_t text[256] = {};
            GetWindowTextW(picture, text, 256);
            return psa::toUtf16(text);
        };
        const auto click = [&](int number) {
            window.pressFocusedButton({ shown.button(number), WM_KEYDOWN, VK_RETURN, 0, 0, {} });
        };
        click(5); // データー入力
        window.setCellText(1, u"2004");
        window.setCellText(2, u"1");
        window.setCellText(3, u"4.2");
        click(6); // 入力終了
        click(1); // グラフ表示
        const std::u16string drawn = psa::graphDescription(shown.form.records(), true);
        CHECK(name() == drawn);
        SetWindowTextW(shown.cell(3), L"9"); // typed after the drawing: the graph still shows 4.2
        CHECK(name() == drawn);
        click(9); // グラフ消去
        CHECK(name() == psa::graphDescription(shown.form.records(), false));
    }
    SUBCASE("a value the program sets shows from its start")
    {
        window.setCellText(3, u"0.0123456789012");
        DWORD start = 1, end = 1;
        SendMessageW(shown.cell(3), EM_GETSEL, WPARAM(&start), LPARAM(&end));
        CHECK(std::pair(start, end) == std::pair(DWORD(0), DWORD(0)));
        CHECK(LOWORD(SendMessageW(shown.cell(3), EM_CHARFROMPOS, 0, MAKELPARAM(3, 5))) == 0);
    }
}
