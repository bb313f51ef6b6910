#pragma once

#include <QWidget>

namespace psa {

class ImageSurface;

// Picture1: a white area that shows the graph's drawing, pixel for pixel on the screen it is on. A right
// click opens a menu whose one item, 「グラフをコピー」, puts the drawing on the clipboard as an image; the
// item is unavailable while nothing is drawn.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    // Shows `surface` from now on; it must outlive this widget.
    void setSurface(ImageSurface *surface);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void matchScreen();
    void copyToClipboard() const;

    ImageSurface *m_surface = nullptr;
};

} // namespace psa
