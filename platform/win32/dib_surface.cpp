#include "platform/win32/dib_surface.h"

#include "files/str_form.h"
#include "graph/graph_geometry.h"
#include "platform/win32/win32_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace psa {

namespace {

// Circles larger than this many pixels in radius cannot show anything useful and are not drawn.
constexpr double kLargestRadius = 100000;
// The numbers on the graph: the program's default face at the size Windows gives message texts.
constexpr double kPrintPoints = 9;
constexpr std::uint32_t kWhitePixel = 0x00FFFFFF;

bool isFinite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

COLORREF toColorRef(Colour colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

void put16(std::string &out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

DibSurface::DibSurface(int logicalWidth, int logicalHeight, double scale)
    : logicalWidth_(std::max(1, logicalWidth))
    , logicalHeight_(std::max(1, logicalHeight))
    , scale_(scale > 0 && scale <= 16 ? scale : 1)
    , lowerRight_ { double(logicalWidth_), double(logicalHeight_) }
{
    dc_ = CreateCompatibleDC(nullptr);
    makeBitmap();
    std::fill(bits_, bits_ + std::size_t(pixelWidth_) * std::size_t(pixelHeight_), kWhitePixel);
}

DibSurface::~DibSurface()
{
    SelectObject(dc_, originalBitmap_);
    SelectObject(dc_, originalFont_);
    DeleteObject(bitmap_);
    DeleteObject(font_);
    DeleteDC(dc_);
}

void DibSurface::makeBitmap()
{
    pixelWidth_ = std::max(1, int(std::lround(logicalWidth_ * scale_)));
    pixelHeight_ = std::max(1, int(std::lround(logicalHeight_ * scale_)));
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixelWidth_;
    info.bmiHeader.biHeight = -pixelHeight_; // top-down: row 0 is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_)
        throw std::bad_alloc();
    bits_ = static_cast<std::uint32_t *>(bits);
    const HGDIOBJ previous = SelectObject(dc_, bitmap_);
    if (!originalBitmap_)
        originalBitmap_ = previous;

    HFONT font = CreateDesignFont(kDefaultFace, kPrintPoints, FW_NORMAL, UINT(std::lround(96 * scale_)));
    const HGDIOBJ previousFont = SelectObject(dc_, font);
    if (!originalFont_)
        originalFont_ = previousFont;
    if (font_)
        DeleteObject(font_);
    font_ = font;
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(0, 0, 0));
    SetTextAlign(dc_, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
}

void DibSurface::rescale(double scale)
{
    if (!(scale > 0 && scale <= 16) || scale == scale_)
        return;
    const int oldWidth = pixelWidth_;
    const int oldHeight = pixelHeight_;
    HDC old = CreateCompatibleDC(dc_);
    const HGDIOBJ keep = SelectObject(old, bitmap_);
    SelectObject(dc_, originalBitmap_);
    HBITMAP oldBitmap = bitmap_;
    scale_ = scale;
    makeBitmap();
    SetStretchBltMode(dc_, HALFTONE);
    StretchBlt(dc_, 0, 0, pixelWidth_, pixelHeight_, old, 0, 0, oldWidth, oldHeight, SRCCOPY);
    SelectObject(old, keep);
    DeleteDC(old);
    DeleteObject(oldBitmap);
    changed();
}

Colour DibSurface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= pixelWidth_ || y >= pixelHeight_)
        return kWhite;
    GdiFlush();
    const std::uint32_t value = bits_[std::size_t(y) * std::size_t(pixelWidth_) + std::size_t(x)];
    return { std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value) };
}

void DibSurface::changed() const
{
    if (onChanged)
        onChanged();
}

Point DibSurface::toLogicalPixels(Point logical) const
{
    return { (logical.x - upperLeft_.x) / (lowerRight_.x - upperLeft_.x) * logicalWidth_,
        (logical.y - upperLeft_.y) / (lowerRight_.y - upperLeft_.y) * logicalHeight_ };
}

int DibSurface::device(double logicalPixel) const
{
    // The logical pixel that holds the position, then where it starts on the device.
    return int(std::lround(std::floor(logicalPixel) * scale_));
}

