#include "platform/win32/win32_window.h"

#include <stdexcept>
#include <string>

// The Window interface: what start-up and the handlers do to the cells and buttons.

namespace psa {

void Win32Window::createCell(int index)
{
    if (index < 1 || index >= int(m_cells.size()) || m_cells[std::size_t(index)].handle)
        throw std::out_of_range("cannot create grid cell " + std::to_string(index));
    Placed &made = m_cells[std::size_t(index)];
    made = makeCell(index, m_cells[0]);
    const auto before = focusPredecessor({ FocusStop::Kind::Cell, index },
        [this](int at) { return m_cells[std::size_t(at)].handle != nullptr; });
    // After the picture, which lies at the bottom, means on top.
    const HWND after = before && before->kind != FocusStop::Kind::Picture ? focusHandle(*before) : HWND_TOP;
    SetWindowPos(made.frame, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Window::setCellHeight(int index, double pixels)
{
    cell(index).height = pixels;
    place(cell(index));
}

void Win32Window::setCellTop(int index, double pixels)
{
    cell(index).top = pixels;
    place(cell(index));
}

void Win32Window::setCellLeft(int index, double pixels)
{
    cell(index).left = pixels;
    place(cell(index));
}

void Win32Window::setCellWidth(int index, double pixels)
{
    cell(index).width = pixels;
    place(cell(index));
}

void Win32Window::setCellFontSize(int index, double points)
{
    cell(index).font.points = points;
    place(cell(index));
}

void Win32Window::setCellVisible(int index, bool visible)
{
    ShowWindow(cell(index).frame, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Window::setCellEnabled(int index, bool enabled)
{
    EnableWindow(cell(index).frame, enabled);
    EnableWindow(cell(index).handle, enabled);
}

void Win32Window::setCellFlat(int index)
{
    const Placed &target = cell(index);
    const LONG_PTR extended = GetWindowLongPtrW(target.frame, GWL_EXSTYLE);
    if (!(extended & WS_EX_CLIENTEDGE))
        return;
    SetWindowLongPtrW(target.frame, GWL_EXSTYLE, extended & ~LONG_PTR(WS_EX_CLIENTEDGE));
    SetWindowLongPtrW(target.frame, GWL_STYLE, GetWindowLongPtrW(target.frame, GWL_STYLE) | WS_BORDER);
    SetWindowPos(target.frame, nullptr, 0, 0, 0, 0,
        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    fitCellText(target);
}

void Win32Window::setCellText(int index, std::u16string_view text)
{
    HWND target = cell(index).handle;
    if (cellText(index) == text)
        return;
    const std::wstring wide(text.begin(), text.end());
    // The EDIT control's own notification of this change is ignored: the change is reported here, exactly
    // once and before this returns, whatever the control does.
    m_settingText = index;
    SetWindowTextW(target, wide.c_str());
    // The start of the value in sight, as on Linux, whatever the control did with its caret.
    SendMessageW(target, EM_SETSEL, 0, 0);
    SendMessageW(target, EM_SCROLLCARET, 0, 0);
    m_settingText = 0;
    if (onCellChange)
        run([this, index] { onCellChange(index); });
}

std::u16string Win32Window::cellText(int index) const
{
    HWND target = cell(index).handle;
    const int length = GetWindowTextLengthW(target);
    std::wstring text(std::size_t(length) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(target, text.data(), length + 1)));
    return { text.begin(), text.end() };
}

void Win32Window::setFocusToCell(int index)
{
    SetFocus(cell(index).handle);
}

void Win32Window::setButtonTop(Button which, double pixels)
{
    button(which).placed.top = pixels;
    place(button(which).placed);
}

void Win32Window::setButtonLeft(Button which, double pixels)
{
    button(which).placed.left = pixels;
    place(button(which).placed);
}

void Win32Window::setButtonEnabled(Button which, bool enabled)
{
    const HWND target = button(which).placed.handle;
    // A button turning grey with the focus leaves it to the picture, where Return and Space press nothing
    // and Tab goes on to the first cell, rather than to whatever Windows would pick (nothing, or the next
    // button, often 終了). So does the focus kept for when the window is active again.
    if (!enabled && GetFocus() == target)
        SetFocus(m_picture);
    if (!enabled && m_lastFocus == target)
        m_lastFocus = m_picture;
    EnableWindow(target, enabled);
}

void Win32Window::setButtonBackColor(Button which, Colour colour)
{
    ButtonState &state = button(which);
    if (state.back == colour)
        return;
    state.back = colour;
    InvalidateRect(state.placed.handle, nullptr, FALSE);
}

} // namespace psa
