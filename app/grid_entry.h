#pragma once

#include "records/record_table.h"

#include <string_view>

namespace psa {

class Window;

// Empties rows 1 to 35 (year, month and value) and all 105 cells, then sets RecordCount and LastCellIndex to
// 0. MonthIndex, rows 36 to 120, MonthSpan and InputRow are kept. Cell changes it causes are handled by the
// window's owner as they happen.
void ClearRecords(Records &records, Window &window);

// What a change of cell `index` (1 to 105) does to the records: the cell's Val goes into its table place,
// and RecordCount rises to the cell's row when that row is beyond it. It never falls here: correcting an
// earlier row must not drop the records after it.
void storeCellChange(Records &records, int index, std::u16string_view text);

// "End input": reads the grid row by row into the table until the first row whose year cell is exactly
// empty, at most all 35 rows, and sets RecordCount to the number of rows read.
void readGridIntoTable(Records &records, const Window &window);

} // namespace psa
