#pragma once

#include "records/record_table.h"

namespace psa {

class Surface;

// Draws the graph of rows 1 to RecordCount on the surface, over whatever it already shows: the logical
// coordinates (0, 700)-(910, 0), the logarithmic grid with its reference lines, the axes and labels, the
// month and year grid, then each record's marker, value label and connecting segment. Writes MonthSpan and
// the MonthIndex column of the drawn rows; leaves every other value of the table as it was (values below
// 0.01 are plotted at 0.01 without being changed). Draws nothing when RecordCount is below 1; counts above
// the table's 120 rows draw the 120. Any numbers in the table give a bounded number of calls on the surface,
// all with finite coordinates near the drawing area.
void drawGraph(Records &records, Surface &surface);

} // namespace psa
