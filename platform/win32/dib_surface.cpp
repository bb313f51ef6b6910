#include "platform/win32/dib_surface.h"

#include "numbers/str_form.h"
#include "platform/bitmap_file.h"
#include "platform/clip.h"
#include "platform/win32/win32_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace psa {

namespace {

// The numbers on the graph: the program's default face at the size Windows gives message texts.
constexpr double kPrintPoints = 9;
constexpr std::uint32_t kWhitePixel = 0x00FFFFFF;

COLORREF toColorRef(Colour colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

} // namespace

DibSurface::DibSurface(int logicalWidth, int logicalHeight, double scale)
    : m_logicalWidth(std::max(1, logicalWidth))
    , m_logicalHeight(std::max(1, logicalHeight))
    , m_scale(scale > 0 && scale <= 16 ? scale : 1)
{
    m_dc = CreateCompatibleDC(nullptr);
    makeBitmap();
    std::fill(m_bits, m_bits + std::size_t(m_pixelWidth) * std::size_t(m_pixelHeight), kWhitePixel);
}

DibSurface::~DibSurface()
{
    SelectObject(m_dc, m_originalBitmap);
    SelectObject(m_dc, m_originalFont);
    DeleteObject(m_bitmap);
    DeleteObject(m_font);
    DeleteDC(m_dc);
}

void DibSurface::makeBitmap()
{
    m_pixelWidth = std::max(1, int(std::lround(m_logicalWidth * m_scale)));
    m_pixelHeight = std::max(1, int(std::lround(m_logicalHeight * m_scale)));
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_pixelWidth;
    info.bmiHeader.biHeight = -m_pixelHeight; // top-down: row 0 is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_bitmap)
        throw std::bad_alloc();
    m_bits = static_cast<std::uint32_t *>(bits);
    const HGDIOBJ previous = SelectObject(m_dc, m_bitmap);
    if (!m_originalBitmap)
        m_originalBitmap = previous;

    HFONT font = CreateDesignFont(kDefaultFace, kPrintPoints, FW_NORMAL, UINT(std::lround(96 * m_scale)));
    const HGDIOBJ previousFont = SelectObject(m_dc, font);
    if (!m_originalFont)
        m_originalFont = previousFont;
    if (m_font)
        DeleteObject(m_font);
    m_font = font;
    SetBkMode(m_dc, TRANSPARENT);
    SetTextColor(m_dc, RGB(0, 0, 0));
    SetTextAlign(m_dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    SelectObject(m_dc, GetStockObject(NULL_BRUSH));
}

void DibSurface::rescale(double scale)
{
    if (!(scale > 0 && scale <= 16) || scale == m_scale)
        return;
    const int oldWidth = m_pixelWidth;
    const int oldHeight = m_pixelHeight;
    HDC old = CreateCompatibleDC(m_dc);
    const HGDIOBJ keep = SelectObject(old, m_bitmap);
    SelectObject(m_dc, m_originalBitmap);
    HBITMAP oldBitmap = m_bitmap;
    m_scale = scale;
    makeBitmap();
    SetStretchBltMode(m_dc, HALFTONE);
    StretchBlt(m_dc, 0, 0, m_pixelWidth, m_pixelHeight, old, 0, 0, oldWidth, oldHeight, SRCCOPY);
    SelectObject(old, keep);
    DeleteDC(old);
    DeleteObject(oldBitmap);
    changed();
}

Colour DibSurface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_pixelWidth || y >= m_pixelHeight)
        return kWhite;
    GdiFlush();
    const std::uint32_t value = m_bits[std::size_t(y) * std::size_t(m_pixelWidth) + std::size_t(x)];
    return { std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value) };
}

void DibSurface::changed() const
{
    if (onChanged)
        onChanged();
}

Point DibSurface::toLogicalPixels(Point logical) const
{
    return m_userScale.toPixels(logical, area());
}

LogicalArea DibSurface::area() const
{
    return { double(m_logicalWidth), double(m_logicalHeight) };
}

