#pragma once

#include "records/record_table.h"

namespace psa {

class Surface;

// Draws the graph of rows 1 to RecordCount on the surface, over whatever it already shows: the logical
// coordinates (0, 700)-(910, 0), the logarithmic grid with its reference lines, the axes and labels, the
// month and year grid, then each record's marker, value label and connecting segment. Writes MonthSpan and
// the MonthIndex column of the drawn rows; leaves every other value of the table as it was (values below
// 0.01 are plotted at 0.01 without being changed). RecordCount must be 1 to 120.
void DrawGraph(Records &records, Surface &surface);

} // namespace psa
