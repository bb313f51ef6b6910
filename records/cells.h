#pragma once

namespace psa {

// The grid has 35 rows of year, month and PSA value cells, numbered 1 to 105 row by row.
inline constexpr int kGridRows = 35;
inline constexpr int kGridColumns = 3;
inline constexpr int kCellCount = kGridRows * kGridColumns;

struct Cell {
    int row;
    int column;
};

constexpr Cell cellOf(int index)
{
    return { (index - 1) / 3 + 1, (index - 1) % 3 + 1 };
}
constexpr int indexOf(Cell cell)
{
    return 3 * (cell.row - 1) + cell.column;
}

static_assert(cellOf(1).row == 1 && cellOf(1).column == 1);
static_assert(cellOf(4).row == 2 && cellOf(4).column == 1);
static_assert(cellOf(104).row == 35 && cellOf(104).column == 2);
static_assert(cellOf(105).row == 35 && cellOf(105).column == 3 && indexOf({ 35, 3 }) == 105);

} // namespace psa
