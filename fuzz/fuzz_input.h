#pragma once

// Turns fuzzer bytes into the kinds of text and numbers the program meets, so that short inputs reach the
// interesting cases: ASCII as it is, and the bytes from 0x80 on as the characters a Japanese input method
// types (full-width digits, signs, period, exponent letters, the ideographic space) or other code units.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

namespace psa::fuzzing {

inline std::u16string textFromBytes(const std::uint8_t *data, std::size_t size)
{
    using namespace std::string_view_literals;
    // Surrogate halves and the null character too: a cell's text may hold anything.
    static constexpr std::u16string_view kWide
        = u"０１２３４５６７８９＋－\u2212．ＥｅＤｄ\u3000\u00A0\u00B7\uFEFF\uFFFF円，\0\xD800\xDFFF"sv;
    std::u16string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte < 0x80)
            text.push_back(static_cast<char16_t>(byte));
        else
            text.push_back(kWide[(byte - 0x80) % kWide.size()]);
    }
    return text;
}

// Reads a double from the input: either one of the values that break arithmetic, or eight raw bytes.
class NumberSource {
public:
    NumberSource(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    [[nodiscard]] bool empty() const { return m_position >= m_size; }

    std::uint8_t byte() { return m_position < m_size ? m_data[m_position++] : 0; }

    double number()
    {
        static constexpr double kSpecial[] = { 0.0, -0.0, 0.01, 0.009, 1, 1.05, 4.56, 12, 2005, 1e15, -1e15,
            1e300, -1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
            std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 3.5, 12.5,
            13 };
        const std::uint8_t selector = byte();
        if (selector < 0xC0)
            return kSpecial[selector % std::size(kSpecial)] + (selector >= 0x60 ? (selector - 0x60) : 0);
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | byte();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace psa::fuzzing
