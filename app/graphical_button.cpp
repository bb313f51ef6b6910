#include "app/graphical_button.h"

#include "app/form1_window_look.h"

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
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // Shown pressed for a moment, then clicked once; holding the key down does not click again.
    if (!event->isAutoRepeat())
        animateClick();
    event->accept();
}

} // namespace psa
