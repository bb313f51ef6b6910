#include "app/grid_entry.h"

#include "numbers/val.h"
#include "platform/toolkit.h"
#include "records/cells.h"

namespace psa {

void ClearRecords(Records &records, Window &window)
{
    for (int row = 1; row <= kGridRows; ++row) {
        records.RecordTable.set(row, kYearColumn, 0);
        records.RecordTable.set(row, kMonthColumn, 0);
        records.RecordTable.set(row, kValueColumn, 0);
        for (int column = 1; column <= kGridColumns; ++column)
            window.setCellText(indexOf({ row, column }), u"");
    }
    records.RecordCount = 0;
    records.LastCellIndex = 0;
}

void storeCellChange(Records &records, int index, std::u16string_view text)
{
    const Cell cell = cellOf(index);
    records.RecordTable.set(cell.row, cell.column, Val(text));
    if (cell.row > records.RecordCount)
        records.RecordCount = cell.row;
}

void readGridIntoTable(Records &records, const Window &window)
{
    int index = 1;
    records.InputRow = 1;
    // The grid has no cell after 105: a grid filled to the last row ends the reading there.
    while (records.InputRow <= kGridRows && !window.cellText(index).empty()) {
        for (int column = 1; column <= kGridColumns; ++column)
            records.RecordTable.set(records.InputRow, column, Val(window.cellText(index++)));
        ++records.InputRow;
    }
    records.RecordCount = records.InputRow - 1;
}

} // namespace psa
