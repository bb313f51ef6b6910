#include "platform/qt/qt_surface.h"

#include "numbers/str_form.h"
#include "platform/bitmap_file.h"
#include "platform/clip.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace psa {

namespace {

// Texts laid out once and kept for the next draw: the decade labels, years and values of a graph or two.
constexpr qsizetype kLaidOutTexts = 512;

QFont applicationFont()
{
    return qGuiApp ? QGuiApplication::font() : QFont();
}

QImage whiteImage(QSize logicalSize, qreal ratio)
{
    QImage image(logicalSize * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

QColor toQColor(Colour colour)
{
    return { colour.red, colour.green, colour.blue };
}

// The pixel that holds a position (of a bounded size, see the callers).
QPoint pixelOf(Point p)
{
    return { static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)) };
}

} // namespace

ImageSurface::ImageSurface(QSize logicalSize, qreal devicePixelRatio)
    : m_font(applicationFont())
{
    resize(logicalSize, devicePixelRatio);
}

ImageSurface::~ImageSurface() = default;

void ImageSurface::resize(QSize logicalSize, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0 && devicePixelRatio <= 16))
        devicePixelRatio = 1;
    logicalSize = logicalSize.expandedTo({ 1, 1 });
    if (!m_image.isNull()) {
        QImage next = whiteImage(logicalSize, devicePixelRatio);
        finishPainting();
        QPainter scaler(&next);
        scaler.setRenderHint(QPainter::SmoothPixmapTransform);
        scaler.drawImage(QRectF(QPointF(0, 0), QSizeF(logicalSize)), m_image);
        scaler.end();
        m_image = std::move(next);
    }
    m_devicePixelRatio = devicePixelRatio;
    m_logicalSize = logicalSize;
    changed();
}

void ImageSurface::setFont(const QFont &font)
{
    m_font = font;
    m_texts.clear();
    if (m_painter)
        m_painter->setFont(m_font);
}

const QImage &ImageSurface::image() const
{
    finishPainting();
    ensureImage();
    return m_image;
}

// The image is made when first needed: a window that never draws a graph keeps no picture in memory.
void ImageSurface::ensureImage() const
{
    if (m_image.isNull())
        m_image = whiteImage(m_logicalSize, m_devicePixelRatio);
}

QPainter &ImageSurface::painter()
{
    if (!m_painter) {
        ensureImage();
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::TextAntialiasing, true);
        m_painter->setBrush(Qt::NoBrush);
        m_painter->setFont(m_font);
    }
    return *m_painter;
}

void ImageSurface::finishPainting() const
{
    m_painter.reset();
    m_penColour.reset();
}

void ImageSurface::setPenColour(const QColor &colour)
{
    if (m_penColour != colour) {
        m_painter->setPen(QPen(colour, 1));
        m_penColour = colour;
    }
}

void ImageSurface::changed() const
{
    if (onChanged)
        onChanged();
}

void ImageSurface::drawn()
{
    m_hasDrawing = true;
    changed();
}

Point ImageSurface::toPixels(Point logical) const
{
    return m_userScale.toPixels(logical, area());
}

LogicalArea ImageSurface::area() const
{
    return { double(m_logicalSize.width()), double(m_logicalSize.height()) };
}

void ImageSurface::Scale(Point upperLeft, Point lowerRight)
{
    m_userScale.set(upperLeft, lowerRight);
}

void ImageSurface::Line(Point from, Point to, std::optional<Colour> colour)
{
    const auto clipped = clipLine(toPixels(from), toPixels(to), area().margin());
    if (!clipped)
        return;
    const QPoint a = pixelOf(clipped->first);
    const QPoint b = pixelOf(clipped->second);
    const QColor penColour = toQColor(colour.value_or(kBlack));
    QPainter &p = painter();
    if (a.x() == b.x() || a.y() == b.y()) {
        // The grid's lines: a rectangle one pixel across fills far faster than the line rasteriser draws.
        p.fillRect(QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                       QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y()))),
            penColour);
    } else {
        setPenColour(penColour);
        p.drawLine(a, b);
    }
    drawn();
}

void ImageSurface::Circle(Point centre, double radius)
{
    const Point middle = toPixels(centre);
    // The radius counts horizontal units; the same number of pixels up and down keeps the circle round.
    const double pixelRadius = m_userScale.toPixelLength(radius, area());
    if (!area().mayShowCircle(middle, pixelRadius))
        return;
    const int r = static_cast<int>(std::lround(pixelRadius));
    QPainter &p = painter();
    setPenColour(Qt::black);
    p.drawEllipse(pixelOf(middle), r, r);
    drawn();
}

void ImageSurface::Print(double value)
{
    const Point topLeft = toPixels(m_textPosition);
    if (!std::isfinite(value) || !area().mayShowText(topLeft))
        return;
    QPainter &p = painter();
    setPenColour(Qt::black);
    const QString text = QString::fromStdString(printForm(value));
    auto laidOut = m_texts.find(text);
    if (laidOut == m_texts.end()) {
        if (m_texts.size() >= kLaidOutTexts)
            m_texts.clear();
        laidOut = m_texts.insert(text, QStaticText(text));
        laidOut->setPerformanceHint(QStaticText::AggressiveCaching);
    }
    p.drawStaticText(pixelOf(topLeft), *laidOut);
    drawn();
}

void ImageSurface::Cls()
{
    finishPainting();
    if (!m_image.isNull())
        m_image.fill(Qt::white);
    m_hasDrawing = false;
    changed();
}

Result<std::string> ImageSurface::bitmapBytes() const
{
    const QImage &drawing = image();
    const QImage pixels
        = drawing.format() == QImage::Format_RGB32 ? drawing : drawing.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull())
        return Failure { std::u16string(kNoBitmapReason) };
    // Written here rather than through QImageWriter, which looks through every image format plugin first.
    return encodeBitmap(
        { reinterpret_cast<const std::uint32_t *>(pixels.constBits()),
            std::size_t(pixels.bytesPerLine()) / sizeof(std::uint32_t), pixels.width(), pixels.height() },
        std::uint32_t(std::max(0, pixels.dotsPerMeterX())));
}

} // namespace psa
