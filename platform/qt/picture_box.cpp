#include "platform/qt/picture_box.h"

#include "app/print_page.h"
#include "platform/qt/graph_printing.h"
#include "platform/qt/qt_surface.h"
#include "platform/qt/qt_text.h"
#include "platform/vector_documents.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDate>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace psa {

namespace {

constexpr int kFocusFrameWidth = 2;
constexpr QPoint kKeyboardMenuAt { 8, 8 };

} // namespace

void PictureBox::setSurface(ImageSurface *surface)
{
    m_surface = surface;
    matchScreen();
    update();
}

void PictureBox::setShapes(const VectorDrawing *shapes)
{
    m_shapes = shapes;
}

bool PictureBox::hasGraph() const
{
    return m_surface && m_surface->hasDrawing();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    matchScreen();
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_surface && !m_surface->isUntouched())
        painter.drawImage(QPoint(0, 0), m_surface->image());
    if (hasFocus()) {
        const QColor highlight = palette().color(QPalette::Highlight);
        const int w = width(), h = height(), f = kFocusFrameWidth;
        for (const QRect &strip :
            { QRect(0, 0, w, f), QRect(0, h - f, w, f), QRect(0, 0, f, h), QRect(w - f, 0, f, h) })
            painter.fillRect(strip, highlight);
    }
}

void PictureBox::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard the menu opens inside the picture's top left corner, where the mouse may not be.
    openMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(kKeyboardMenuAt));
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        openMenu(mapToGlobal(kKeyboardMenuAt));
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureBox::openMenu(const QPoint &globalPosition)
{
    // Shown without waiting for it to close, so that nothing else waits on the menu.
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copy = menu->addAction(QStringLiteral("グラフをコピー"), this, &PictureBox::copyToClipboard);
    copy->setObjectName(QStringLiteral("copyGraph"));
    copy->setEnabled(hasGraph());
    QAction *printing = menu->addAction(QStringLiteral("グラフを印刷…"), this, &PictureBox::print);
    printing->setObjectName(QStringLiteral("printGraph"));
    printing->setEnabled(hasGraph() && m_shapes);
    menu->popup(globalPosition);
}

// An image editor takes the picture as it is, at the screen's resolution; a word processor that reads SVG
// takes the lines and texts, which print sharp at any size.
void PictureBox::copyToClipboard() const
{
    if (!m_surface)
        return;
    auto *copied = new QMimeData;
    copied->setImageData(m_surface->image());
    if (m_shapes) {
        if (const Result<std::string> svg = svgDocument(*m_shapes))
            copied->setData(QStringLiteral("image/svg+xml"), QByteArray::fromStdString(*svg));
    }
    QGuiApplication::clipboard()->setMimeData(copied);
}

void PictureBox::print()
{
    if (!hasGraph() || !m_shapes)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(toQString(kPrintDocumentName));
    const bool chosen = choosePrinter ? choosePrinter(printer) : [&] {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!chosen)
        return;
    const QDate today = QDate::currentDate();
    const std::u16string footer = printFooter(
        recordFile ? recordFile() : std::u16string(), { today.year(), today.month(), today.day() });
    if (const Result<void> printed = printDrawing(printer, *m_shapes, footer); !printed && printFailed)
        printFailed(printed.reason());
}

// An image made for another pixel ratio would be shown scaled, and blurred. When the window has moved to a
// screen of another ratio the surface takes the new one: the old drawing is scaled over once, and the next
// graph is drawn at the screen's full resolution, as is the bitmap saved from it.
void PictureBox::matchScreen()
{
    if (m_surface && m_surface->devicePixelRatio() != devicePixelRatioF())
        m_surface->resize(m_surface->logicalSize(), devicePixelRatioF());
}

} // namespace psa
