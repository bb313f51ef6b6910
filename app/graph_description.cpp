#include "app/graph_description.h"

#include "numbers/str_form.h"
#include "platform/form1_design.h"

namespace psa {

namespace {

// A number as the grid shows it, without the blank that stands for the sign.
std::u16string number(double value)
{
    const std::string text = Str(value);
    const std::size_t start = text.starts_with(' ') ? 1 : 0;
    return { text.begin() + std::ptrdiff_t(start), text.end() };
}

void appendMonth(std::u16string &text, const RecordTable &table, int row)
{
    text.append(number(table.at(row, kYearColumn))).append(u"年");
    text.append(number(table.at(row, kMonthColumn))).append(u"月");
}

} // namespace

std::u16string graphDescription(const Records &records, bool drawn)
{
    std::u16string text(design::kPicture1Description);
    const int count = records.RecordCount;
    if (!drawn || count < 1 || count > RecordTable::kRows)
        return text.append(u"。何も描かれていません");
    const RecordTable &table = records.RecordTable;
    text.append(u"。記録").append(number(count)).append(u"件、");
    appendMonth(text, table, 1);
    if (count > 1) {
        text.append(u"から");
        appendMonth(text, table, count);
        text.append(u"まで");
    }
    return text.append(u"、最後の値 ").append(number(table.at(count, kValueColumn)));
}

} // namespace psa
