#pragma once

#include <string>

namespace psa {

// The text of a number in the record file and on the graph:
// - a blank for zero and positive numbers, a minus sign for negative ones;
// - the number rounded to 15 significant digits, without trailing zeros, without a decimal point when whole;
// - '.' as the decimal point whatever the locale, no thousands separator;
// - a magnitude below 1 keeps its leading zero (" 0.25");
// - magnitudes below 0.0001 and from 10^15 on use an exponent form: mantissa, 'E', sign, at least two
//   digits (" 1E-05", "-1.5E+20").
// Val(Str(x)) gives back x rounded to 15 significant digits. Negative zero is written " 0". Infinity is
// written as the largest finite double, and NaN as " 0": neither can be typed or loaded.
[[nodiscard]] std::string Str(double value);

// The form in which Print writes a number on the graph: Str followed by one blank (" 2005 ", " 0.01 ").
[[nodiscard]] std::string printForm(double value);

} // namespace psa
