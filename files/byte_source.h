#pragma once

#include "platform/toolkit.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace psa {

// Appends the UTF-16 form of `bytes` when they are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF); returns false otherwise.
[[nodiscard]] bool appendUtf8(std::string_view bytes, std::u16string &out);

// Bytes from the reader, a chunk at a time, with a few bytes of push-back.
class ByteSource {
public:
    static constexpr int kEnd = -1;

    explicit ByteSource(ByteReader &reader)
        : m_reader(reader)
    {
    }

    int get()
    {
        if (m_pushedBack > 0)
            return m_pushBack[--m_pushedBack];
        if (m_position == m_length && !refill())
            return kEnd;
        return static_cast<unsigned char>(m_buffer[m_position++]);
    }
    // Returns a byte that get() gave, so that the next get() gives it again; the end is never returned.
    void unget(int byte)
    {
        if (byte != kEnd && m_pushedBack < m_pushBack.size())
            m_pushBack[m_pushedBack++] = byte;
    }
    // Whether reading stopped at a read error rather than at the end, and why.
    [[nodiscard]] const Result<void> &status() const { return m_status; }

private:
    bool refill()
    {
        if (m_atEnd)
            return false;
        const Result<std::size_t> count = m_reader.read(m_buffer.data(), m_buffer.size());
        if (!count)
            m_status = Failure { count.reason() };
        else if (*count > m_buffer.size())
            m_status = Failure {};
        if (!count || *count == 0 || *count > m_buffer.size()) {
            m_atEnd = true;
            return false;
        }
        m_position = 0;
        m_length = *count;
        return true;
    }

    ByteReader &m_reader;
    std::array<char, 16 * 1024> m_buffer {};
    std::size_t m_position = 0;
    std::size_t m_length = 0;
    std::array<int, 4> m_pushBack {};
    std::size_t m_pushedBack = 0;
    bool m_atEnd = false;
    Result<void> m_status;
};

} // namespace psa
