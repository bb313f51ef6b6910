#include "records/record_table.h"

#include <stdexcept>
#include <string>

namespace psa {

int RecordTable::offsetOf(int row, int column)
{
    if (row < 1 || row > kRows || column < 1 || column > kColumns)
        throw std::out_of_range("RecordTable(" + std::to_string(row) + ", " + std::to_string(column)
            + ") is outside 1..120 x 1..4");
    return (row - 1) * kColumns + (column - 1);
}

double RecordTable::at(int row, int column) const
{
    return m_values[static_cast<std::size_t>(offsetOf(row, column))];
}

void RecordTable::set(int row, int column, double value)
{
    m_values[static_cast<std::size_t>(offsetOf(row, column))] = value;
}

} // namespace psa
