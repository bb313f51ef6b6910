#pragma once

#include <string_view>

namespace psa {

// Reads the number at the start of a cell's text or a file's field.
// - Blanks, tabs and line feeds are skipped wherever they stand, also between digits ("1 2" reads 12).
// - Then an optional sign, digits with at most one '.' as the decimal point, and an optional exponent: E or D
//   in either case, an optional sign and digits ("1.5E1" and "2d1" read 15 and 20).
// - Reading stops at the first character that cannot continue the number ("12abc" reads 12, "1,5" reads 1).
// - Text in which no number starts reads as 0.
// Full-width digits, signs, period, exponent letters and the ideographic space, as a Japanese input method
// types them, read like their single-byte forms. The prefixes &H and &O are not read: "&H10" reads 0.
// A number beyond the double range reads as the largest finite double of its sign; one too small to be
// represented reads as 0. The result is always finite. Independent of the locale. Never throws.
[[nodiscard]] double Val(std::u16string_view text) noexcept;

} // namespace psa
