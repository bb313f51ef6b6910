#include "platform/win32/win32_window.h"

#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_text.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace psa {

namespace {

constexpr wchar_t kWindowClass[] = L"PsaGraphForm1";
constexpr wchar_t kPictureClass[] = L"PsaGraphPicture1";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Windows 10's per-window DPI calls, looked up so that the program still starts where they are missing.
UINT windowDpi(HWND window)
{
    using GetDpiForWindowCall = UINT(WINAPI *)(HWND);
    static const auto call = reinterpret_cast<GetDpiForWindowCall>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (call) {
        if (const UINT dpi = call(window))
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

RECT frameFor(int clientWidth, int clientHeight, UINT dpi)
{
    RECT frame { 0, 0, clientWidth, clientHeight };
    using AdjustCall = BOOL(WINAPI *)(RECT *, DWORD, BOOL, DWORD, UINT);
    static const auto call = reinterpret_cast<AdjustCall>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (!call || !call(&frame, kWindowStyle, FALSE, 0, dpi))
        AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    return frame;
}

void registerClasses(HINSTANCE instance, WNDPROC windowProc, WNDPROC pictureProc, WNDPROC cellFrameProc)
{
    WNDCLASSEXW form {};
    form.cbSize = sizeof form;
    form.lpfnWndProc = windowProc;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    form.hbrBackground = CreateSolidBrush(
        RGB(design::kFormBackColor.red, design::kFormBackColor.green, design::kFormBackColor.blue));
    form.lpszClassName = kWindowClass;
    RegisterClassExW(&form);

    WNDCLASSEXW frame {};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = cellFrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    frame.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    frame.lpszClassName = Win32Window::kCellFrameClass;
    RegisterClassExW(&frame);

    WNDCLASSEXW picture {};
    picture.cbSize = sizeof picture;
    picture.lpfnWndProc = pictureProc;
    picture.hInstance = instance;
    picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
}

} // namespace

Win32Window::Win32Window(HINSTANCE instance, Dialogs &dialogs)
    : m_instance(instance)
    , m_dialogs(dialogs)
{
    registerClasses(instance, windowProc, pictureProc, cellFrameProc);
    m_window
        = CreateWindowExW(0, kWindowClass, toWide(design::kFormCaption).c_str(), kWindowStyle, CW_USEDEFAULT,
            CW_USEDEFAULT, design::kClientWidth, design::kClientHeight, nullptr, nullptr, instance, this);
    if (!m_window)
        throw std::runtime_error("the main window cannot be created");
    m_dpi = windowDpi(m_window);
    const RECT frame = frameFor(device(design::kClientWidth), device(design::kClientHeight), m_dpi);
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const design::Rect &p = design::kPicture1;
    // Clipped by the buttons above it, whose bottom border row lies on its top row.
    m_picture = CreateWindowExW(0, kPictureClass, toWide(design::kPicture1AccessibleName).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 1, 1, m_window, nullptr, instance, this);
    m_placedPicture
        = { m_picture, nullptr, double(p.left), double(p.top), double(p.width), double(p.height), {} };
    place(m_placedPicture);

    // The hidden template, then cells 1 to 50.
    const design::Rect &t = design::kCellTemplate;
    m_cells[0] = { nullptr, nullptr, double(t.left), double(t.top), double(t.width), double(t.height),
        { {}, design::kCellPoints, false } };
    m_cells[0] = makeCell(0, m_cells[0]);
    for (int index = 1; index <= design::kCellsWithTheWindow; ++index) {
        m_cells[std::size_t(index)] = makeCell(index, m_cells[0]);
        ShowWindow(m_cells[std::size_t(index)].frame, SW_SHOWNA);
    }
    m_lastFocus = m_cells[1].handle;

    for (const design::ButtonDesign &d : design::kButtons) {
        ButtonState &state = m_buttons[std::size_t(d.button)];
        state.design = &d;
        const design::Rect &g = d.rect;
        state.placed
            = { nullptr, nullptr, double(g.left), double(g.top), double(g.width), double(g.height), d.font };
        state.placed.handle = CreateWindowExW(0, L"BUTTON", toWide(d.caption).c_str(),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 1, 1, m_window,
            reinterpret_cast<HMENU>(INT_PTR(kButtonId + int(d.button))), instance, nullptr);
        place(state.placed);
    }

    // Tab walks the controls in their order one below the other. The picture, first in the round, lies
    // below all the others so that the buttons stay above it; the round is the same with it last.
    HWND above = HWND_TOP;
    for (const FocusStop &stop :
        focusOrder([this](int index) { return m_cells[std::size_t(index)].handle != nullptr; })) {
        if (stop.kind == FocusStop::Kind::Picture)
            continue;
        const HWND next = focusHandle(stop);
        SetWindowPos(next, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = next;
    }
    SetWindowPos(m_picture, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND Win32Window::focusHandle(const FocusStop &stop) const
{
    switch (stop.kind) {
    case FocusStop::Kind::Picture:
        return m_picture;
    case FocusStop::Kind::Cell:
        return m_cells.at(std::size_t(stop.number)).frame;
    case FocusStop::Kind::Button:
        return m_buttons.at(std::size_t(stop.number)).placed.handle;
    }
    return nullptr;
}

Win32Window::~Win32Window()
{
    // Destroying the cells must not report their disappearing texts.
    onCellChange = nullptr;
    onClick = nullptr;
    if (IsWindow(m_window))
        DestroyWindow(m_window);
    dropFonts();
}

int Win32Window::device(double pixels) const
{
    return int(std::lround(pixels * m_dpi / 96.0));
}

void Win32Window::place(Placed &control)
{
    if (!control.handle)
        return;
    // Both edges are rounded, so that abutting controls still abut at any scale.
    const int left = device(control.left), top = device(control.top);
    SetWindowPos(control.frame ? control.frame : control.handle, nullptr, left, top,
        device(control.left + control.width) - left, device(control.top + control.height) - top,
        SWP_NOZORDER | SWP_NOACTIVATE);
    // Start-up sets seven properties on each of 105 cells; only a new font is handed to the control.
    if (control.font.points > 0) {
        if (HFONT wanted = font(control.font); wanted != control.shownFont) {
            SendMessageW(control.handle, WM_SETFONT, WPARAM(wanted), TRUE);
            control.shownFont = wanted;
        }
    }
    if (control.frame)
        fitCellText(control);
}

HFONT Win32Window::font(const design::Font &design)
{
    const auto key = std::make_tuple(std::u16string(design.family), design.points, design.bold);
    if (const auto it = m_fonts.find(key); it != m_fonts.end())
        return it->second;
    // No family: the program's default face.
    const std::wstring face = design.family.empty() ? std::wstring(kDefaultFace) : toWide(design.family);
    // The title face is a heavy display face; where a stand-in takes its place, the heaviest weight comes
    // closest.
    const bool standIn = installedFace(face) != face;
    const int weight = design.bold                         ? FW_BOLD
        : design.family == design::kTitleFamily && standIn ? FW_BLACK
                                                           : FW_NORMAL;
    HFONT made = CreateDesignFont(face, design.points, weight, m_dpi);
    m_fonts.emplace(key, made);
    return made;
}

void Win32Window::dropFonts()
{
    for (const auto &entry : m_fonts)
        DeleteObject(entry.second);
    m_fonts.clear();
}

Win32Window::Placed &Win32Window::cell(int index)
{
    if (index < 1 || index >= int(m_cells.size()) || !m_cells[std::size_t(index)].handle)
        throw std::out_of_range("no grid cell " + std::to_string(index));
    return m_cells[std::size_t(index)];
}

const Win32Window::Placed &Win32Window::cell(int index) const
{
    return const_cast<Win32Window *>(this)->cell(index);
}

Win32Window::ButtonState &Win32Window::button(Button which)
{
    const auto number = std::size_t(which);
    if (number < 1 || number >= m_buttons.size() || !m_buttons[number].placed.handle)
        throw std::out_of_range("no button " + std::to_string(number));
    return m_buttons[number];
}

const design::ButtonDesign *Win32Window::buttonAt(HWND control) const
{
    for (const ButtonState &state : m_buttons) {
        if (state.placed.handle && state.placed.handle == control)
            return state.design;
    }
    return nullptr;
}

void Win32Window::showPicture(DibSurface &surface)
{
    m_surface = &surface;
    surface.rescale(scale());
    surface.onChanged = [this] {
        InvalidateRect(m_picture, nullptr, FALSE);
        m_graphChanged = true;
    };
    InvalidateRect(m_picture, nullptr, FALSE);
}

void Win32Window::show(int how)
{
    ShowWindow(m_window, how);
    UpdateWindow(m_window);
}

} // namespace psa
