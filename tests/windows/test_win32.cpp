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

// A key message for `control` as the keyboard leaves it in the thread's queue: `held` marks a key down as
// the repeat of a key already down (bit 30), as Windows does for a key held down.
void postKey(HWND control, UINT message, WPARAM key, bool held = false)
{
    const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    PostMessageW(control, message, key, 1 | (held || up ? LPARAM(1) << 30 : 0) | (up ? LPARAM(1) << 31 : 0));
}

// Handles the thread's messages as the window's own loop does, until `done` or for at most `milliseconds`.
void pump(
    psa::Win32Window &window, DWORD milliseconds, const std::function<bool()> &done = [] { return false; })
{
    const DWORD end = GetTickCount() + milliseconds;
    for (DWORD now = GetTickCount(); now < end && !done(); now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (window.pressFocusedButton(message) || IsDialogMessageW(window.handle(), &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// A key held into the first message box shown from now on, from inside the box's own loop on a timer of the
// thread: repeats, then its release; then whether the box is still open, and fresh keys that answer: Tab and
// Return (いいえ where there is a choice), or Return. A box still open after that is closed, so that nothing
// waits for ever. With `closeFirst`, as many boxes before are closed by a fresh Return that is then held into
// the next.
struct HeldIntoBox {
    WORD held = VK_RETURN;
    HWND owner = nullptr;
    HWND box = nullptr;
    HWND closed = nullptr;
    int closeFirst = 0;
    int step = 0;
    bool openWhileHeld = false;
    bool leftOpen = false;

    UINT_PTR timer = 0;
    static inline HeldIntoBox *current = nullptr;

    HeldIntoBox(WORD key, HWND window)
        : held(key)
        , owner(window)
        , timer(SetTimer(nullptr, 0, 50, tick))
    {
        current = this;
    }
    // The timer must not outlive the script: a later loop would run it on what is gone.
    ~HeldIntoBox()
    {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    HeldIntoBox(const HeldIntoBox &) = delete;
    HeldIntoBox &operator=(const HeldIntoBox &) = delete;
    [[nodiscard]] bool done() const { return step > 2; }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!current)
            return;
        HeldIntoBox &self = *current;
        if (self.step == 0) {
            const HWND active = GetActiveWindow();
            if (!active || active == self.owner || active == self.closed || !IsWindowVisible(active))
                return;
            if (self.closeFirst > 0) {
                --self.closeFirst;
                self.closed = active;
                postKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
                return;
            }
            self.box = active;
            for (int repeat = 0; repeat < 5; ++repeat)
                postKey(GetFocus(), WM_KEYDOWN, self.held, true);
            postKey(GetFocus(), WM_KEYUP, self.held);
        } else if (self.step == 1) {
            self.openWhileHeld = IsWindowVisible(self.box);
            for (const WPARAM key : { WPARAM(VK_TAB), WPARAM(VK_RETURN) }) {
                postKey(GetFocus(), WM_KEYDOWN, key);
                postKey(GetFocus(), WM_KEYUP, key);
            }
        } else {
            KillTimer(nullptr, self.timer);
            self.leftOpen = IsWindow(self.box) && IsWindowVisible(self.box);
            if (self.leftOpen)
                PostMessageW(self.box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        }
        ++self.step;
    }
};

// The window as the program runs it, shown and active so that keys reach it: its clicks (kept in `clicks`)
// and cell changes go to Form1.
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
        form.Form_Load();
        window.show(SW_SHOW);
        // Wine activates a window through the X server, and a window of a test before, gone now, may still
        // take the activation away a moment later.
        pump(window, 500);
        SetForegroundWindow(window.handle());
        pump(window, 3000, [this] { return GetActiveWindow() == window.handle(); });
    }
    [[nodiscard]] HWND cell(int index) const
    {
        return control(window.handle(), psa::Win32Window::kCellId + index);
    }
    [[nodiscard]] HWND button(int number) const
    {
        return control(window.handle(), psa::Win32Window::kButtonId + number);
    }

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
    const std::tuple<const char *, Step, std::u16string> cases[]
        = { { "a later write", Step::SecondWrite, kDiskFull }, { "the flush", Step::Flush, kDiskFull },
              { "the replace", Step::Replace, u"ファイルを置き換えられませんでした" } };
    for (const auto &[name, failing, error] : cases) {
        SUBCASE(name)
        {
            calls.failing = failing;
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
    const auto save = [&](const fs::path &path) {
        const auto opened = files.createReplacing(path.u16string());
        return opened ? std::u16string() : opened.reason();
    };
    const auto read = [&](const fs::path &path) {
        const auto opened = files.openForReading(path.u16string());
        return opened ? std::u16string() : opened.reason();
    };
    for (const char16_t *device : { u"NUL", u"nul.csv", u"\\\\.\\NUL", u"C:\\data\\COM1.bmp", u"con " }) {
        CAPTURE(fs::path(device).string());
        CHECK(save(device) == u"装置ファイルです。保存先には通常のファイルを選んでください。");
        CHECK(read(device) == u"通常のファイルではありません。");
    }
    CHECK(save(u"\\\\.\\pipe\\psa") == u"名前付きパイプです。保存先には通常のファイルを選んでください。");
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
    CHECK(window.cellText(4) == u"2005");
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
    CHECK(IsWindowVisible(main));

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

TEST_CASE("a key held down when a question or a message appears neither answers nor dismisses it")
{
    psa::Win32Dialogs dialogs;
    ShownProgram shown(dialogs);
    const HWND main = shown.window.handle();
    dialogs.setOwner(main);
    shown.form.Command5_Click();
    shown.window.setCellText(1, u"2005");

    // Return (the keypad's Enter is the same key here) clicks 終了 as it goes down and goes on repeating into
    // the question, whose default is はい; Y, はい by its letter, is held while Return clicks it. A message
    // after a failure comes while the key that chose the file is still held. Each is then answered with fresh
    // keys: いいえ, or OK.
    const std::tuple<const char *, WORD, bool> cases[] = { { "Return on 終了", VK_RETURN, true },
        { "Y held, Return on 終了", 'Y', true }, { "Return into a message", VK_RETURN, false } };
    for (const auto &[name, held, question] : cases) {
        CAPTURE(std::string(name));
        HeldIntoBox script(held, main);
        const HWND focus = question ? shown.button(7) : main;
        SetFocus(focus);
        postKey(focus, WM_KEYDOWN, held);
        if (held != VK_RETURN) {
            postKey(focus, WM_KEYDOWN, VK_RETURN);
            postKey(focus, WM_KEYUP, VK_RETURN);
        }
        if (!question) {
            pump(shown.window, 100);
            dialogs.inform(u"ファイル「a.csv」を保存できませんでした。", u"データー保存");
        }
        pump(shown.window, 5000, [&] { return script.done(); });
        CHECK(script.box);
        CHECK(script.openWhileHeld);
        CHECK_FALSE(script.leftOpen);
        CHECK(IsWindowVisible(main));
        CHECK(shown.window.cellText(1) == u"2005");
    }

    CAPTURE("the Return that closed a message, still held, does not close the next, a window of its own");
    HeldIntoBox script(VK_RETURN, main);
    script.closeFirst = 1;
    for (int shownBoxes = 0; shownBoxes < 2; ++shownBoxes)
        dialogs.inform(u"ファイル「a.csv」を保存できませんでした。", u"データー保存");
    CHECK(script.box);
    CHECK(script.openWhileHeld);
    CHECK_FALSE(script.leftOpen);
}

TEST_CASE(
    "a button turning grey with the focus hands it to the picture, where Return and Space press nothing")
{
    psa::testing::FakeDialogs dialogs;
    ShownProgram shown(dialogs);
    const HWND showGraph = shown.button(1);
    // A month typed with no year: the input ends with no records, and グラフ表示 has nothing to draw.
    shown.form.Command5_Click();
    shown.window.setCellText(2, u"4");
    shown.form.Command6_Click();

    // A cell keeps the focus when a button turns grey.
    SetFocus(shown.cell(2));
    shown.form.Command1_Click();
    CHECK(GetFocus() == shown.cell(2));

    shown.form.Command6_Click();
    SetFocus(showGraph);
    postKey(showGraph, WM_KEYDOWN, VK_RETURN);
    pump(shown.window, 2000, [&] { return !IsWindowEnabled(showGraph); });
    REQUIRE_FALSE(IsWindowEnabled(showGraph));
    wchar_t kind[64] = {};
    GetClassNameW(GetFocus(), kind, 64);
    CHECK(std::wstring(kind) == L"PsaGraphPicture1");
    for (const int key : { VK_RETURN, VK_SPACE, VK_RETURN }) {
        postKey(GetFocus(), WM_KEYDOWN, key);
        postKey(GetFocus(), WM_KEYUP, key);
        pump(shown.window, 100);
    }
    CHECK(shown.clicks.size() == 1);
    CHECK(dialogs.questions.empty());
    CHECK(shown.window.cellText(2) == u"4");
    postKey(GetFocus(), WM_KEYDOWN, VK_TAB);
    pump(shown.window, 2000, [&] { return GetFocus() == shown.cell(1); });
    CHECK(GetFocus() == shown.cell(1));
}

TEST_CASE("a save over a file that another program holds open says so, and leaves the file as it was")
{
    const fs::path folder = freshFolder(), path = folder / L"記録.csv";
    const std::string old(" 2004, 11, 4.2\r\n\0\xff", 18);
    std::ofstream(path, std::ios::binary) << old;
    psa::Win32FileSystem files;
    // How a spreadsheet or an editor holds it: none lets others delete it, which replacing needs.
    const std::pair<const char *, DWORD> holders[] = { { "shared with nobody", 0 },
        { "shared for reading and writing", FILE_SHARE_READ | FILE_SHARE_WRITE } };
    for (const auto &[name, share] : holders) {
        SUBCASE(name)
        {
            const HANDLE held = CreateFileW(
                path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            REQUIRE(held != INVALID_HANDLE_VALUE);
            auto writer = files.createReplacing(path.u16string());
            REQUIRE(writer);
            CHECK((*writer)->write("new"));
            const psa::Result<void> committed = (*writer)->commit();
            REQUIRE_FALSE(committed);
            CHECK(committed.reason() == u"ほかのプログラムがファイルを使っています。");
            writer->reset();
            CloseHandle(held);
            CHECK(contents(path) == old);
            CHECK(std::distance(fs::directory_iterator(folder), {}) == 1);
        }
    }
    SUBCASE("shared for deleting too: the save goes through")
    {
        const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        auto writer = files.createReplacing(path.u16string());
        CHECK((writer && (*writer)->write("new") && (*writer)->commit()));
        CloseHandle(held);
        CHECK(contents(path) == "new");
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

psa::Colour systemColour(int index)
{
    const COLORREF colour = GetSysColor(index);
    return { GetRValue(colour), GetGValue(colour), GetBValue(colour) };
}

TEST_CASE("the picture and the cells on the screen, the picture's name, a value set by the program")
{
    psa::testing::FakeDialogs dialogs;
    psa::Win32Window window(GetModuleHandleW(nullptr), dialogs);
    psa::DibSurface picture1;
    psa::Win32FileSystem files;
    psa::Form1 form(window, picture1, dialogs, files);
    window.showPicture(picture1);
    form.Form_Load();
    window.show(SW_SHOWNOACTIVATE);
    const HWND main = window.handle();
    const auto cell = [&](int index) { return control(main, psa::Win32Window::kCellId + index); };

    SUBCASE("the buttons' bottom border row stays over a drawn picture")
    {
        // The picture's top two rows in red; its top row lies under the buttons' bottom row. Drawing repaints
        // the picture alone, as a graph being drawn does.
        shownPixel(main, 0, 0);
        for (const double y : { 0.0, 1.0 })
            picture1.Line({ 0, y }, { 848, y }, psa::kRed);
        for (const int x : { 210, 500, 1000 }) {
            CHECK(shownPixel(main, x, 88, false) == psa::design::kButtonBorderColor);
            CHECK(shownPixel(main, x, 89, false) == psa::kRed);
        }
    }
    SUBCASE("the cells' borders in the design's colour, the focused cell's in the highlight colour")
    {
        SetFocus(cell(4));
        // Cell 4 spans x 8 to 77 and y 81 to 95; cell 7 lies below it, from y 97 to 111.
        CHECK(shownPixel(main, 40, 111) == psa::design::kCellBorderColor);
        CHECK(shownPixel(main, 8, 100) == psa::design::kCellBorderColor);
        CHECK(shownPixel(main, 40, 81) == systemColour(COLOR_HIGHLIGHT));
        CHECK(shownPixel(main, 8, 85) == systemColour(COLOR_HIGHLIGHT));
        SetFocus(cell(7));
        CHECK(shownPixel(main, 8, 85) == psa::design::kCellBorderColor);
    }
    SUBCASE("the picture's name says what is drawn, set by the handler that drew or cleared it")
    {
        window.onClick = [&](psa::Button button) { form.Click(button); };
        window.onCellChange = [&](int index) { form.Text1_Change(index); };
        window.describeGraph = [&] { return psa::graphDescription(form.records(), picture1.hasDrawing()); };
        const HWND picture = FindWindowExW(main, nullptr, L"PsaGraphPicture1", nullptr);
        const auto name = [&] {
            wchar_t text[256] = {};
            GetWindowTextW(picture, text, 256);
            return psa::toUtf16(text);
        };
        const auto click = [&](int number) {
            const HWND pressed = control(main, psa::Win32Window::kButtonId + number);
            SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(pressed), BN_CLICKED), LPARAM(pressed));
        };
        click(5); // データー入力
        window.setCellText(1, u"2004");
        window.setCellText(2, u"1");
        window.setCellText(3, u"4.2");
        click(6); // 入力終了
        click(1); // グラフ表示
        const std::u16string drawn = psa::graphDescription(form.records(), true);
        CHECK(name() == drawn);
        SetWindowTextW(cell(3), L"9"); // typed after the drawing: the graph still shows 4.2
        CHECK(name() == drawn);
        click(9); // グラフ消去
        CHECK(name() == psa::graphDescription(form.records(), false));
    }
    SUBCASE("a value the program sets shows from its start")
    {
        window.setCellText(3, u"0.0123456789012");
        DWORD start = 1, end = 1;
        SendMessageW(cell(3), EM_GETSEL, WPARAM(&start), LPARAM(&end));
        CHECK(std::pair(start, end) == std::pair(DWORD(0), DWORD(0)));
        CHECK(LOWORD(SendMessageW(cell(3), EM_CHARFROMPOS, 0, MAKELPARAM(3, 5))) == 0);
    }
}
