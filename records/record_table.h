#pragma once

#include <array>

namespace psa {

// The measurements of one window: 120 rows of year, month, PSA value and MonthIndex, indexed from 1 on both
// axes. Only rows 1 to 35 are shown in the grid. Every access checks both indices and throws
// std::out_of_range for a row outside 1..120 or a column outside 1..4; nothing is clamped or wrapped.
class RecordTable {
public:
    static constexpr int kRows = 120;
    static constexpr int kColumns = 4;

    [[nodiscard]] double at(int row, int column) const;
    void set(int row, int column, double value);

private:
    static int offsetOf(int row, int column);
    std::array<double, kRows * kColumns> m_values {};
};

inline constexpr int kYearColumn = 1;
inline constexpr int kMonthColumn = 2;
inline constexpr int kValueColumn = 3;
inline constexpr int kMonthIndexColumn = 4;

// The table with its counters, as the window owns them.
struct Records {
    ::psa::RecordTable RecordTable;
    // Rows 1 to RecordCount are the data.
    int RecordCount = 0;
    // Months from row 1 to row RecordCount, set when the graph is drawn.
    double MonthSpan = 0;
    // The last cell a file load filled (3 x the records loaded); "add or modify" continues after it.
    int LastCellIndex = 0;
    // Row cursor of "end input" while it reads the grid.
    int InputRow = 0;
};

} // namespace psa
