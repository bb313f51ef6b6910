#pragma once

#include <QString>

#include <string>

namespace psa::testing {

// `count` records, a month apart from 2004 on, PSA rising from 4.2, as the record file writes them.
inline std::string recordsText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral(" %1, %2, %3\r\n")
                    .arg(2004 + i / 12)
                    .arg(i % 12 + 1)
                    .arg(4.2 + i)
                    .toStdString();
    return text;
}

} // namespace psa::testing
