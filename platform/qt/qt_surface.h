#pragma once

#include "platform/form1_design.h"
#include "platform/toolkit.h"
#include "platform/user_scale.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QStaticText>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace psa {

// The drawing surface on a QImage that always keeps its drawing: white until something is drawn, lines and
// circles one pixel wide without antialiasing, texts in the surface's font. The logical coordinates given by
// Scale map linearly onto the image's extent; before the first Scale they are the image's own pixels.
class ImageSurface final : public Surface {
public:
    // An image of logicalSize x devicePixelRatio pixels, shown at logicalSize on a screen of that ratio; by
    // default the size of the window's picture.
    explicit ImageSurface(QSize logicalSize = { design::kPicture1.width, design::kPicture1.height },
        qreal devicePixelRatio = 1);
    ~ImageSurface() override;
    ImageSurface(const ImageSurface &) = delete;
    ImageSurface &operator=(const ImageSurface &) = delete;

    // Gives the image a new size and pixel ratio; what was drawn is scaled onto it.
    void resize(QSize logicalSize, qreal devicePixelRatio);
    [[nodiscard]] QSize logicalSize() const { return m_logicalSize; }

    // The font of printed numbers; by default the application's font.
    void setFont(const QFont &font);
    [[nodiscard]] const QFont &font() const { return m_font; }

    // The drawing so far, complete.
    [[nodiscard]] const QImage &image() const;
    [[nodiscard]] qreal devicePixelRatio() const { return m_devicePixelRatio; }
    // Nothing has been drawn since the surface was made: it is all white.
    [[nodiscard]] bool isUntouched() const { return m_image.isNull(); }
    [[nodiscard]] bool autoRedraw() const { return m_autoRedraw; }
    // Whether anything has been drawn since the surface was made or last cleared.
    [[nodiscard]] bool hasDrawing() const { return m_hasDrawing; }

    // Called after every change of the image, so that a widget showing it can repaint.
    std::function<void()> onChanged;

    void Scale(Point upperLeft, Point lowerRight) override;
    void Line(Point from, Point to, std::optional<Colour> colour) override;
    void Circle(Point centre, double radius) override;
    void CurrentX(double x) override { m_textPosition.x = x; }
    void CurrentY(double y) override { m_textPosition.y = y; }
    void Print(double value) override;
    void Cls() override;
    void AutoRedraw(bool on) override { m_autoRedraw = on; }
    [[nodiscard]] Result<std::string> bitmapBytes() const override;

private:
    QPainter &painter();
    void finishPainting() const;
    void ensureImage() const;
    void changed() const;
    // After a line, circle or text has gone onto the image.
    void drawn();
    // Sets the open painter's pen, unless it has that colour already.
    void setPenColour(const QColor &colour);
    // A logical position in the image's (unscaled) pixels.
    [[nodiscard]] Point toPixels(Point logical) const;
    [[nodiscard]] LogicalArea area() const;

    mutable QImage m_image; // null until first needed
    qreal m_devicePixelRatio = 1;
    QSize m_logicalSize;
    QFont m_font;
    // Painting stays open between calls, which keeps drawing a graph fast; image() closes it.
    mutable std::unique_ptr<QPainter> m_painter;
    mutable std::optional<QColor> m_penColour;
    QHash<QString, QStaticText> m_texts;
    UserScale m_userScale;
    Point m_textPosition;
    bool m_autoRedraw = false;
    bool m_hasDrawing = false;
};

} // namespace psa
