#pragma once

#include <QColor>
#include <QPushButton>

namespace psa {

// A command button in the graphical style: its whole face in its BackColor, a plain dark border (two pixels
// wide while pressed or focused), the caption centred in black, grey while the button is unavailable.
// Painted by itself: the platform's button styles ignore a face colour. With the keyboard focus on it, Return
// and Enter press it as Space does: on the desktop the window was designed for, that is how a focused button
// is pressed. Held down, each of them clicks it once. A disabled button gets no keys at all, so a grey button
// still does nothing.
class GraphicalButton : public QPushButton {
public:
    using QPushButton::QPushButton;

    void setBackColor(const QColor &colour);
    [[nodiscard]] QColor backColor() const { return m_backColor; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QColor m_backColor { 255, 255, 192 };
    // The key that last came up, and when.
    int m_releasedKey = 0;
    quint64 m_releasedAt = 0;
};

} // namespace psa
