#include "platform/win32/win32_window.h"

#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_fonts.h"

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

void registerClasses(HINSTANCE instance, WNDPROC windowProc, WNDPROC pictureProc)
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
    : instance_(instance)
    , dialogs_(dialogs)
{
    registerClasses(instance, windowProc, pictureProc);
    window_ = CreateWindowExW(0, kWindowClass, L"Form1", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
        design::kClientWidth, design::kClientHeight, nullptr, nullptr, instance, this);
    if (!window_)
        throw std::runtime_error("the main window cannot be created");
    dpi_ = windowDpi(window_);
    const RECT frame = frameFor(device(design::kClientWidth), device(design::kClientHeight), dpi_);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const design::Rect &p = design::kPicture1;
    picture_ = CreateWindowExW(
        0, kPictureClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, window_, nullptr, instance, this);
    placedPicture_ = { picture_, double(p.left), double(p.top), double(p.width), double(p.height), 0 };
    place(placedPicture_);

    // The hidden template, then cells 1 to 50 in index order: creation order is the order Tab walks.
    const design::Rect &t = design::kCellTemplate;
    cells_[0]
        = { nullptr, double(t.left), double(t.top), double(t.width), double(t.height), design::kCellPoints };
    cells_[0].handle = makeCell(0, cells_[0]);
    for (int index = 1; index <= design::kDesignCells; ++index) {
        cells_[std::size_t(index)] = cells_[0];
        cells_[std::size_t(index)].handle = makeCell(index, cells_[0]);
        ShowWindow(cells_[std::size_t(index)].handle, SW_SHOWNA);
    }
    lastFocus_ = cells_[1].handle;

    for (const design::ButtonDesign &d : design::kButtons) {
        ButtonState &state = buttons_[std::size_t(d.button)];
        state.design = &d;
        const design::Rect &g = d.geometry;
        state.placed
            = { nullptr, double(g.left), double(g.top), double(g.width), double(g.height), d.points };
        state.placed.handle = CreateWindowExW(0, L"BUTTON", d.caption,
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 1, 1, window_,
            reinterpret_cast<HMENU>(INT_PTR(kButtonId + int(d.button))), instance, nullptr);
        place(state.placed);
    }
}

Win32Window::~Win32Window()
{
    // Destroying the cells must not report their disappearing texts.
    onCellChange = nullptr;
    onClick = nullptr;
    if (IsWindow(window_))
        DestroyWindow(window_);
    dropFonts();
}

int Win32Window::device(double pixels) const
{
    return int(std::lround(pixels * dpi_ / 96.0));
}

void Win32Window::place(const Placed &control) const
{
    if (!control.handle)
        return;
    // Both edges are rounded, so that abutting controls still abut at any scale.
    const int left = device(control.left), top = device(control.top);
    SetWindowPos(control.handle, nullptr, left, top, device(control.left + control.width) - left,
        device(control.top + control.height) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (control.points > 0) {
        const design::ButtonDesign *d = buttonAt(control.handle);
        HFONT f = d ? const_cast<Win32Window *>(this)->font(design::kButtonFace, control.points, FW_BOLD)
                    : const_cast<Win32Window *>(this)->font(kDefaultFace.data(), control.points, FW_NORMAL);
        SendMessageW(control.handle, WM_SETFONT, WPARAM(f), TRUE);
    }
}

HFONT Win32Window::font(const wchar_t *face, double points, int weight)
{
    const auto key = std::make_tuple(std::wstring(face), points, weight);
    if (const auto it = fonts_.find(key); it != fonts_.end())
        return it->second;
    HFONT made = CreateDesignFont(face, points, weight, dpi_);
    fonts_.emplace(key, made);
    return made;
}

void Win32Window::dropFonts()
{
    for (const auto &entry : fonts_)
        DeleteObject(entry.second);
    fonts_.clear();
}

Win32Window::Placed &Win32Window::cell(int index)
{
    if (index < 1 || index >= int(cells_.size()) || !cells_[std::size_t(index)].handle)
        throw std::out_of_range("no grid cell " + std::to_string(index));
    return cells_[std::size_t(index)];
}

const Win32Window::Placed &Win32Window::cell(int index) const
{
    return const_cast<Win32Window *>(this)->cell(index);
}

Win32Window::ButtonState &Win32Window::button(Button which)
{
    const auto number = std::size_t(which);
    if (number < 1 || number >= buttons_.size() || !buttons_[number].placed.handle)
        throw std::out_of_range("no button " + std::to_string(number));
    return buttons_[number];
}

const design::ButtonDesign *Win32Window::buttonAt(HWND control) const
{
    for (const ButtonState &state : buttons_) {
        if (state.placed.handle && state.placed.handle == control)
            return state.design;
    }
    return nullptr;
}

HWND Win32Window::makeCell(int index, const Placed &like)
{
    // Sunken until start-up makes it flat; hidden until start-up shows it.
    HWND made = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", design::kCellDesignText,
        WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 1, 1, window_,
        reinterpret_cast<HMENU>(INT_PTR(kCellId + index)), instance_, nullptr);
    Placed placed = like;
    placed.handle = made;
    place(placed);
    return made;
}

void Win32Window::showPicture(DibSurface &surface)
{
    surface_ = &surface;
    surface.rescale(scale());
    surface.onChanged = [picture = picture_] { InvalidateRect(picture, nullptr, FALSE); };
    InvalidateRect(picture_, nullptr, FALSE);
}

void Win32Window::show(int how)
{
    ShowWindow(window_, how);
    UpdateWindow(window_);
}

} // namespace psa
