#pragma once

#include <QWidget>

namespace psa {

class ImageSurface;

// Picture1: a white area that shows the graph's drawing, pixel for pixel on the screen it is on. A right
// click, or the Menu key or Shift+F10 while it has the focus, opens a menu whose one item,
// 「グラフをコピー」, puts the drawing on the clipboard as an image; the item is unavailable while nothing is
// drawn. While it has the focus a frame in the highlight colour shows it, on the screen only.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    // Shows `surface` from now on; it must outlive this widget.
    void setSurface(ImageSurface *surface);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openMenu(const QPoint &globalPosition);
    void matchScreen();
    void copyToClipboard() const;

    ImageSurface *m_surface = nullptr;
};

} // namespace psa
