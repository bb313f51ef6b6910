#pragma once

#include "platform/clip.h"

#include <cmath>

namespace psa {

// A surface's drawing area in logical pixels (its size at pixel ratio 1), and the guards both surfaces apply
// before a position reaches the toolkit: whatever lies far outside cannot show, and coordinates of an
// unbounded size must never reach the painter.
struct LogicalArea {
    // Circles larger than this many pixels in radius cannot show anything useful and are not drawn.
    static constexpr double kLargestRadius = 100000;

    double width = 0;
    double height = 0;

    // Lines are cut to a margin of one area on every side.
    [[nodiscard]] ClipBox margin() const { return { -width, 2 * width, -height, 2 * height }; }

    // Whether a circle of `radius` logical pixels around `centre` may show: a finite size not beyond
    // kLargestRadius, and a ring that comes within a pixel of the area.
    [[nodiscard]] bool mayShowCircle(Point centre, double radius) const
    {
        return isFinite(centre) && std::isfinite(radius) && radius <= kLargestRadius
            && centre.x >= -radius - 1 && centre.x <= width + radius + 1 && centre.y >= -radius - 1
            && centre.y <= height + radius + 1;
    }

    // Whether a text whose upper-left corner is at `topLeft` may show: it starts no further than one area
    // to the left or above, and inside the area's right and bottom edges.
    [[nodiscard]] bool mayShowText(Point topLeft) const
    {
        return isFinite(topLeft) && topLeft.x >= -width && topLeft.x <= width && topLeft.y >= -height
            && topLeft.y <= height;
    }
};

// The coordinates a surface's Scale sets over its logical area: the user units of its upper-left and
// lower-right corners. Until the first Scale they are the logical pixels themselves, whatever the area's
// size.
class UserScale {
public:
    // Takes the new corners, unless an axis has no extent or is not finite: such an axis cannot be mapped,
    // and the surface keeps its coordinates.
    void set(Point upperLeft, Point lowerRight)
    {
        const double width = lowerRight.x - upperLeft.x;
        const double height = lowerRight.y - upperLeft.y;
        if (!isFinite(upperLeft) || !isFinite(lowerRight) || width == 0 || height == 0
            || !std::isfinite(width) || !std::isfinite(height))
            return;
        m_upperLeft = upperLeft;
        m_lowerRight = lowerRight;
        m_scaled = true;
    }

    // A point in user units as logical pixels of `area`.
    [[nodiscard]] Point toPixels(Point p, LogicalArea area) const
    {
        const Point lowerRight = m_scaled ? m_lowerRight : Point { area.width, area.height };
        return { (p.x - m_upperLeft.x) / (lowerRight.x - m_upperLeft.x) * area.width,
            (p.y - m_upperLeft.y) / (lowerRight.y - m_upperLeft.y) * area.height };
    }

    // A length along the horizontal axis in user units as logical pixels of `area`; never negative.
    [[nodiscard]] double toPixelLength(double length, LogicalArea area) const
    {
        const double right = m_scaled ? m_lowerRight.x : area.width;
        return std::fabs(length * area.width / (right - m_upperLeft.x));
    }

private:
    Point m_upperLeft;
    Point m_lowerRight;
    bool m_scaled = false;
};

} // namespace psa
