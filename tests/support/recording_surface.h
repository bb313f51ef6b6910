#pragma once

#include "files/str_form.h"
#include "platform/toolkit.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace psa::testing {

// A drawing surface that keeps every call, for tests to assert on what was drawn and in which order.
class RecordingSurface : public Surface {
public:
    struct ScaleCall {
        Point upperLeft;
        Point lowerRight;
    };
    struct LineCall {
        Point from;
        Point to;
        std::optional<Colour> colour;
    };
    struct CircleCall {
        Point centre;
        double radius;
    };
    struct PrintCall {
        Point topLeft;
        double value;
        std::string text; // in the print form
    };
    struct ClsCall { };
    using Call = std::variant<ScaleCall, LineCall, CircleCall, PrintCall, ClsCall>;

    void Scale(Point upperLeft, Point lowerRight) override { calls.emplace_back(ScaleCall { upperLeft, lowerRight }); }
    void Line(Point from, Point to, std::optional<Colour> colour) override
    {
        calls.emplace_back(LineCall { from, to, colour });
    }
    void Circle(Point centre, double radius) override { calls.emplace_back(CircleCall { centre, radius }); }
    void CurrentX(double x) override { textPosition.x = x; }
    void CurrentY(double y) override { textPosition.y = y; }
    void Print(double value) override { calls.emplace_back(PrintCall { textPosition, value, PrintForm(value) }); }
    void Cls() override { calls.emplace_back(ClsCall {}); }
    void AutoRedraw(bool on) override { autoRedraw = on; }
    [[nodiscard]] std::string BitmapBytes() const override { return bitmap; }

    template <typename T>
    [[nodiscard]] std::vector<T> callsOf() const
    {
        std::vector<T> found;
        for (const Call &call : calls)
            if (const T *typed = std::get_if<T>(&call))
                found.push_back(*typed);
        return found;
    }

    std::vector<Call> calls;
    Point textPosition;
    bool autoRedraw = false;
    std::string bitmap = "BM-fake";
};

} // namespace psa::testing
