#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class QPrinter;

namespace psa {

class ImageSurface;
struct VectorDrawing;

// Picture1: a white area that shows the graph's drawing, pixel for pixel on the screen it is on. A right
// click, or the Menu key or Shift+F10 while it has the focus, opens a menu with 「グラフをコピー」, which
// puts the drawing on the clipboard as an image and as an SVG picture, and 「グラフを印刷…」, which prints
// it; both are unavailable while nothing is drawn. While it has the focus a frame in the highlight colour
// shows it, on the screen only.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    // Shows `surface` from now on; it must outlive this widget.
    void setSurface(ImageSurface *surface);
    // The same drawing as shapes, which the copy and the print use; it must outlive this widget.
    void setShapes(const VectorDrawing *shapes);

    // Sets up `printer` for a print, or answers false when the user cancelled: by default Qt's print dialog.
    std::function<bool(QPrinter &)> choosePrinter;
    // The record file that the footer of a print names ("" for none).
    std::function<std::u16string()> recordFile;
    // Tells the user why a print failed.
    std::function<void(std::u16string_view)> printFailed;

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openMenu(const QPoint &globalPosition);
    void matchScreen();
    void copyToClipboard() const;
    void print();
    [[nodiscard]] bool hasGraph() const;

    ImageSurface *m_surface = nullptr;
    const VectorDrawing *m_shapes = nullptr;
};

} // namespace psa
