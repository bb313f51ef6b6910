#pragma once

#include "platform/clip.h"

#include <cmath>

namespace psa {

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

    // A point in user units as logical pixels of an area `width` x `height`.
    [[nodiscard]] Point toPixels(Point p, double width, double height) const
    {
        const Point lowerRight = m_scaled ? m_lowerRight : Point { width, height };
        return { (p.x - m_upperLeft.x) / (lowerRight.x - m_upperLeft.x) * width,
            (p.y - m_upperLeft.y) / (lowerRight.y - m_upperLeft.y) * height };
    }

    // A length along the horizontal axis in user units as logical pixels of an area `width` wide; never
    // negative.
    [[nodiscard]] double toPixelLength(double length, double width) const
    {
        const double right = m_scaled ? m_lowerRight.x : width;
        return std::fabs(length * width / (right - m_upperLeft.x));
    }

private:
    Point m_upperLeft;
    Point m_lowerRight;
    bool m_scaled = false;
};

} // namespace psa
