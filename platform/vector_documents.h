#pragma once

#include "platform/result.h"
#include "platform/vector_surface.h"

#include <string>
#include <string_view>

namespace psa {

// Why a drawing could not be written as a document.
inline constexpr std::u16string_view kNoVectorDocumentReason = u"グラフを図形として書き出せませんでした。";

// The drawing as an SVG document in UTF-8: its size in pixels as `width`, `height` and `viewBox`, a white
// background, lines as <line> (a line of a single pixel as a square <rect>) and rings as <circle> one pixel
// wide in their colours (a ring of no radius is left out), numbers as <text> in a sans-serif face
// kPrintPixels high with their blanks kept. Fails when the drawing has no area, a position or size is not
// finite, or a text holds a control character or is not UTF-8.
[[nodiscard]] Result<std::string> svgDocument(const VectorDrawing &drawing);

// The drawing as a one-page PDF document: the page the picture's size at 96 pixels an inch (0.75 points a
// pixel), lines and rings as path operators one pixel wide (a ring as four Bézier curves), numbers as text in
// the standard Helvetica face, which every reader has, so no font is embedded. Fails as svgDocument does, and
// when a text holds a character outside printable ASCII, which that face cannot show.
[[nodiscard]] Result<std::string> pdfDocument(const VectorDrawing &drawing);

// Both documents are the same bytes for the same drawing on every run and platform: no date, no random
// identifier, and numbers written with at most three decimals and '.' whatever the locale.

} // namespace psa
