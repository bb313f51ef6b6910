#include "numbers/val.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace psa {

namespace {

// Every character of a number, reduced to its single-byte meaning.
enum class Kind : std::uint8_t { Blank, Digit, Plus, Minus, Point, Exponent, Other };

struct Classified {
    Kind kind;
    char digit; // '0'..'9' for Kind::Digit
};

constexpr Classified classify(char16_t c) noexcept
{
    if (c >= u'0' && c <= u'9')
        return { Kind::Digit, static_cast<char>('0' + (c - u'0')) };
    // Full-width digits, as a Japanese input method types them.
    if (c >= u'\uFF10' && c <= u'\uFF19')
        return { Kind::Digit, static_cast<char>('0' + (c - u'\uFF10')) };
    switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\u3000':
        return { Kind::Blank, 0 };
    case u'+':
    case u'\uFF0B':
        return { Kind::Plus, 0 };
    case u'-':
    case u'\uFF0D':
    case u'\u2212':
        return { Kind::Minus, 0 };
    case u'.':
    case u'\uFF0E':
        return { Kind::Point, 0 };
    case u'E':
    case u'e':
    case u'D':
    case u'd':
    case u'\uFF25':
    case u'\uFF45':
    case u'\uFF24':
    case u'\uFF44':
        return { Kind::Exponent, 0 };
    default:
        return { Kind::Other, 0 };
    }
}

// A double is decided by its first 767 significant digits and whether anything non-zero follows them, so
// longer mantissas are cut here and a final '1' stands for the rest. This bounds the work and the buffer
// whatever the length of the text.
constexpr int kKeptDigits = 780;
// An exponent stops growing here: far beyond the double range, and the sums with it cannot overflow.
constexpr std::int64_t kExponentCap = 100'000'000;
// A leading digit at these powers of ten lies outside the double range whatever follows it.
constexpr std::int64_t kOverflowExponent = 400;
constexpr std::int64_t kUnderflowExponent = -400;

// Walks the text, stepping over blanks wherever they stand.
class Reader {
public:
    explicit Reader(std::u16string_view text) noexcept
        : m_text(text)
    {
    }

    // The next character that is not a blank, without consuming it; Kind::Other at the end of the text.
    [[nodiscard]] Classified peek() noexcept
    {
        while (m_pos < m_text.size()) {
            const Classified c = classify(m_text[m_pos]);
            if (c.kind != Kind::Blank)
                return c;
            ++m_pos;
        }
        return { Kind::Other, 0 };
    }
    void advance() noexcept { ++m_pos; }

private:
    std::u16string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

double Val(std::u16string_view text) noexcept
{
    Reader reader(text);

    bool negative = false;
    if (const Kind k = reader.peek().kind; k == Kind::Plus || k == Kind::Minus) {
        negative = k == Kind::Minus;
        reader.advance();
    }

    // The number is rebuilt as "0.d1d2...e<total>", the one form std::from_chars reads the same in every
    // locale: significant digits only, with the value 0.d1d2... x 10^decimalExponent before the exponent.
    char number[2 + kKeptDigits + 1 + 24];
    number[0] = '0';
    number[1] = '.';
    char *const digits = number + 2;
    int kept = 0;
    bool pointSeen = false;
    bool dropped = false;
    std::int64_t decimalExponent = 0;
    for (;;) {
        const Classified c = reader.peek();
        if (c.kind == Kind::Point && !pointSeen) {
            pointSeen = true;
        } else if (c.kind == Kind::Digit) {
            if (kept == 0 && c.digit == '0') {
                // A leading zero only moves the point when it stands after it.
                if (pointSeen)
                    --decimalExponent;
            } else {
                if (!pointSeen)
                    ++decimalExponent;
                if (kept < kKeptDigits)
                    digits[kept++] = c.digit;
                else if (c.digit != '0')
                    dropped = true;
            }
        } else {
            break;
        }
        reader.advance();
    }
    if (kept == 0)
        return 0; // no digits, or zeros only

    // An exponent letter without digits after it adds nothing: "1e" and "1e+" read 1.
    std::int64_t exponent = 0;
    if (reader.peek().kind == Kind::Exponent) {
        reader.advance();
        bool exponentNegative = false;
        if (const Kind k = reader.peek().kind; k == Kind::Plus || k == Kind::Minus) {
            exponentNegative = k == Kind::Minus;
            reader.advance();
        }
        for (Classified c = reader.peek(); c.kind == Kind::Digit; c = reader.peek()) {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (c.digit - '0');
            reader.advance();
        }
        if (exponentNegative)
            exponent = -exponent;
    }

    if (dropped)
        digits[kept++] = '1';

    // The leading digit stands at 10^(total - 1).
    const std::int64_t total = decimalExponent + exponent;
    double magnitude = 0;
    if (total - 1 > kOverflowExponent) {
        magnitude = DBL_MAX;
    } else if (total - 1 < kUnderflowExponent) {
        magnitude = 0;
    } else {
        char *out = digits + kept;
        *out++ = 'e';
        out = std::to_chars(out, number + sizeof number, total).ptr;
        const auto result = std::from_chars(number, out, magnitude);
        if (result.ec == std::errc::result_out_of_range)
            magnitude = total > 0 ? DBL_MAX : 0;
        else if (result.ec != std::errc {})
            magnitude = 0;
    }
    if (magnitude == 0)
        return 0; // never a negative zero
    return negative ? -magnitude : magnitude;
}

} // namespace psa
