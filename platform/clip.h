#pragma once

#include "platform/toolkit.h"

#include <cmath>
#include <optional>
#include <utility>

namespace psa {

[[nodiscard]] inline bool isFinite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// A box far around the logical area: anything drawn outside it is invisible anyway, and nothing larger
// reaches the surface.
struct ClipBox {
    double left = -1000;
    double right = 1910;
    double bottom = -1000;
    double top = 1700;

    [[nodiscard]] bool contains(Point p) const
    {
        return p.x >= left && p.x <= right && p.y >= bottom && p.y <= top;
    }
};

// The part of the line from `from` to `to` that lies inside the box, in the same direction; nothing when no
// part of it does or an end is not finite. A line that lies wholly inside comes back unchanged, bit for bit;
// a cut end lies exactly on the box's edge, its other coordinate computed from the nearer end point, so that
// a line to a point 1e17 units away still cuts the box where it should.
[[nodiscard]] std::optional<std::pair<Point, Point>> clipLine(Point from, Point to, const ClipBox &box);

} // namespace psa
