#pragma once

#include "platform/toolkit.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace psa::testing {

// A drawing surface that keeps every call that draws or clears, for tests to assert on what was drawn and in
// which order. Scale is left out: the graph's coordinates are checked on the real surface.
class RecordingSurface : public Surface {
public:
    struct LineCall {
        Point from, to;
        std::optional<Colour> colour;
    };
    struct CircleCall {
        Point centre;
        double radius;
    };
    struct PrintCall {
        Point topLeft;
        double value;
    };
    struct ClsCall { };
    using Call = std::variant<LineCall, CircleCall, PrintCall, ClsCall>;

    void Scale(Point, Point) override { }
    void Line(Point a, Point b, std::optional<Colour> c) override
    {
        calls.emplace_back(LineCall { a, b, c });
    }
    void Circle(Point centre, double radius) override { calls.emplace_back(CircleCall { centre, radius }); }
    void CurrentX(double x) override { textPosition.x = x; }
    void CurrentY(double y) override { textPosition.y = y; }
    void Print(double value) override { calls.emplace_back(PrintCall { textPosition, value }); }
    void Cls() override { calls.emplace_back(ClsCall {}); }
    void AutoRedraw(bool) override { }
    [[nodiscard]] std::string BitmapBytes() const override { return "BM-fake"; }

    template <typename T> [[nodiscard]] std::vector<T> callsOf() const
    {
        std::vector<T> found;
        for (const Call &call : calls)
            if (const T *typed = std::get_if<T>(&call))
                found.push_back(*typed);
        return found;
    }

    std::vector<Call> calls;
    Point textPosition;
};

} // namespace psa::testing
