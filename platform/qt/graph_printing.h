#pragma once

#include "app/print_page.h"
#include "platform/result.h"
#include "platform/vector_surface.h"

#include <QRectF>

#include <string_view>

class QPainter;
class QPrinter;

namespace psa {

// Paints the drawing's lines, rings and numbers scaled onto `target`, a rectangle in the painter's
// coordinates with the drawing's proportions, on white: lines and rings one picture pixel wide, the numbers
// in a sans-serif face kPrintPixels picture pixels high, so that it stays sharp at any size.
void paintDrawing(QPainter &painter, const VectorDrawing &drawing, const QRectF &target);

// Prints the drawing on one landscape page of `printer` (already set up, by its dialog or for a file), placed
// by printLayout with `footer` as the line under it, shortened in its middle where it is wider than the
// drawing. Fails, in Japanese, when the page has no room for it or the printer cannot print.
[[nodiscard]] Result<void> printDrawing(
    QPrinter &printer, const VectorDrawing &drawing, std::u16string_view footer);

} // namespace psa
