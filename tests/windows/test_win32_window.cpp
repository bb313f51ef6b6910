#include "app/form1.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_window.h"

#include <doctest/doctest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct RecordingDialogs final : psa::Dialogs {
    std::vector<std::u16string> messages;
    std::u16string ShowSave(const psa::FileDialogRequest &) override { return {}; }
    psa::MsgBoxAnswer AskYesNo(std::u16string_view, std::u16string_view) override
    {
        return psa::MsgBoxAnswer::No;
    }
    void Inform(std::u16string_view message, std::u16string_view) override { messages.emplace_back(message); }
    void EndProgram() override { }
};

// The control with the given identifier anywhere in the window (cells sit inside their frames).
HWND control(HWND window, int id)
{
    struct Search {
        int id;
        HWND found;
    } search { id, nullptr };
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto *s = reinterpret_cast<Search *>(data);
            if (GetDlgCtrlID(child) != s->id)
                return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND cellOf(HWND window, int index)
{
    return control(window, psa::Win32Window::kCellId + index);
}
HWND buttonOf(HWND window, psa::Button button)
{
    return control(window, psa::Win32Window::kButtonId + int(button));
}

// Where a control's border lies in the window's client area.
RECT placeOf(HWND window, HWND shown)
{
    RECT r;
    GetWindowRect(shown, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

// Paints a button into a bitmap as the window draws it, and counts the pixels of a colour.
int pixelsOf(HWND window, HWND button, bool disabled, COLORREF colour)
{
    RECT area;
    GetClientRect(button, &area);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = UINT(GetDlgCtrlID(button));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = disabled ? ODS_DISABLED : 0;
    item.hwndItem = button;
    item.hDC = dc;
    item.rcItem = area;
    SendMessageW(window, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    int count = 0;
    for (int y = 0; y < area.bottom; ++y)
        for (int x = 0; x < area.right; ++x)
            count += GetPixel(dc, x, y) == colour ? 1 : 0;
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return count;
}

} // namespace

TEST_CASE("the Win32 window after start-up")
{
    RecordingDialogs dialogs;
    psa::Win32Window window(GetModuleHandleW(nullptr), dialogs);
    psa::DibSurface picture1;
    psa::Win32FileSystem files;
    psa::Form1 form(window, picture1, dialogs, files);
    std::vector<int> changes;
    window.onCellChange = [&](int index) {
        changes.push_back(index);
        form.Text1_Change(index);
    };
    std::vector<psa::Button> clicks;
    window.onClick = [&](psa::Button button) { clicks.push_back(button); };
    form.Form_Load();
    window.show(SW_SHOWNOACTIVATE);
    const HWND main = window.handle();
    REQUIRE(window.scale() == 1.0);

    SUBCASE("the client area, the cells and 入力終了 where the design puts them")
    {
        RECT client;
        GetClientRect(main, &client);
        CHECK(client.right == 1062);
        CHECK(client.bottom == 729);
        const auto at = [&](HWND shown, LONG left, LONG top, LONG width, LONG height) {
            const RECT r = placeOf(main, shown);
            CHECK(r.left == left);
            CHECK(r.top == top);
            CHECK(r.right - r.left == width);
            CHECK(r.bottom - r.top == height);
        };
        at(GetParent(cellOf(main, 1)), 8, 65, 70, 15);
        at(GetParent(cellOf(main, 2)), 78, 65, 54, 15);
        at(GetParent(cellOf(main, 105)), 132, 609, 70, 15);
        at(GetParent(cellOf(main, 103)), 8, 609, 70, 15);
        at(buttonOf(main, psa::Button::Command6), 134, 628, 70, 28);
        CHECK(IsWindowVisible(cellOf(main, 105)));
    }
    SUBCASE("a text set by the program is reported once, before the call returns")
    {
        changes.clear();
        window.SetCellText(4, u"2005");
        CHECK(changes == std::vector<int> { 4 });
        CHECK(form.records().RecordTable.at(2, 1) == 2005);
        window.SetCellText(4, u"2005");
        CHECK(changes.size() == 1); // the same text again is no change
        CHECK(window.CellText(4) == u"2005");
        SetWindowTextW(cellOf(main, 5), L"11"); // as typing does
        CHECK(changes == std::vector<int> { 4, 5 });
    }
    SUBCASE("Tab walks the cells in index order, then the buttons from 入力終了 on")
    {
        for (int number = 1; number <= 9; ++number)
            window.SetButtonEnabled(psa::Button(number), true);
        std::vector<int> order;
        HWND at = cellOf(main, 1);
        for (int step = 0; step < 114; ++step) {
            order.push_back(GetDlgCtrlID(at));
            at = GetNextDlgTabItem(main, at, FALSE);
        }
        std::vector<int> expected;
        for (int index = 1; index <= 105; ++index)
            expected.push_back(psa::Win32Window::kCellId + index);
        for (int number : { 6, 5, 4, 3, 1, 2, 7, 8, 9 })
            expected.push_back(psa::Win32Window::kButtonId + number);
        CHECK(order == expected);
        CHECK(at == cellOf(main, 1)); // and round again
    }
    SUBCASE("Return on a button presses it, once while held, with Alt too; on a disabled button nothing")
    {
        MSG key { buttonOf(main, psa::Button::Command5), WM_KEYDOWN, VK_RETURN, 0, 0, {} };
        CHECK(window.pressFocusedButton(key));
        key.lParam = LPARAM(1) << 30; // the repeats of a held key
        CHECK(window.pressFocusedButton(key));
        key = { buttonOf(main, psa::Button::Command4), WM_SYSKEYDOWN, VK_RETURN, 0, 0, {} };
        CHECK(window.pressFocusedButton(key));
        key = { buttonOf(main, psa::Button::Command4), WM_CHAR, L'\n', 0, 0, {} }; // Ctrl+Return's character
        CHECK(window.pressFocusedButton(key));
        key.message = WM_KEYDOWN;
        key.wParam = VK_RETURN;
        key.hwnd = buttonOf(main, psa::Button::Command1); // unavailable after start-up
        CHECK(window.pressFocusedButton(key));
        key.hwnd = cellOf(main, 1);
        CHECK_FALSE(window.pressFocusedButton(key));
        CHECK(clicks == std::vector<psa::Button> { psa::Button::Command5, psa::Button::Command4 });
    }
    SUBCASE("a handler that throws: the message, and the window lives on")
    {
        window.onClick = [](psa::Button) { throw std::runtime_error("broken"); };
        const HWND exit = buttonOf(main, psa::Button::Command7);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(exit), BN_CLICKED), LPARAM(exit));
        REQUIRE(dialogs.messages.size() == 1);
        CHECK(dialogs.messages[0] == u"予期しないエラーが起きたため、この操作を中止しました。");
        CHECK(IsWindowVisible(main));
    }
    SUBCASE("a button shows its BackColor, its caption black, or grey while it cannot be clicked")
    {
        const HWND exit = buttonOf(main, psa::Button::Command7);
        CHECK(pixelsOf(main, exit, false, RGB(255, 255, 192)) > 2000);
        CHECK(pixelsOf(main, exit, false, RGB(0, 0, 0)) > 20);
        CHECK(pixelsOf(main, exit, true, RGB(128, 128, 128)) > 20);
        CHECK(pixelsOf(main, exit, true, RGB(0, 0, 0)) == 0);
        const HWND show = buttonOf(main, psa::Button::Command1); // grey after start-up
        CHECK(pixelsOf(main, show, true, RGB(200, 200, 200)) > 2000);
        CHECK(pixelsOf(main, show, true, RGB(255, 255, 192)) == 0);
    }
}

TEST_CASE("the save dialog's filter: NUL after every part, two at the end")
{
    using namespace std::string_literals;
    CHECK(psa::CommonDialogFilter(u"CSVファイル|*.csv") == L"CSVファイル\0*.csv\0\0"s);
    CHECK(psa::CommonDialogFilter(u"ビットマップ|*.bmp|すべて|*.*")
        == L"ビットマップ\0*.bmp\0すべて\0*.*\0\0"s);
    CHECK(psa::CommonDialogFilter(u"CSVファイル|*.csv|説明だけ") == L"CSVファイル\0*.csv\0\0"s);
}

TEST_CASE("a design face that is missing gives way to a face every Japanese Windows has")
{
    // The test prefix, like a Japanese Windows, has the design faces and "MS UI Gothic".
    CHECK(psa::InstalledFace(L"ＭＳ Ｐゴシック") == L"ＭＳ Ｐゴシック");
    CHECK(psa::InstalledFace(L"HGP創英角ｺﾞｼｯｸUB") == L"HGP創英角ｺﾞｼｯｸUB");
    CHECK(psa::InstalledFace(L"どこにもない書体") == L"MS UI Gothic");
}
