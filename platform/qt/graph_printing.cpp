#include "platform/qt/graph_printing.h"

#include "app/print_page.h"
#include "platform/qt/qt_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>

#include <variant>

namespace psa {

namespace {

QColor qColour(Colour colour)
{
    return { colour.red, colour.green, colour.blue };
}

QRectF qRect(const PageRect &rect)
{
    return { rect.left, rect.top, rect.width, rect.height };
}

PrintedPage printedPage(const QPrinter &printer)
{
    const int dpi = printer.resolution();
    const QPageLayout page = printer.pageLayout();
    const QRect paper = page.fullRectPixels(dpi);
    const QRect printable = page.paintRectPixels(dpi);
    return { double(paper.width()), double(paper.height()),
        { double(printable.left()), double(printable.top()), double(printable.width()),
            double(printable.height()) },
        double(dpi) };
}

} // namespace

void paintDrawing(QPainter &painter, const VectorDrawing &drawing, const QRectF &target)
{
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    painter.scale(target.width() / drawing.width, target.height() / drawing.height);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QFont numbers(QStringLiteral("sans-serif"));
    numbers.setPixelSize(int(kPrintPixels));
    painter.setFont(numbers);
    for (const VectorShape &shape : drawing.shapes) {
        if (const auto *line = std::get_if<VectorLine>(&shape)) {
            painter.setPen(QPen(qColour(line->colour), 1, Qt::SolidLine, Qt::SquareCap));
            painter.drawLine(QPointF(line->from.x, line->from.y), QPointF(line->to.x, line->to.y));
        } else if (const auto *ring = std::get_if<VectorCircle>(&shape)) {
            painter.setPen(QPen(Qt::black, 1));
            painter.drawEllipse(QPointF(ring->centre.x, ring->centre.y), ring->radius, ring->radius);
        } else if (const auto *text = std::get_if<VectorText>(&shape)) {
            painter.setPen(Qt::black);
            painter.drawText(QPointF(text->topLeft.x, text->topLeft.y + kPrintBaseline),
                QString::fromUtf8(text->text.data(), qsizetype(text->text.size())));
        }
    }
    painter.restore();
}

Result<void> printDrawing(QPrinter &printer, const VectorDrawing &drawing, std::u16string_view footer)
{
    const PrintedPage page = printedPage(printer);
    const PrintLayout layout = printLayout(page, drawing.width, drawing.height);
    if (!layout.fits)
        return Failure { std::u16string(kPageTooSmallReason) };
    QPainter painter;
    if (!painter.begin(&printer))
        return Failure { std::u16string(kPrintFailedReason) };
    // The painter's origin is the printable part's corner; the layout measures from the paper's.
    painter.translate(-page.printable.left, -page.printable.top);
    paintDrawing(painter, drawing, qRect(layout.drawing));

    QFont footerFont = painter.font();
    footerFont.setPointSizeF(kFooterPoints);
    painter.setFont(QFont(footerFont, &printer));
    const QRectF footerBox = qRect(layout.footer);
    const QString line = QFontMetricsF(painter.font(), &printer)
                             .elidedText(toQString(footer), Qt::ElideMiddle, footerBox.width());
    painter.setPen(Qt::black);
    painter.drawText(footerBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return Failure { std::u16string(kPrintFailedReason) };
    return {};
}

} // namespace psa
