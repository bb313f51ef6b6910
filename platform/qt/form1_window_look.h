#pragma once

// How the window's design (faces, sizes, colours, rectangles) becomes Qt's fonts, colours and style sheets.

#include "platform/form1_design.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace psa {

// Where the design's Windows faces are missing, this Japanese face stands in.
inline const QString kSubstituteFamily = QStringLiteral("Noto Sans CJK JP");

[[nodiscard]] QColor toQColor(Colour colour);
[[nodiscard]] QRect toQRect(const design::Rect &rect);
// A design font: its face where installed, else the Japanese substitute, at the design size and weight.
[[nodiscard]] QFont qtFont(const design::Font &designed);
// The title's font: a heavy display face, else the heaviest substitute weight.
[[nodiscard]] QFont titleFont();
// The cells' font: the program's default face at the cells' design size.
[[nodiscard]] QFont cellFont();
// A position or size given in pixels as the window's nearest whole pixel.
[[nodiscard]] int pixels(double value);

// A label of the window as designed, with the given font and alignment and a thin black border.
QLabel *makeLabel(
    QWidget *parent, const design::LabelDesign &designed, const QFont &font, Qt::Alignment alignment);

} // namespace psa