int DibSurface::device(double logicalPixel) const
{
    // The logical pixel that holds the position, then where it starts on the device.
    return int(std::lround(std::floor(logicalPixel) * m_scale));
}

void DibSurface::drawn()
{
    m_hasDrawing = true;
    changed();
}

void DibSurface::fill(int left, int top, int right, int bottom, Colour colour)
{
    const RECT area { left, top, right, bottom };
    SetBkColor(m_dc, toColorRef(colour));
    ExtTextOutW(m_dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void DibSurface::Scale(Point upperLeft, Point lowerRight)
{
    m_userScale.set(upperLeft, lowerRight);
}

void DibSurface::Line(Point from, Point to, std::optional<Colour> colour)
{
    const auto clipped = clipLine(toLogicalPixels(from), toLogicalPixels(to), area().margin());
    if (!clipped)
        return;
    const int ax = device(clipped->first.x), ay = device(clipped->first.y);
    const int bx = device(clipped->second.x), by = device(clipped->second.y);
    // One logical pixel across: as many device pixels as the scale, at least one.
    const int thickness = std::max(1, int(std::lround(m_scale)));
    const Colour ink = colour.value_or(kBlack);
    if (ax == bx || ay == by) {
        // The grid's lines: a filled rectangle covers both end pixels, as the line does on Linux.
        fill(std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + thickness, std::max(ay, by) + thickness,
            ink);
    } else {
        HPEN pen = CreatePen(PS_SOLID, thickness, toColorRef(ink));
        const HGDIOBJ previous = SelectObject(m_dc, pen);
        MoveToEx(m_dc, ax, ay, nullptr);
        LineTo(m_dc, bx, by);
        SelectObject(m_dc, previous);
        DeleteObject(pen);
        // LineTo leaves out the last pixel, which Linux draws.
        fill(bx, by, bx + thickness, by + thickness, ink);
    }
    drawn();
}

void DibSurface::Circle(Point centre, double radius)
{
    const Point middle = toLogicalPixels(centre);
    // The radius counts horizontal units; the same number of pixels up and down keeps the circle round.
    const double pixelRadius = m_userScale.toPixelLength(radius, area());
    if (!area().mayShowCircle(middle, pixelRadius))
        return;
    const int r = int(std::lround(std::lround(pixelRadius) * m_scale));
    const int cx = device(middle.x), cy = device(middle.y);
    const int thickness = std::max(1, int(std::lround(m_scale)));
    HPEN pen = CreatePen(PS_INSIDEFRAME, thickness, RGB(0, 0, 0));
    const HGDIOBJ previous = SelectObject(m_dc, pen);
    // The bounding box leaves out its right and bottom edges: one more pixel puts the ring at centre ± r.
    Ellipse(m_dc, cx - r, cy - r, cx + r + thickness, cy + r + thickness);
    SelectObject(m_dc, previous);
    DeleteObject(pen);
    drawn();
}

void DibSurface::Print(double value)
{
    const Point topLeft = toLogicalPixels(m_textPosition);
    if (!std::isfinite(value) || !area().mayShowText(topLeft))
        return;
    const std::string text = printForm(value);
    const std::wstring wide(text.begin(), text.end()); // digits, sign, point, E and blanks only
    TextOutW(m_dc, device(topLeft.x), device(topLeft.y), wide.c_str(), int(wide.size()));
    drawn();
}

void DibSurface::Cls()
{
    GdiFlush();
    std::fill(m_bits, m_bits + std::size_t(m_pixelWidth) * std::size_t(m_pixelHeight), kWhitePixel);
    m_hasDrawing = false;
    changed();
}

Result<std::string> DibSurface::bitmapBytes() const
{
    GdiFlush();
    return encodeBitmap({ m_bits, std::size_t(m_pixelWidth), m_pixelWidth, m_pixelHeight },
        std::uint32_t(std::lround(96 * m_scale / 0.0254)));
}

} // namespace psa
