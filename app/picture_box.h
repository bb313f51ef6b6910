#pragma once

#include <QWidget>

namespace psa {

class ImageSurface;

// Picture1: a white area that shows the graph's drawing, pixel for pixel on the screen it is on.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    // Shows `surface` from now on; it must outlive this widget.
    void setSurface(ImageSurface *surface);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void matchScreen();

    ImageSurface *m_surface = nullptr;
};

} // namespace psa
