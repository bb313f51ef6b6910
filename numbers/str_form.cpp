#include "numbers/str_form.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace psa {

namespace {

constexpr int kSignificantDigits = 15;
// Decimal exponents written in plain notation: from 0.0001 up to 15 integer digits.
constexpr int kPlainLowest = -4;
constexpr int kPlainHighest = 14;

} // namespace

std::string Str(double value)
{
    if (std::isnan(value) || value == 0)
        return " 0"; // also negative zero
    if (std::isinf(value))
        value = std::copysign(DBL_MAX, value);

    // to_chars rounds correctly to 15 significant digits: "d.dddddddddddddde+XX", whatever the locale.
    char scientific[64];
    const auto converted = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
        std::chars_format::scientific, kSignificantDigits - 1);
    if (converted.ec != std::errc {})
        return " 0";
    char *const end = converted.ptr;

    char mantissa[kSignificantDigits] = {};
    int count = 0;
    const char *p = scientific;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.')
            mantissa[count++] = *p;
    }
    int exponent = 0;
    if (p != end) {
        ++p;
        if (*p == '+')
            ++p;
        std::from_chars(p, end, exponent);
    }
    while (count > 1 && mantissa[count - 1] == '0')
        --count;

    std::string text;
    text.reserve(32);
    text += value < 0 ? '-' : ' ';
    if (exponent >= kPlainLowest && exponent <= kPlainHighest) {
        if (exponent < 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text.append(mantissa, static_cast<std::size_t>(count));
        } else if (count <= exponent + 1) {
            text.append(mantissa, static_cast<std::size_t>(count));
            text.append(static_cast<std::size_t>(exponent + 1 - count), '0');
        } else {
            text.append(mantissa, static_cast<std::size_t>(exponent) + 1);
            text += '.';
            text.append(mantissa + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
        }
        return text;
    }

    text += mantissa[0];
    if (count > 1) {
        text += '.';
        text.append(mantissa + 1, static_cast<std::size_t>(count - 1));
    }
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10)
        text += '0';
    char digits[8];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, magnitude).ptr);
    return text;
}

std::string printForm(double value)
{
    return Str(value) + ' ';
}

} // namespace psa
