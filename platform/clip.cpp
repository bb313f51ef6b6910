#include "platform/clip.h"

#include <algorithm>
#include <cmath>

namespace psa {

namespace {

enum class Edge { None, Left, Right, Bottom, Top };

// Where the line from `from` to `to` enters and leaves the box, found the Liang-Barsky way: the line's
// parameter t (0 at `from`, 1 at `to`) where it enters and where it leaves, and the edges crossed there (None
// when that end point is inside). Long double, so that differences of coordinates near the largest doubles
// do not overflow.
struct Crossing {
    long double enter = 0;
    long double exit = 1;
    Edge entering = Edge::None;
    Edge leaving = Edge::None;
};

// Nothing when no part of the line is inside.
std::optional<Crossing> crossingOf(Point from, Point to, const ClipBox &box)
{
    const long double dx = static_cast<long double>(to.x) - from.x;
    const long double dy = static_cast<long double>(to.y) - from.y;
    Crossing c;
    // Keeps the part of the line with p * t <= q.
    const auto keep = [&c](long double p, long double q, Edge edge) {
        if (p == 0)
            return q >= 0;
        const long double t = q / p;
        if (p < 0) {
            if (t > c.exit)
                return false;
            if (t > c.enter) {
                c.enter = t;
                c.entering = edge;
            }
        } else {
            if (t < c.enter)
                return false;
            if (t < c.exit) {
                c.exit = t;
                c.leaving = edge;
            }
        }
        return true;
    };
    if (keep(-dx, static_cast<long double>(from.x) - box.left, Edge::Left)
        && keep(dx, static_cast<long double>(box.right) - from.x, Edge::Right)
        && keep(-dy, static_cast<long double>(from.y) - box.bottom, Edge::Bottom)
        && keep(dy, static_cast<long double>(box.top) - from.y, Edge::Top))
        return c;
    return std::nullopt;
}

// The other coordinate of the line through a and b where its first coordinate (`along` of a point) is
// `value`, measured from the end point nearer to that place, so that a far end point costs no precision.
template <typename Along, typename Across>
double interpolate(Point a, Point b, double value, Along along, Across across)
{
    const Point &anchor = std::fabs(value - along(a)) <= std::fabs(value - along(b)) ? a : b;
    const long double slope
        = (static_cast<long double>(across(b)) - across(a)) / (static_cast<long double>(along(b)) - along(a));
    return static_cast<double>(across(anchor) + (static_cast<long double>(value) - along(anchor)) * slope);
}

Point clampInto(Point p, const ClipBox &box)
{
    return { std::clamp(p.x, box.left, box.right), std::clamp(p.y, box.bottom, box.top) };
}

// The point where the line from a to b crosses the given edge of the box; the edge's own coordinate is exact.
Point cutAt(Edge edge, Point a, Point b, const ClipBox &box)
{
    const auto xOf = [](Point p) { return p.x; };
    const auto yOf = [](Point p) { return p.y; };
    switch (edge) {
    case Edge::Left:
    case Edge::Right: {
        const double x = edge == Edge::Left ? box.left : box.right;
        return { x, std::clamp(interpolate(a, b, x, xOf, yOf), box.bottom, box.top) };
    }
    case Edge::Bottom:
    case Edge::Top: {
        const double y = edge == Edge::Bottom ? box.bottom : box.top;
        return { std::clamp(interpolate(a, b, y, yOf, xOf), box.left, box.right), y };
    }
    case Edge::None:
        break;
    }
    return a;
}

} // namespace

std::optional<std::pair<Point, Point>> clipLine(Point from, Point to, const ClipBox &box)
{
    if (!isFinite(from) || !isFinite(to))
        return std::nullopt;
    const auto forward = crossingOf(from, to, box);
    if (!forward)
        return std::nullopt;
    // Which edge a cut lies on is decided from the end point nearer to the cut: seen from a far end point the
    // parameters of two edges near the other end can round to the same value.
    Edge entering = forward->entering;
    Edge leaving = forward->leaving;
    if (const auto backward = crossingOf(to, from, box)) {
        if (forward->enter > 0.5L)
            entering = backward->leaving;
        if (forward->exit > 0.5L)
            leaving = backward->entering;
    }
    // An end point inside stays as it is; clamping cannot move it.
    return std::pair { clampInto(entering == Edge::None ? from : cutAt(entering, from, to, box), box),
        clampInto(leaving == Edge::None ? to : cutAt(leaving, from, to, box), box) };
}

} // namespace psa
