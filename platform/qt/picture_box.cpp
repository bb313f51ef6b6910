#include "platform/qt/picture_box.h"

#include "platform/qt/qt_surface.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>

namespace psa {

void PictureBox::setSurface(ImageSurface *surface)
{
    m_surface = surface;
    matchScreen();
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    matchScreen();
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_surface && !m_surface->isUntouched())
        painter.drawImage(QPoint(0, 0), m_surface->image());
}

void PictureBox::contextMenuEvent(QContextMenuEvent *event)
{
    // Shown without waiting for it to close, so that nothing else waits on the menu.
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copy = menu->addAction(QStringLiteral("グラフをコピー"), this, &PictureBox::copyToClipboard);
    copy->setObjectName(QStringLiteral("copyGraph"));
    copy->setEnabled(m_surface && m_surface->hasDrawing());
    menu->popup(event->globalPos());
}

// A word processor or an image editor takes the picture as it is, at the screen's resolution.
void PictureBox::copyToClipboard() const
{
    if (m_surface)
        QGuiApplication::clipboard()->setImage(m_surface->image());
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
