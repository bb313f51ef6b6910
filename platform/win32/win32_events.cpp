#include "app/print_page.h"
#include "platform/guarded_run.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/gdi_drawing.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <utility>

// The window's messages: clicks and cell changes to the handlers, the program's own drawing of the buttons,
// labels and picture, the dialog keys and the move to a screen of another DPI.

namespace psa {

namespace {

COLORREF colorRef(Colour colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

void fillRect(HDC dc, RECT area, Colour colour)
{
    SetBkColor(dc, colorRef(colour));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

// A frame of the given thickness just inside `area`.
void frame(HDC dc, RECT area, int thickness, Colour colour)
{
    fillRect(dc, { area.left, area.top, area.right, area.top + thickness }, colour);
    fillRect(dc, { area.left, area.bottom - thickness, area.right, area.bottom }, colour);
    fillRect(dc, { area.left, area.top, area.left + thickness, area.bottom }, colour);
    fillRect(dc, { area.right - thickness, area.top, area.right, area.bottom }, colour);
}

Colour systemHighlight()
{
    const COLORREF colour = GetSysColor(COLOR_HIGHLIGHT);
    return { GetRValue(colour), GetGValue(colour), GetBValue(colour) };
}

Win32Window *owner(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<Win32Window *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self;
    }
    return reinterpret_cast<Win32Window *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

LRESULT CALLBACK Win32Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32Window *self = owner(window, message, lParam);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCCREATE)
        self->m_window = window;
    return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32Window *self = owner(window, message, lParam);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint below covers everything
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
            self->openPictureMenu(std::nullopt);
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Released, the Menu key would open the menu a second time, F10 the window's system menu.
        if (wParam == VK_APPS || wParam == VK_F10)
            return 0;
        break;
    case WM_CONTEXTMENU:
        // A right click; (-1, -1) when Windows made it from a key.
        if (lParam == -1)
            self->openPictureMenu(std::nullopt);
        else
            self->openPictureMenu(POINT { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) });
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        fillRect(dc, area, kWhite);
        // The surface has the picture's size in device pixels: copied one to one, never stretched or blurred.
        if (const DibSurface *surface = self->m_surface)
            BitBlt(dc, 0, 0, surface->pixelWidth(), surface->pixelHeight(), surface->dc(), 0, 0, SRCCOPY);
        // The focus shows as a frame in the highlight colour, on the screen only.
        if (GetFocus() == window)
            frame(dc, area, 2 * std::max(1, self->device(1)), systemHighlight());
        EndPaint(window, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Window::openPictureMenu(std::optional<POINT> screen)
{
    if (!screen) {
        POINT corner { device(8), device(8) };
        ClientToScreen(m_picture, &corner);
        screen = corner;
    }
    constexpr UINT kCopyItem = 1;
    constexpr UINT kPrintItem = 2;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    const auto available = [](bool on) { return UINT(MF_STRING | (on ? MF_ENABLED : MF_GRAYED)); };
    AppendMenuW(menu, available(graphShown()), kCopyItem, L"グラフをコピー");
    AppendMenuW(menu, available(graphShown() && m_shapes), kPrintItem, L"グラフを印刷…");
    const UINT chosen = UINT(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen->x, screen->y, 0, m_window, nullptr));
    DestroyMenu(menu);
    if (chosen == kCopyItem)
        copyGraph();
    else if (chosen == kPrintItem)
        runGuarded(m_dialogs, [this] { printGraph(); });
}

bool Win32Window::graphShown() const
{
    return m_surface && m_surface->hasDrawing();
}

bool Win32Window::printGraph()
{
    if (!graphShown() || !m_shapes)
        return false;
    const PrinterChoice chosen = choosePrinter ? choosePrinter() : choosePrinterWithDialog(m_window);
    if (!chosen) {
        m_dialogs.inform(chosen.reason(), kPrintMessageTitle);
        return false;
    }
    if (!*chosen)
        return false;
    SYSTEMTIME today;
    GetLocalTime(&today);
    const std::u16string footer = printFooter(
        recordFile ? recordFile() : std::u16string(), { today.wYear, today.wMonth, today.wDay });
    if (const Result<void> printed = printDrawing(chosen->get(), *m_shapes, footer, *printCalls); !printed) {
        m_dialogs.inform(printed.reason(), kPrintMessageTitle);
        return false;
    }
    return true;
}

bool Win32Window::copyGraph()
{
    if (!graphShown())
        return false;
    // A bitmap file less its 14-byte file header is the packed bitmap the clipboard takes.
    constexpr std::size_t kFileHeaderSize = 14;
    const Result<std::string> encoded = m_surface->bitmapBytes();
    if (!encoded || encoded->size() <= kFileHeaderSize)
        return false;
    const std::string &bitmap = *encoded;
    const std::size_t size = bitmap.size() - kFileHeaderSize;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return false;
    void *bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, bitmap.data() + kFileHeaderSize, size);
    GlobalUnlock(memory);
    if (!OpenClipboard(m_window)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // Once the clipboard has taken the memory or the metafile it is the clipboard's to free.
    const bool placed = SetClipboardData(CF_DIB, memory) != nullptr;
    if (!placed) {
        GlobalFree(memory);
    } else if (m_shapes) {
        HENHMETAFILE drawing = vectorMetafile(*m_shapes);
        if (drawing && !SetClipboardData(CF_ENHMETAFILE, drawing))
            DeleteEnhMetaFile(drawing);
    }
    CloseClipboard();
    return placed;
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        drawButton(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    case WM_PAINT:
        paint();
        return 0;
    case WM_ACTIVATE:
        // Coming back to the window puts the focus where it was, at first on cell 1.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = GetFocus(); focus && IsChild(m_window, focus))
                m_lastFocus = focus;
        } else if (m_lastFocus && IsWindowVisible(m_lastFocus)) {
            SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        dpiChanged(HIWORD(wParam), reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

void Win32Window::command(int id, int code)
{
    if (id > kCellId && id <= kCellId + 105 && code == EN_CHANGE) {
        // A change the program makes is reported by setCellText itself.
        if (id - kCellId != m_settingText && onCellChange)
            run([this, index = id - kCellId] { onCellChange(index); });
    } else if (id > kButtonId && id <= kButtonId + 9 && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
        // A quick second click on a drawn button arrives as a double click; it is a click all the same.
        if (onClick)
            run([this, which = Button(id - kButtonId)] { onClick(which); });
    }
}

void Win32Window::run(const std::function<void()> &handler)
{
    runGuarded(m_dialogs, handler);
    // Only the handlers that draw or clear change the picture; its name follows the records it was drawn
    // from, not later typing.
    if (m_graphChanged && describeGraph) {
        m_graphChanged = false;
        SetWindowTextW(m_picture, toWide(describeGraph()).c_str());
    }
}

// A graphical button: its whole face in its BackColor, a plain border (twice as thick while it has the focus
// or is pressed), the caption centred, grey when the button cannot be clicked.
void Win32Window::drawButton(const DRAWITEMSTRUCT *item)
{
    const design::ButtonDesign *d = buttonAt(item->hwndItem);
    if (!d)
        return;
    const ButtonState &state = m_buttons[std::size_t(d->button)];
    HDC dc = item->hDC;
    const RECT area = item->rcItem;
    fillRect(dc, area, state.back);
    const int line = std::max(1, device(1));
    const bool strong = (item->itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    frame(dc, area, strong ? 2 * line : line, design::kButtonBorderColor);
    const bool dimmed = (item->itemState & ODS_DISABLED) != 0;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRef(dimmed ? design::kDimmedCaptionColor : kBlack));
    const HGDIOBJ previous = SelectObject(dc, font(state.placed.font));
    RECT text = area;
    const std::wstring caption = toWide(d->caption);
    DrawTextW(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
}

void Win32Window::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_window, &ps);
    const int line = std::max(1, device(1));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const auto drawLabel = [&](const design::LabelDesign &label, UINT alignment) {
        const design::Rect &g = label.rect;
        RECT area { device(g.left), device(g.top), device(g.left + g.width), device(g.top + g.height) };
        fillRect(dc, area, label.backColor);
        frame(dc, area, line, kBlack);
        const HGDIOBJ previous = SelectObject(dc, font(label.font));
        InflateRect(&area, -line, -line);
        const std::wstring caption = toWide(label.caption);
        DrawTextW(dc, caption.c_str(), -1, &area, alignment | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, previous);
    };
    drawLabel(design::kTitle, DT_LEFT);
    for (const design::LabelDesign &heading : design::kHeadings)
        drawLabel(heading, DT_CENTER);
    EndPaint(m_window, &ps);
    if (onFirstPaint) {
        const auto callback = std::move(onFirstPaint);
        onFirstPaint = nullptr;
        callback();
    }
}

void Win32Window::dpiChanged(UINT dpi, const RECT *suggested)
{
    if (dpi == 0 || dpi == m_dpi)
        return;
    m_dpi = dpi;
    // The controls keep their old fonts until they have new ones.
    auto old = std::exchange(m_fonts, {});
    m_textLifts.clear();
    place(m_placedPicture);
    for (Placed &c : m_cells)
        place(c);
    for (ButtonState &b : m_buttons)
        place(b.placed);
    for (const auto &entry : old)
        DeleteObject(entry.second);
    if (m_surface)
        m_surface->rescale(scale());
    if (suggested)
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(m_window, nullptr, TRUE);
}

bool Win32Window::pressFocusedButton(const MSG &message)
{
    // Return and the keypad's Enter are both VK_RETURN, with Alt held a system key; the character they
    // leave is CR, or LF with Ctrl held.
    const bool key
        = (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) && message.wParam == VK_RETURN;
    const bool character = (message.message == WM_CHAR || message.message == WM_SYSCHAR)
        && (message.wParam == L'\r' || message.wParam == L'\n');
    if (!key && !character)
        return false;
    const design::ButtonDesign *d = buttonAt(message.hwnd);
    if (!d)
        return false;
    // A held key repeats its key-down message, marked as down before: only the first one clicks.
    const bool repeated = (message.lParam & (LPARAM(1) << 30)) != 0;
    if (key && !repeated && IsWindowEnabled(message.hwnd))
        command(kButtonId + int(d->button), BN_CLICKED);
    return true;
}

int Win32Window::run()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (pressFocusedButton(message) || IsDialogMessageW(m_window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

} // namespace psa
