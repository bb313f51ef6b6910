#pragma once

#include "platform/toolkit.h"

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
    static constexpr int kDefaultWidth = 849;
    static constexpr int kDefaultHeight = 521;

    explicit DibSurface(
        int logicalWidth = kDefaultWidth, int logicalHeight = kDefaultHeight, double scale = 1);
    ~DibSurface() override;
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;

    // Gives the surface a new scale (a screen of another DPI); what was drawn is stretched onto it.
    void rescale(double scale);

    [[nodiscard]] int pixelWidth() const { return pixelWidth_; }
    [[nodiscard]] int pixelHeight() const { return pixelHeight_; }
    [[nodiscard]] double scale() const { return scale_; }
    // The colour of one device pixel; white outside the surface.
    [[nodiscard]] Colour pixel(int x, int y) const;
    // The memory DC holding the image, for copying it onto the screen.
    [[nodiscard]] HDC dc() const { return dc_; }
    [[nodiscard]] bool autoRedraw() const { return autoRedraw_; }

    // Called after every change of the image, so that a window showing it can repaint.
    std::function<void()> onChanged;

    void Scale(Point upperLeft, Point lowerRight) override;
    void Line(Point from, Point to, std::optional<Colour> colour) override;
    void Circle(Point centre, double radius) override;
    void CurrentX(double x) override { textPosition_.x = x; }
    void CurrentY(double y) override { textPosition_.y = y; }
    void Print(double value) override;
    void Cls() override;
    void AutoRedraw(bool on) override { autoRedraw_ = on; }
    // A 24-bit bottom-up Windows bitmap of the device pixels.
    [[nodiscard]] std::string BitmapBytes() const override;

private:
    void makeBitmap();
    void changed() const;
    // A logical position in the surface's logical (unscaled) pixels.
    [[nodiscard]] Point toLogicalPixels(Point logical) const;
    // The device pixel where a logical pixel starts.
    [[nodiscard]] int device(double logicalPixel) const;
    void fill(int left, int top, int right, int bottom, Colour colour);

    int logicalWidth_;
    int logicalHeight_;
    double scale_;
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    std::uint32_t *bits_ = nullptr; // top-down rows of 0x00RRGGBB
    Point upperLeft_;
    Point lowerRight_;
    Point textPosition_;
    bool autoRedraw_ = false;
};

} // namespace psa
