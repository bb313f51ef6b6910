#include "platform/qt_surface.h"

#include "files/str_form.h"
#include "graph/graph_geometry.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace psa {

namespace {

// Circles larger than this many pixels in radius cannot show anything useful and are not drawn.
constexpr double kLargestRadius = 100000;
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

bool isFinite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The pixel that holds a position (of a bounded size, see the callers).
QPoint pixelOf(Point p)
{
    return { static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)) };
}

} // namespace

ImageSurface::ImageSurface(QSize logicalSize, qreal devicePixelRatio)
    : font_(applicationFont())
{
    resize(logicalSize, devicePixelRatio);
}

ImageSurface::~ImageSurface() = default;

void ImageSurface::resize(QSize logicalSize, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0 && devicePixelRatio <= 16))
        devicePixelRatio = 1;
    logicalSize = logicalSize.expandedTo({ 1, 1 });
    QImage next = whiteImage(logicalSize, devicePixelRatio);
    if (!image_.isNull()) {
        finishPainting();
        QPainter scaler(&next);
        scaler.setRenderHint(QPainter::SmoothPixmapTransform);
        scaler.drawImage(QRectF(QPointF(0, 0), QSizeF(logicalSize)), image_);
    }
    image_ = std::move(next);
    logicalSize_ = logicalSize;
    if (!scaled_)
        lowerRight_ = { double(logicalSize.width()), double(logicalSize.height()) };
    changed();
}

void ImageSurface::setFont(const QFont &font)
{
    font_ = font;
    texts_.clear();
    if (painter_)
        painter_->setFont(font_);
}

const QImage &ImageSurface::image() const
{
    finishPainting();
    return image_;
}

QPainter &ImageSurface::painter()
{
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::TextAntialiasing, true);
        painter_->setBrush(Qt::NoBrush);
        painter_->setFont(font_);
    }
    return *painter_;
}

void ImageSurface::finishPainting() const
{
    painter_.reset();
    penColour_.reset();
}

void ImageSurface::setPenColour(const QColor &colour)
{
    if (penColour_ != colour) {
        painter_->setPen(QPen(colour, 1));
        penColour_ = colour;
    }
}

void ImageSurface::changed() const
{
    if (onChanged)
        onChanged();
}

Point ImageSurface::toPixels(Point logical) const
{
    return { (logical.x - upperLeft_.x) / (lowerRight_.x - upperLeft_.x) * logicalSize_.width(),
        (logical.y - upperLeft_.y) / (lowerRight_.y - upperLeft_.y) * logicalSize_.height() };
}

void ImageSurface::Scale(Point upperLeft, Point lowerRight)
{
    // An axis without extent, or not finite, cannot be mapped: the surface keeps its coordinates.
    const double width = lowerRight.x - upperLeft.x;
    const double height = lowerRight.y - upperLeft.y;
    if (!isFinite(upperLeft) || !isFinite(lowerRight) || width == 0 || height == 0 || !std::isfinite(width)
        || !std::isfinite(height))
        return;
    upperLeft_ = upperLeft;
    lowerRight_ = lowerRight;
    scaled_ = true;
}

void ImageSurface::Line(Point from, Point to, std::optional<Colour> colour)
{
    const double width = logicalSize_.width();
    const double height = logicalSize_.height();
    // Cut to a margin around the image, so that the painter only sees coordinates of a sane size.
    const ClipBox margin { -width, 2 * width, -height, 2 * height };
    const auto clipped = ClipLine(toPixels(from), toPixels(to), margin);
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
    changed();
}

void ImageSurface::Circle(Point centre, double radius)
{
    const Point middle = toPixels(centre);
    // The radius counts horizontal units; the same number of pixels up and down keeps the circle round.
    const double pixelRadius = std::fabs(radius * logicalSize_.width() / (lowerRight_.x - upperLeft_.x));
    if (!isFinite(middle) || !std::isfinite(pixelRadius) || pixelRadius > kLargestRadius)
        return;
    if (middle.x < -pixelRadius - 1 || middle.x > logicalSize_.width() + pixelRadius + 1
        || middle.y < -pixelRadius - 1 || middle.y > logicalSize_.height() + pixelRadius + 1)
        return;
    const int r = static_cast<int>(std::lround(pixelRadius));
    QPainter &p = painter();
    setPenColour(Qt::black);
    p.drawEllipse(pixelOf(middle), r, r);
    changed();
}

void ImageSurface::Print(double value)
{
    const Point topLeft = toPixels(textPosition_);
    const double width = logicalSize_.width();
    const double height = logicalSize_.height();
    if (!std::isfinite(value) || !isFinite(topLeft) || topLeft.x < -width || topLeft.x > width
        || topLeft.y < -height || topLeft.y > height)
        return;
    QPainter &p = painter();
    setPenColour(Qt::black);
    const QString text = QString::fromStdString(PrintForm(value));
    auto laidOut = texts_.find(text);
    if (laidOut == texts_.end()) {
        if (texts_.size() >= kLaidOutTexts)
            texts_.clear();
        laidOut = texts_.insert(text, QStaticText(text));
        laidOut->setPerformanceHint(QStaticText::AggressiveCaching);
    }
    p.drawStaticText(pixelOf(topLeft), *laidOut);
    changed();
}

void ImageSurface::Cls()
{
    finishPainting();
    image_.fill(Qt::white);
    changed();
}

std::string ImageSurface::BitmapBytes() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(image()))
        return {};
    return buffer.data().toStdString();
}

} // namespace psa
