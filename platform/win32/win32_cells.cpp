#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window.h"

#include <algorithm>

// The grid cells. Each is an EDIT control inside a frame of the cell's size: the cells are lower than a
// Japanese face's line, and an EDIT control draws its line from its top, which would put the digits onto the
// bottom border. Inside the frame the control reaches above the cell, by as much as it takes to bring the
// digits to the cell's middle; the frame clips what lies above.

namespace psa {

namespace {

// A flat cell's thin border in the design's colour, or in the highlight colour while the cell has the focus,
// as on Linux. False for a cell that is not flat, whose sunken border is the system's.
bool paintFlatBorder(HWND frame)
{
    if (!(GetWindowLongPtrW(frame, GWL_STYLE) & WS_BORDER))
        return false;
    const HWND edit = GetWindow(frame, GW_CHILD);
    const Colour designed = design::kCellBorderColor;
    const COLORREF colour = edit && GetFocus() == edit ? GetSysColor(COLOR_HIGHLIGHT)
                                                       : RGB(designed.red, designed.green, designed.blue);
    HDC dc = GetWindowDC(frame);
    RECT outline;
    GetWindowRect(frame, &outline);
    OffsetRect(&outline, -outline.left, -outline.top);
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &outline, brush);
    DeleteObject(brush);
    ReleaseDC(frame, dc);
    return true;
}

} // namespace

LRESULT CALLBACK Win32Window::cellFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCPAINT:
        if (paintFlatBorder(window))
            return 0;
        break;
    case WM_COMMAND:
        // The border shows whether the cell has the focus.
        if (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS)
            RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // The EDIT control's notifications and colours are the main window's business.
        return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_SETFOCUS:
        if (HWND edit = GetWindow(window, GW_CHILD))
            SetFocus(edit);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

Win32Window::Placed Win32Window::makeCell(int index, const Placed &like)
{
    Placed made = like;
    made.shownFont = nullptr; // a new control has the system's font
    // Sunken until start-up makes it flat; hidden until start-up shows it.
    made.frame = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, kCellFrameClass, L"",
        WS_CHILD | WS_CLIPCHILDREN, 0, 0, 1, 1, m_window, nullptr, m_instance, nullptr);
    made.handle = CreateWindowExW(0, L"EDIT", toWide(design::kCellDesignText).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 1, 1, made.frame,
        reinterpret_cast<HMENU>(INT_PTR(kCellId + index)), m_instance, nullptr);
    place(made);
    return made;
}

void Win32Window::fitCellText(const Placed &cell)
{
    RECT inside;
    GetClientRect(cell.frame, &inside);
    const int height = inside.bottom - inside.top;
    const auto known = m_textLifts.find({ cell.shownFont, height });
    const int lift = known != m_textLifts.end() ? known->second : textLift(cell.handle, height);
    if (known == m_textLifts.end())
        m_textLifts.emplace(std::pair { cell.shownFont, height }, lift);
    SetWindowPos(cell.handle, nullptr, 0, -lift, inside.right - inside.left, height + lift,
        SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Window::textLift(HWND edit, int height)
{
    HDC dc = GetDC(edit);
    const HGDIOBJ previous
        = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics {};
    GetTextMetricsW(dc, &metrics);
    OUTLINETEXTMETRICW outline {};
    outline.otmSize = sizeof outline;
    int capHeight = metrics.tmAscent - metrics.tmInternalLeading;
    if (GetOutlineTextMetricsW(dc, sizeof outline, &outline) && outline.otmsCapEmHeight > 0)
        capHeight = int(outline.otmsCapEmHeight);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    // The baseline that centres the digits' height in the cell, and how far the line must rise to put it
    // there.
    const int baseline = (height + capHeight + 1) / 2;
    return std::max(0, int(metrics.tmAscent) - baseline);
}

} // namespace psa
