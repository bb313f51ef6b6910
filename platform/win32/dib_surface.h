#pragma once

#include "platform/form1_design.h"
#include "platform/toolkit.h"
#include "platform/user_scale.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace psa {

// The drawing surface on a GDI DIB section that always keeps its drawing: white until something is drawn,
// lines and circles one logical pixel wide, numbers in the surface's font. Its logical size is the picture's
// size at 96 DPI; it holds logical size x scale device pixels, so that on a dense screen the graph is drawn
// at the screen's own resolution. The coordinates given by Scale map linearly onto the logical extent;
// before the first Scale they are the logical pixels themselves.
class DibSurface final : public Surface {
public:
    // By default the size of the window's picture.
    explicit DibSurface(int logicalWidth = design::kPicture1.width,
        int logicalHeight = design::kPicture1.height, double scale = 1);
    ~DibSurface() override;
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;

    // Gives the surface a new scale (a screen of another DPI); what was drawn is stretched onto it.
    void rescale(double scale);

    [[nodiscard]] int pixelWidth() const { return m_pixelWidth; }
    [[nodiscard]] int pixelHeight() const { return m_pixelHeight; }
    [[nodiscard]] double scale() const { return m_scale; }
    // The colour of one device pixel; white outside the surface.
    [[nodiscard]] Colour pixel(int x, int y) const;
    // The memory DC holding the image, for copying it onto the screen.
    [[nodiscard]] HDC dc() const { return m_dc; }
    [[nodiscard]] bool autoRedraw() const { return m_autoRedraw; }
    // Whether anything has been drawn since the start or the last Cls.
    [[nodiscard]] bool hasDrawing() const { return m_hasDrawing; }

    // Called after every change of the image, so that a window showing it can repaint.
    std::function<void()> onChanged;

    void Scale(Point upperLeft, Point lowerRight) override;
    void Line(Point from, Point to, std::optional<Colour> colour) override;
    void Circle(Point centre, double radius) override;
    void CurrentX(double x) override { m_textPosition.x = x; }
    void CurrentY(double y) override { m_textPosition.y = y; }
    void Print(double value) override;
    void Cls() override;
    void AutoRedraw(bool on) override { m_autoRedraw = on; }
    // A 24-bit bottom-up Windows bitmap of the device pixels.
    [[nodiscard]] Result<std::string> bitmapBytes() const override;

private:
    void makeBitmap();
    void changed() const;
    void drawn();
    // A logical position in the surface's logical (unscaled) pixels.
    [[nodiscard]] Point toLogicalPixels(Point logical) const;
    [[nodiscard]] LogicalArea area() const;
    // The device pixel where a logical pixel starts.
    [[nodiscard]] int device(double logicalPixel) const;
    void fill(int left, int top, int right, int bottom, Colour colour);

    int m_logicalWidth;
    int m_logicalHeight;
    double m_scale;
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_originalBitmap = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_originalFont = nullptr;
    std::uint32_t *m_bits = nullptr; // top-down rows of 0x00RRGGBB
    UserScale m_userScale;
    Point m_textPosition;
    bool m_autoRedraw = false;
    bool m_hasDrawing = false;
};

} // namespace psa
