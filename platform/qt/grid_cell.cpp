#include "platform/qt/grid_cell.h"

#include "platform/form1_design.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cstdlib>
#include <limits>

namespace psa {

void GridCell::makeFlat()
{
    if (m_flat)
        return;
    m_flat = true;
    setFrame(false);
    centreDigits();
    update();
}

void GridCell::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (!m_flat)
        return;
    QPainter painter(this);
    const Colour border = design::kCellBorderColor;
    painter.setPen(
        hasFocus() ? palette().color(QPalette::Highlight) : QColor(border.red, border.green, border.blue));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void GridCell::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    centreDigits();
}

void GridCell::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        centreDigits();
}

// A flat cell is lower than the Japanese face's line, and QLineEdit centres the whole line, which puts the
// digits onto the bottom border. Widening the text area upwards, beyond the cell, lifts the line until the
// digits sit in the middle; nothing is clipped, since the area only grows.
void GridCell::centreDigits()
{
    if (!m_flat)
        return;
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const int ascent = metrics.ascent();
    const int wanted = (height() + metrics.capHeight() + 1) / 2;
    int bestGrowth = 0;
    int bestError = std::numeric_limits<int>::max();
    for (int growth = 0; growth <= lineHeight; ++growth) {
        // Where QLineEdit puts the baseline in a text area from -growth to the cell's bottom.
        const int top = -growth + (height() + growth - lineHeight + 1) / 2;
        const int error = std::abs(top + ascent - wanted);
        if (error < bestError) {
            bestError = error;
            bestGrowth = growth;
        }
    }
    setTextMargins(0, -bestGrowth, 0, 0);
}

} // namespace psa
