#pragma once

#include <string>
#include <string_view>

namespace psa {

// The program's UTF-16 text as Windows' wide characters, which are UTF-16 too, and back.
[[nodiscard]] inline std::wstring toWide(std::u16string_view text)
{
    return { text.begin(), text.end() };
}
[[nodiscard]] inline std::u16string toUtf16(std::wstring_view text)
{
    return { text.begin(), text.end() };
}

} // namespace psa
