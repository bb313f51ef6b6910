#pragma once

#include <QLineEdit>

namespace psa {

// A grid cell. Once made flat it has a thin plain border, drawn in the highlight colour while it has the
// focus so that the user sees where typing goes.
class GridCell : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    void makeFlat();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void centreDigits();

    bool m_flat = false;
};

} // namespace psa
