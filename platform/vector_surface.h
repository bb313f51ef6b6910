#pragma once

#include "platform/form1_design.h"
#include "platform/toolkit.h"
#include "platform/user_scale.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace psa {

// Why a drawing kept as shapes gives no bitmap.
inline constexpr std::u16string_view kNoPixelsReason
    = u"図形として描いたグラフにはビットマップがありません。";

// The numbers' text height in pixels: the 9 points at 96 dots an inch that the pixel surfaces print in.
inline constexpr double kPrintPixels = 12;
// How far below the text's upper-left corner its baseline lies, in pixels: the digits sit where the bitmap's
// Japanese face (Noto Sans CJK JP, whose ascent is 1.16 of its height) puts them at this size.
inline constexpr double kPrintBaseline = 14;

// The shapes below are in the picture's pixels, (0, 0) its upper-left corner: lines and rings at the centres
// of the pixels the pixel surfaces draw them through, texts at the corner of the pixel where those print
// them, so that a drawing rendered at its own size covers the same pixels as the bitmap.

// A straight line one pixel wide whose squared ends cover both end pixels whole.
struct VectorLine {
    Point from;
    Point to;
    Colour colour;
};
// A black ring one pixel wide.
struct VectorCircle {
    Point centre;
    double radius = 0;
};
// A printed number (its print form, digits, '.', '-', 'E', '+' and blanks) whose text box has its upper-left
// corner at `topLeft`.
struct VectorText {
    Point topLeft;
    std::string text;
};
using VectorShape = std::variant<VectorLine, VectorCircle, VectorText>;

// A picture of `width` x `height` pixels on white: its shapes in the order they were drawn.
struct VectorDrawing {
    int width = design::kPicture1.width;
    int height = design::kPicture1.height;
    std::vector<VectorShape> shapes;
};

// A surface that keeps what is drawn as shapes instead of pixels, for pictures that stay sharp at any size.
// The same user scale, line clip, circle and text culls and rounding to pixels as the pixel surfaces, so that
// both show the same drawing; numbers are printed in the text `numberText` gives them (the print form).
class VectorSurface : public Surface {
public:
    using NumberText = std::string (*)(double);

    explicit VectorSurface(
        NumberText numberText, int width = design::kPicture1.width, int height = design::kPicture1.height);

    // Everything drawn since the surface was made or last cleared.
    [[nodiscard]] const VectorDrawing &drawing() const { return m_drawing; }
    [[nodiscard]] bool autoRedraw() const { return m_autoRedraw; }

    void Scale(Point upperLeft, Point lowerRight) override;
    void Line(Point from, Point to, std::optional<Colour> colour) override;
    void Circle(Point centre, double radius) override;
    void CurrentX(double x) override { m_textPosition.x = x; }
    void CurrentY(double y) override { m_textPosition.y = y; }
    void Print(double value) override;
    void Cls() override { m_drawing.shapes.clear(); }
    void AutoRedraw(bool on) override { m_autoRedraw = on; }
    // Always fails: there are no pixels to encode.
    [[nodiscard]] Result<std::string> bitmapBytes() const override;

private:
    [[nodiscard]] LogicalArea area() const;

    NumberText m_numberText;
    VectorDrawing m_drawing;
    UserScale m_userScale;
    Point m_textPosition;
    bool m_autoRedraw = false;
};

} // namespace psa
