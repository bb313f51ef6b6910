#pragma once

#include "platform/clip.h"

#include <optional>
#include <utility>

namespace psa {

class RecordTable;

// Where things stand on the graph, in the logical coordinates (0, 700)-(910, 0) that the graph gives its
// surface: x counts months from the first record, y is logarithmic in the PSA value, 100 units per decade.
struct GraphGeometry {
    static constexpr double PlotLeft = 40; // x of month index 0, the left axis
    static constexpr double PlotRight = 900; // the right border, where the horizontal grid ends
    static constexpr double PlotBottom = 50; // y of PSA 0.01, the bottom axis
    static constexpr double kMonthRange = 850; // the span of the records runs from PlotLeft to x 890

    // y units per unit of natural logarithm; computed, so that every decade is exactly as far as ln 10 gives.
    double LogScale;
    // y of PSA 1000, the top of the grid.
    double PlotTop;
    // x units per month.
    double MonthStep;

    // The layout for the given month step (850 / MonthSpan for an ordinary span).
    [[nodiscard]] static GraphGeometry withMonthStep(double monthStep);

    // x of a month index. Not finite when the index or the step is not.
    [[nodiscard]] double x(double monthIndex) const { return PlotLeft + monthIndex * MonthStep; }
    // y of a grid value (PSA in hundredths, 1 to 100000).
    [[nodiscard]] double yOfGridValue(double gridValue) const;
    // y of a PSA value of at least 0.01; stays finite for every finite value, also where 100 x value
    // overflows. Not finite for an infinite or NaN value.
    [[nodiscard]] double yOfPsa(double psa) const;
};

// The x units per month for the rows 1 to `rows`, whose MonthIndex column is filled: 850 / monthSpan when
// that is a usable scale. When it is not (a span of 0 months, or a span so large or small that the step is 0
// or not finite), the rows are spread by their largest finite |MonthIndex| instead, so that every row dated
// differently from the first stays apart from it in table order; 0 when every index is 0, which puts all the
// points on the left axis.
[[nodiscard]] double monthStepFor(double monthSpan, const RecordTable &table, int rows);

} // namespace psa
