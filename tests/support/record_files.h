#pragma once

#include <QString>

#include <string>

namespace psa::testing {

// `count` records, a month apart from 2004 on, PSA rising from 4.2, as the record file writes them.
inline std::string recordsText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += QString::asprintf(" %d, %d, %g\r\n", 2004 + i / 12, i % 12 + 1, 4.2 + i).toStdString();
    return text;
}

} // namespace psa::testing