void DibSurface::fill(int left, int top, int right, int bottom, Colour colour)
{
    const RECT area { left, top, right, bottom };
    SetBkColor(dc_, toColorRef(colour));
    ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void DibSurface::Scale(Point upperLeft, Point lowerRight)
{
    // An axis without extent, or not finite, cannot be mapped: the surface keeps its coordinates.
    const double width = lowerRight.x - upperLeft.x;
    const double height = lowerRight.y - upperLeft.y;
    if (!isFinite(upperLeft) || !isFinite(lowerRight) || width == 0 || height == 0 || !std::isfinite(width)
        || !std::isfinite(height))
        return;
    upperLeft_ = upperLeft;
    lowerRight_ = lowerRight;
}

void DibSurface::Line(Point from, Point to, std::optional<Colour> colour)
{
    const double width = logicalWidth_;
    const double height = logicalHeight_;
    // Cut to a margin around the image, so that GDI only sees coordinates of a sane size.
    const ClipBox margin { -width, 2 * width, -height, 2 * height };
    const auto clipped = ClipLine(toLogicalPixels(from), toLogicalPixels(to), margin);
    if (!clipped)
        return;
    const int ax = device(clipped->first.x), ay = device(clipped->first.y);
    const int bx = device(clipped->second.x), by = device(clipped->second.y);
    // One logical pixel across: as many device pixels as the scale, at least one.
    const int thickness = std::max(1, int(std::lround(scale_)));
    const Colour ink = colour.value_or(kBlack);
    if (ax == bx || ay == by) {
        // The grid's lines: a filled rectangle covers both end pixels, as the line does on Linux.
        fill(std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + thickness, std::max(ay, by) + thickness,
            ink);
    } else {
        HPEN pen = CreatePen(PS_SOLID, thickness, toColorRef(ink));
        const HGDIOBJ previous = SelectObject(dc_, pen);
        MoveToEx(dc_, ax, ay, nullptr);
        LineTo(dc_, bx, by);
        SelectObject(dc_, previous);
        DeleteObject(pen);
        // LineTo leaves out the last pixel, which Linux draws.
        fill(bx, by, bx + thickness, by + thickness, ink);
    }
    changed();
}

void DibSurface::Circle(Point centre, double radius)
{
    const Point middle = toLogicalPixels(centre);
    // The radius counts horizontal units; the same number of pixels up and down keeps the circle round.
    const double pixelRadius = std::fabs(radius * logicalWidth_ / (lowerRight_.x - upperLeft_.x));
    if (!isFinite(middle) || !std::isfinite(pixelRadius) || pixelRadius > kLargestRadius)
        return;
    if (middle.x < -pixelRadius - 1 || middle.x > logicalWidth_ + pixelRadius + 1
        || middle.y < -pixelRadius - 1 || middle.y > logicalHeight_ + pixelRadius + 1)
        return;
    const int r = int(std::lround(std::lround(pixelRadius) * scale_));
    const int cx = device(middle.x), cy = device(middle.y);
    const int thickness = std::max(1, int(std::lround(scale_)));
    HPEN pen = CreatePen(PS_INSIDEFRAME, thickness, RGB(0, 0, 0));
    const HGDIOBJ previous = SelectObject(dc_, pen);
    // The bounding box leaves out its right and bottom edges: one more pixel puts the ring at centre ± r.
    Ellipse(dc_, cx - r, cy - r, cx + r + thickness, cy + r + thickness);
    SelectObject(dc_, previous);
    DeleteObject(pen);
    changed();
}

void DibSurface::Print(double value)
{
    const Point topLeft = toLogicalPixels(textPosition_);
    const double width = logicalWidth_;
    const double height = logicalHeight_;
    if (!std::isfinite(value) || !isFinite(topLeft) || topLeft.x < -width || topLeft.x > width
        || topLeft.y < -height || topLeft.y > height)
        return;
    const std::string text = PrintForm(value);
    const std::wstring wide(text.begin(), text.end()); // digits, sign, point, E and blanks only
    TextOutW(dc_, device(topLeft.x), device(topLeft.y), wide.c_str(), int(wide.size()));
    changed();
}

void DibSurface::Cls()
{
    GdiFlush();
    std::fill(bits_, bits_ + std::size_t(pixelWidth_) * std::size_t(pixelHeight_), kWhitePixel);
    changed();
}

std::string DibSurface::BitmapBytes() const
{
    GdiFlush();
    const std::size_t rowBytes = (std::size_t(pixelWidth_) * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = rowBytes * std::size_t(pixelHeight_);
    constexpr std::uint32_t kHeaders = 14 + 40;
    std::string out;
    out.reserve(kHeaders + imageBytes);
    out += "BM";
    put32(out, std::uint32_t(kHeaders + imageBytes));
    put32(out, 0); // reserved
    put32(out, kHeaders); // where the pixels start
    put32(out, 40); // BITMAPINFOHEADER
    put32(out, std::uint32_t(pixelWidth_));
    put32(out, std::uint32_t(pixelHeight_)); // positive: rows bottom-up
    put16(out, 1); // planes
    put16(out, 24); // bits per pixel
    put32(out, BI_RGB);
    put32(out, std::uint32_t(imageBytes));
    const std::uint32_t dotsPerMetre = std::uint32_t(std::lround(96 * scale_ / 0.0254));
    put32(out, dotsPerMetre);
    put32(out, dotsPerMetre);
    put32(out, 0); // no palette
    put32(out, 0);
    for (int y = pixelHeight_ - 1; y >= 0; --y) {
        const std::uint32_t *row = bits_ + std::size_t(y) * std::size_t(pixelWidth_);
        for (int x = 0; x < pixelWidth_; ++x) {
            out += char(row[x] & 0xFF); // blue, green, red
            out += char((row[x] >> 8) & 0xFF);
            out += char((row[x] >> 16) & 0xFF);
        }
        out.append(rowBytes - std::size_t(pixelWidth_) * 3, '\0');
    }
    return out;
}

} // namespace psa
