#pragma once

#include "records/record_table.h"

#include <string>

namespace psa {

// What a screen reader says about the picture: how many records the graph shows, the month of the first and
// of the last, and the last value; or that nothing is drawn. `drawn` tells whether the picture holds a
// drawing; `records` are the ones it was drawn from. A count outside the table reads as nothing drawn.
[[nodiscard]] std::u16string graphDescription(const Records &records, bool drawn);

} // namespace psa
