#include "platform/vector_surface.h"

#include "platform/clip.h"

#include <algorithm>
#include <cmath>

namespace psa {

namespace {

// The centre of the pixel that holds a position (of a bounded size, see the callers), where the pixel
// surfaces draw it.
Point pixelCentreOf(Point p)
{
    return { std::floor(p.x) + 0.5, std::floor(p.y) + 0.5 };
}

} // namespace

VectorSurface::VectorSurface(NumberText numberText, int width, int height)
    : m_numberText(numberText)
{
    m_drawing.width = std::max(1, width);
    m_drawing.height = std::max(1, height);
}

LogicalArea VectorSurface::area() const
{
    return { double(m_drawing.width), double(m_drawing.height) };
}

void VectorSurface::Scale(Point upperLeft, Point lowerRight)
{
    m_userScale.set(upperLeft, lowerRight);
}

void VectorSurface::Line(Point from, Point to, std::optional<Colour> colour)
{
    const auto clipped
        = clipLine(m_userScale.toPixels(from, area()), m_userScale.toPixels(to, area()), area().margin());
    if (!clipped)
        return;
    m_drawing.shapes.emplace_back(VectorLine {
        pixelCentreOf(clipped->first), pixelCentreOf(clipped->second), colour.value_or(kBlack) });
}

void VectorSurface::Circle(Point centre, double radius)
{
    const Point middle = m_userScale.toPixels(centre, area());
    // The radius counts horizontal units, and as many pixels up and down keep the circle round.
    const double pixelRadius = m_userScale.toPixelLength(radius, area());
    // A ring that rounds to no radius leaves no pixel on the bitmap either.
    const auto wholeRadius = std::lround(pixelRadius);
    if (!area().mayShowCircle(middle, pixelRadius) || wholeRadius == 0)
        return;
    m_drawing.shapes.emplace_back(VectorCircle { pixelCentreOf(middle), double(wholeRadius) });
}

void VectorSurface::Print(double value)
{
    const Point topLeft = m_userScale.toPixels(m_textPosition, area());
    if (!std::isfinite(value) || !area().mayShowText(topLeft))
        return;
    m_drawing.shapes.emplace_back(
        VectorText { { std::floor(topLeft.x), std::floor(topLeft.y) }, m_numberText(value) });
}

Result<std::string> VectorSurface::bitmapBytes() const
{
    return Failure { std::u16string(kNoPixelsReason) };
}

} // namespace psa
