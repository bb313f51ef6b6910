#pragma once

#include "platform/toolkit.h"
#include "platform/vector_surface.h"

namespace psa {

// A surface that draws on a pixel surface and keeps the same drawing as shapes, so that what the window
// shows can also be printed and copied as lines and text that stay sharp. Every call goes to both, in the
// same order; the bitmap is the pixel surface's alone, so it is the same as without the shapes.
class MirroredSurface : public Surface {
public:
    // Both must outlive this surface.
    MirroredSurface(Surface &pixels, VectorSurface &shapes)
        : m_pixels(pixels)
        , m_shapes(shapes)
    {
    }

    [[nodiscard]] const VectorDrawing &drawing() const { return m_shapes.drawing(); }

    void Scale(Point upperLeft, Point lowerRight) override
    {
        m_pixels.Scale(upperLeft, lowerRight);
        m_shapes.Scale(upperLeft, lowerRight);
    }
    void Line(Point from, Point to, std::optional<Colour> colour) override
    {
        m_pixels.Line(from, to, colour);
        m_shapes.Line(from, to, colour);
    }
    void Circle(Point centre, double radius) override
    {
        m_pixels.Circle(centre, radius);
        m_shapes.Circle(centre, radius);
    }
    void CurrentX(double x) override
    {
        m_pixels.CurrentX(x);
        m_shapes.CurrentX(x);
    }
    void CurrentY(double y) override
    {
        m_pixels.CurrentY(y);
        m_shapes.CurrentY(y);
    }
    void Print(double value) override
    {
        m_pixels.Print(value);
        m_shapes.Print(value);
    }
    void Cls() override
    {
        m_pixels.Cls();
        m_shapes.Cls();
    }
    void AutoRedraw(bool on) override
    {
        m_pixels.AutoRedraw(on);
        m_shapes.AutoRedraw(on);
    }
    [[nodiscard]] Result<std::string> bitmapBytes() const override { return m_pixels.bitmapBytes(); }

private:
    Surface &m_pixels;
    VectorSurface &m_shapes;
};

} // namespace psa
