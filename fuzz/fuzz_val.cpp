// Val on arbitrary text: never crashes, always finite, and agrees with a slow reading of the number rules
// written here on its own terms (character by character, then the C library's strtod in the C locale).

#include "fuzz/fuzz_input.h"
#include "numbers/val.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

char asciiOf(char16_t c)
{
    if (c >= u'０' && c <= u'９')
        return static_cast<char>('0' + (c - u'０'));
    switch (c) {
    case u'＋':
        return '+';
    case u'－':
    case u'\u2212':
        return '-';
    case u'．':
        return '.';
    case u'Ｅ':
    case u'ｅ':
        return 'E';
    case u'Ｄ':
    case u'ｄ':
        return 'D';
    case u'\u3000':
        return ' ';
    default:
        return c < 0x80 ? static_cast<char>(c) : '\x7f';
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number rules, read slowly: drop every blank first (they are skipped wherever they stand), then take
// the longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
double referenceVal(const std::u16string &text)
{
    std::string squeezed;
    for (char16_t c : text) {
        const char a = asciiOf(c);
        if (!isBlank(a))
            squeezed.push_back(a);
    }
    std::string number;
    std::size_t i = 0;
    if (i < squeezed.size() && (squeezed[i] == '+' || squeezed[i] == '-'))
        number.push_back(squeezed[i++]);
    bool digits = false;
    while (i < squeezed.size() && isDigit(squeezed[i])) {
        number.push_back(squeezed[i++]);
        digits = true;
    }
    if (i < squeezed.size() && squeezed[i] == '.') {
        number.push_back(squeezed[i++]);
        while (i < squeezed.size() && isDigit(squeezed[i])) {
            number.push_back(squeezed[i++]);
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < squeezed.size()
        && (squeezed[i] == 'E' || squeezed[i] == 'e' || squeezed[i] == 'D' || squeezed[i] == 'd')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < squeezed.size() && (squeezed[j] == '+' || squeezed[j] == '-'))
            exponent.push_back(squeezed[j++]);
        bool exponentDigits = false;
        while (j < squeezed.size() && isDigit(squeezed[j])) {
            exponent.push_back(squeezed[j++]);
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    errno = 0;
    double value = strtod_l(number.c_str(), nullptr, cLocale);
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<double>::max(), value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::u16string text = psa::fuzzing::textFromBytes(data, size);
    const double value = psa::Val(text);
    if (!std::isfinite(value)) {
        std::fprintf(stderr, "Val gave a non-finite result\n");
        std::abort();
    }
    const double expected = referenceVal(text);
    // Underflow may keep its sign or not; both are zero.
    if (!(value == expected)) {
        std::fprintf(stderr, "Val gave %.17g, the rules give %.17g\n", value, expected);
        std::abort();
    }
    return 0;
}
