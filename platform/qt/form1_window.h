#pragma once

#include "platform/toolkit.h"

#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace psa {

class Form1;
class GraphicalButton;
class GridCell;
class ImageSurface;
class PictureBox;
struct FocusStop;
struct VectorDrawing;

// The main window as Qt widgets: the nine buttons, the title and heading labels, the picture box and the cell
// grid, as the window's design describes them. It only shows things and reports clicks and cell changes;
// what they do is Form1's.
class Form1Window : public QWidget, public Window {
    Q_OBJECT

public:
    explicit Form1Window(QWidget *parent = nullptr);
    ~Form1Window() override;

    // From now on every button click and every change of a cell's text, also one the program makes, runs
    // the matching handler of `form` before the change returns. A handler that fails unexpectedly is
    // abandoned with a message through `dialogs` instead of ending the program.
    void attach(Form1 &form, Dialogs &dialogs);
    // Picture1 shows the drawing of `surface` from now on and repaints whenever it changes. The surface takes
    // the pixel ratio of the screen the window is on, now and whenever that changes. It must outlive the
    // window.
    void showPicture(ImageSurface &surface);
    // The same drawing kept as shapes, which the picture's copy and print use. It must outlive the window.
    void keepShapes(const VectorDrawing &shapes);
    // Runs `callback` once, right after the window has painted itself for the first time.
    void onFirstPaint(std::function<void()> callback);

    // Cell `index` (0 for the hidden template), or null when it does not exist.
    [[nodiscard]] QLineEdit *cell(int index) const;
    [[nodiscard]] QPushButton *button(Button button) const;
    [[nodiscard]] QWidget *picture1() const;

    void createCell(int index) override;
    void setCellHeight(int index, double pixels) override;
    void setCellTop(int index, double pixels) override;
    void setCellLeft(int index, double pixels) override;
    void setCellWidth(int index, double pixels) override;
    void setCellFontSize(int index, double points) override;
    void setCellVisible(int index, bool visible) override;
    void setCellEnabled(int index, bool enabled) override;
    void setCellFlat(int index) override;
    void setCellText(int index, std::u16string_view text) override;
    [[nodiscard]] std::u16string cellText(int index) const override;
    void setFocusToCell(int index) override;

    void setButtonTop(Button button, double pixels) override;
    void setButtonLeft(Button button, double pixels) override;
    void setButtonEnabled(Button button, bool enabled) override;
    void setButtonBackColor(Button button, Colour colour) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    GridCell *makeCell(int index);
    GridCell &existingCell(int index) const;
    GraphicalButton &existingButton(Button button) const;
    [[nodiscard]] QWidget *focusStop(const FocusStop &stop) const;
    void run(const std::function<void(Form1 &)> &handler);
    void describeGraph();

    std::array<GridCell *, 106> m_cells {};
    std::array<GraphicalButton *, 10> m_buttons {};
    PictureBox *m_picture1 = nullptr;
    ImageSurface *m_surface = nullptr;
    bool m_graphChanged = false; // since the picture's description was last composed
    Form1 *m_form = nullptr;
    Dialogs *m_dialogs = nullptr;
    std::function<void()> m_firstPaint;
};

} // namespace psa
