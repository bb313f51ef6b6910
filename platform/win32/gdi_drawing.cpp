#include "platform/win32/gdi_drawing.h"

#include "platform/win32/win32_fonts.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <variant>

namespace psa {

namespace {

// A picture pixel at `scale` covers [p * scale, (p + 1) * scale); a pen of whole device units centred on the
// device unit that holds the pixel's centre covers the same ground.
int deviceAt(double origin, double pictureUnits, double scale)
{
    return int(std::floor(origin + pictureUnits * scale));
}

HPEN solidPen(Colour colour, int width)
{
    // Squared ends, so that a line covers its end pixels whole, as on the bitmap.
    LOGBRUSH brush { BS_SOLID, RGB(colour.red, colour.green, colour.blue), 0 };
    return ExtCreatePen(
        PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, DWORD(width), &brush, 0, nullptr);
}

} // namespace

void drawVectorDrawing(HDC dc, const VectorDrawing &drawing, const PageRect &target)
{
    if (drawing.width <= 0 || drawing.height <= 0 || !(target.width > 0) || !(target.height > 0))
        return;
    const double scaleX = target.width / drawing.width;
    const double scaleY = target.height / drawing.height;
    const int left = int(std::floor(target.left));
    const int top = int(std::floor(target.top));
    const int right = int(std::ceil(target.left + target.width));
    const int bottom = int(std::ceil(target.top + target.height));
    const int saved = SaveDC(dc);
    const RECT area { left, top, right, bottom };
    SetBkColor(dc, RGB(255, 255, 255));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    IntersectClipRect(dc, left, top, right, bottom);

    const int penWidth = std::max(1, int(std::lround(std::min(scaleX, scaleY))));
    HPEN black = solidPen(kBlack, penWidth);
    // The numbers' points at 96 dots an inch make their height in picture pixels; at 96 times the scale, in
    // the page's units.
    HFONT numbers
        = CreateDesignFont(kDefaultFace, kPrintPixels * 72 / 96, FW_NORMAL, UINT(std::lround(96 * scaleY)));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SelectObject(dc, numbers);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);

    const auto x = [&](double pictureX) { return deviceAt(target.left, pictureX, scaleX); };
    const auto y = [&](double pictureY) { return deviceAt(target.top, pictureY, scaleY); };
    for (const VectorShape &shape : drawing.shapes) {
        if (const auto *line = std::get_if<VectorLine>(&shape)) {
            HPEN pen = solidPen(line->colour, penWidth);
            SelectObject(dc, pen);
            MoveToEx(dc, x(line->from.x), y(line->from.y), nullptr);
            LineTo(dc, x(line->to.x), y(line->to.y));
            SelectObject(dc, black);
            DeleteObject(pen);
        } else if (const auto *ring = std::get_if<VectorCircle>(&shape)) {
            SelectObject(dc, black);
            // The bounding box leaves out its right and bottom edges: one more unit reaches centre + radius.
            Ellipse(dc, x(ring->centre.x - ring->radius), y(ring->centre.y - ring->radius),
                x(ring->centre.x + ring->radius) + 1, y(ring->centre.y + ring->radius) + 1);
        } else if (const auto *text = std::get_if<VectorText>(&shape)) {
            const std::wstring wide(text->text.begin(), text->text.end()); // digits, sign, point, E, blanks
            TextOutW(dc, x(text->topLeft.x), y(text->topLeft.y), wide.c_str(), int(wide.size()));
        }
    }
    RestoreDC(dc, saved);
    DeleteObject(black);
    DeleteObject(numbers);
}

HENHMETAFILE vectorMetafile(const VectorDrawing &drawing)
{
    // Drawn in the screen's pixels, as large as the window shows it; the frame, in hundredths of a
    // millimetre, is those pixels' by the screen's own measure, so that the metafile plays back onto them one
    // to one.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    const double scale = dpi > 0 ? dpi / 96.0 : 1;
    const int width = int(std::lround(drawing.width * scale));
    const int height = int(std::lround(drawing.height * scale));
    const RECT frame { 0, 0,
        MulDiv(width, GetDeviceCaps(screen, HORZSIZE) * 100, GetDeviceCaps(screen, HORZRES)),
        MulDiv(height, GetDeviceCaps(screen, VERTSIZE) * 100, GetDeviceCaps(screen, VERTRES)) };
    HDC recorder = CreateEnhMetaFileW(screen, nullptr, &frame, L"psa-graph\0PSA\0");
    ReleaseDC(nullptr, screen);
    if (!recorder)
        return nullptr;
    drawVectorDrawing(recorder, drawing, { 0, 0, double(width), double(height) });
    return CloseEnhMetaFile(recorder);
}

} // namespace psa
