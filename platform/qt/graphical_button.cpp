#include "platform/qt/graphical_button.h"

#include "platform/qt/form1_window_look.h"

#include <QKeyEvent>
#include <QPainter>

namespace psa {

void GraphicalButton::setBackColor(const QColor &colour)
{
    if (colour == m_backColor)
        return;
    m_backColor = colour;
    update();
}

void GraphicalButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, m_backColor);
    const int border = isDown() || hasFocus() ? 2 : 1;
    const QColor borderColour = toQColor(design::kButtonBorderColor);
    painter.fillRect(face.left(), face.top(), face.width(), border, borderColour);
    painter.fillRect(face.left(), face.bottom() - border + 1, face.width(), border, borderColour);
    painter.fillRect(face.left(), face.top(), border, face.height(), borderColour);
    painter.fillRect(face.right() - border + 1, face.top(), border, face.height(), borderColour);
    painter.setPen(isEnabled() ? QColor(Qt::black) : toQColor(design::kDimmedCaptionColor));
    painter.drawText(face, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

void GraphicalButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    // Under X11 a held key comes as pairs of a release and a press at one moment, which Qt does not always
    // mark as repeats: a press at the very millisecond at which the same key came up is one.
    const bool repeat = event->isAutoRepeat()
        || (event->timestamp() != 0 && key == m_releasedKey && event->timestamp() == m_releasedAt);
    if (key == Qt::Key_Space && repeat) {
        event->accept(); // not pressed down again, so that the next release does not click again
        return;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // Shown pressed for a moment, then clicked once; holding the key down does not click again.
    if (!repeat)
        animateClick();
    event->accept();
}

void GraphicalButton::keyReleaseEvent(QKeyEvent *event)
{
    m_releasedKey = event->key();
    m_releasedAt = event->timestamp();
    QPushButton::keyReleaseEvent(event);
}

} // namespace psa
