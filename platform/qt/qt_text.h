#pragma once

#include <QString>

#include <string_view>

namespace psa {

// The program's UTF-16 texts as Qt strings (both are UTF-16: a plain copy).
[[nodiscard]] inline QString toQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace psa
