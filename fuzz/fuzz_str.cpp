// Str then Val on any finite double: the text has the record file's form and reads back as the value
// rounded to 15 significant digits, under a locale that writes a decimal comma, as record files must read
// and write the same everywhere.

#include "numbers/str_form.h"
#include "numbers/val.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>

namespace {

// The double nearest to x's 15-significant-digit decimal, by way of the C library in the C locale.
double roundedTo15Digits(double x)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const locale_t previous = uselocale(cLocale);
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", x);
    double rounded = std::strtod(text, nullptr);
    uselocale(previous);
    if (std::isinf(rounded)) // rounding up the largest doubles leaves the range; Val saturates there
        rounded = std::copysign(std::numeric_limits<double>::max(), rounded);
    return rounded;
}

bool hasRecordFileForm(const std::string &text)
{
    if (text.size() < 2 || text.size() > 24 || (text[0] != ' ' && text[0] != '-'))
        return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == 'E'
            || ((c == '+' || c == '-') && text[i - 1] == 'E');
        if (!allowed)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Without the locale this would prove nothing; scripts/install-deps generates it.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        std::fputs("the locale de_DE.UTF-8 is missing\n", stderr);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < sizeof(double))
        return 0;
    double x;
    std::memcpy(&x, data, sizeof x);
    if (!std::isfinite(x))
        return 0;
    const std::string text = psa::Str(x);
    if (!hasRecordFileForm(text)) {
        std::fprintf(stderr, "Str(%.17g) = \"%s\" is not in the record file's form\n", x, text.c_str());
        std::abort();
    }
    const std::u16string wide(text.begin(), text.end());
    const double back = psa::Val(wide);
    const double expected = roundedTo15Digits(x);
    if (!(back == expected)) {
        std::fprintf(
            stderr, "Val(Str(%.17g)) = %.17g via \"%s\", expected %.17g\n", x, back, text.c_str(), expected);
        std::abort();
    }
    return 0;
}
