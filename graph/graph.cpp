#include "graph/graph.h"

#include "graph/graph_geometry.h"
#include "platform/clip.h"
#include "platform/toolkit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace psa {

namespace {

// Up to this many months every month gets its line and every January its year line and label, whatever the
// records' months look like. Beyond it the month lines would stand less than a pixel apart, so the grid is
// thinned out instead of drawing millions of invisible lines (a year typed as 1e15 spans about 1e16 months).
constexpr double kExactMonthGridLimit = 4096;
// In a thinned grid: the least distance between two month lines, and between two year labels.
constexpr double kMinMonthLineGap = 0.5;
constexpr double kMinYearLabelGap = 5;

constexpr double kLowestPlottedPsa = 0.01;
constexpr double kMarkerRadius = 5;
constexpr double kAxisFoot = 20; // the left axis and the year lines reach below the bottom axis
constexpr double kLabelLine = 40; // y of the year labels

// The surface as the graph draws on it: lines cut to the clip box, markers and texts outside it left out, and
// nothing that is not finite handed on.
class ClippedSurface {
public:
    explicit ClippedSurface(Surface &surface)
        : m_surface(surface)
    {
    }

    void line(Point from, Point to, std::optional<Colour> colour)
    {
        if (const auto clipped = clipLine(from, to, m_box))
            m_surface.Line(clipped->first, clipped->second, colour);
    }

    void circle(Point centre, double radius)
    {
        if (isFinite(centre) && m_box.contains(centre))
            m_surface.Circle(centre, radius);
    }

    // Prints the number with its text's upper-left corner at `topLeft`.
    void print(Point topLeft, double value)
    {
        if (!isFinite(topLeft) || !m_box.contains(topLeft) || !std::isfinite(value))
            return;
        m_surface.CurrentX(topLeft.x);
        m_surface.CurrentY(topLeft.y);
        m_surface.Print(value);
    }

private:
    Surface &m_surface;
    ClipBox m_box;
};

// MonthSpan and the MonthIndex column of rows 1 to n, months counted from row 1.
void computeMonthIndices(Records &records, int n)
{
    RecordTable &table = records.RecordTable;
    const double year1 = table.at(1, kYearColumn);
    const double month1 = table.at(1, kMonthColumn);
    records.MonthSpan = (table.at(n, kYearColumn) - year1) * 12 + table.at(n, kMonthColumn) - month1;
    table.set(1, kMonthIndexColumn, 0);
    for (int i = 2; i <= n; ++i)
        table.set(i, kMonthIndexColumn,
            (table.at(i, kYearColumn) - year1) * 12 + table.at(i, kMonthColumn) - month1);
}

// The 46 horizontal lines, bottom to top: at every 1 to 9 times a power of ten of the grid value (PSA in
// hundredths), black at the decades, red at the reference values PSA 0.2 and 2, silver elsewhere.
void drawHorizontalGrid(ClippedSurface &out, const GraphGeometry &geo)
{
    double power = 1;
    for (int decade = 0; decade < 5; ++decade, power *= 10) {
        for (int digit = 1; digit <= 9; ++digit) {
            const double gridValue = digit * power;
            const Colour colour = digit == 1            ? kBlack
                : (gridValue == 20 || gridValue == 200) ? kRed
                                                        : kSilver;
            const double y = geo.yOfGridValue(gridValue);
            out.line({ GraphGeometry::PlotLeft, y }, { GraphGeometry::PlotRight, y }, colour);
        }
    }
    out.line({ GraphGeometry::PlotLeft, geo.PlotTop }, { GraphGeometry::PlotRight, geo.PlotTop }, kBlack);
}

void drawAxesAndDecadeLabels(ClippedSurface &out, const GraphGeometry &geo)
{
    out.line({ GraphGeometry::PlotLeft, kAxisFoot }, { GraphGeometry::PlotLeft, geo.PlotTop }, kBlack);
    out.line({ GraphGeometry::PlotRight, GraphGeometry::PlotBottom },
        { GraphGeometry::PlotRight, geo.PlotTop }, kBlack);
    // Each label stands 5 units above its decade line, in the margin left of the axis.
    for (int i = 1; i <= 6; ++i) {
        const double y = 55 + (i - 1) * geo.LogScale * std::log(10.0);
        out.print({ 5, y }, 0.01 * std::pow(10.0, i - 1));
    }
}

void drawYearLine(ClippedSurface &out, const GraphGeometry &geo, double x)
{
    out.line({ x, kAxisFoot }, { x, geo.PlotTop }, kBlack);
}

// Every month i = 1 .. span gets a silver line; a month that falls on a January (month1 + i - 1 rounded,
// halves to even, a multiple of 12) also gets a black year line and the label of the year that starts there.
void drawExactMonthGrid(
    ClippedSurface &out, const GraphGeometry &geo, double span, double month1, double yearCursor)
{
    const auto months = static_cast<int>(std::floor(span)); // at most kExactMonthGridLimit
    for (int month = 1; month <= months; ++month) {
        const double i = month;
        const double x = geo.x(i);
        out.line({ x, GraphGeometry::PlotBottom }, { x, geo.PlotTop }, kSilver);
        if (std::fmod(std::nearbyint(month1 + i - 1), 12) == 0) {
            drawYearLine(out, geo, x);
            out.print({ x + 5, kLabelLine }, yearCursor + 1);
            yearCursor += 1;
        }
    }
}

// For spans too long for a line per month: month lines at whole jumps of months at least kMinMonthLineGap
// apart. A jump that passes one or more Januaries gets one year line, at its last January, labelled with the
// year that starts there (the years of the Januaries passed are counted); labels crowding the previous one
// are left out.
void drawThinnedMonthGrid(ClippedSurface &out, const GraphGeometry &geo, double span, double month1,
    double yearCursor, double lastLabelX)
{
    const double jump = std::ceil(kMinMonthLineGap / geo.MonthStep);
    const auto lines = static_cast<long long>(std::floor(span / jump));
    // Month index i falls in a January when base + i is a multiple of 12.
    const double base = std::nearbyint(month1) - 1;
    const auto januariesUpTo = [base](double index) { return std::floor((base + index) / 12); };

    double previous = 0;
    for (long long line = 1; line <= lines; ++line) {
        const double i = static_cast<double>(line) * jump;
        const double x = geo.x(i);
        out.line({ x, GraphGeometry::PlotBottom }, { x, geo.PlotTop }, kSilver);
        const double januaries = januariesUpTo(i) - januariesUpTo(previous);
        if (januaries > 0) {
            const double lastJanuary = std::clamp(12 * januariesUpTo(i) - base, previous, i);
            const double yearX = geo.x(lastJanuary);
            drawYearLine(out, geo, yearX);
            yearCursor += januaries;
            if (yearX + 5 - lastLabelX >= kMinYearLabelGap) {
                out.print({ yearX + 5, kLabelLine }, yearCursor);
                lastLabelX = yearX + 5;
            }
        }
        previous = i;
    }
}

// The year of the first record at the left when it does not start in October or later, then the month and
// year grid. No grid when the span is not a whole month or more, or not a finite number.
void drawMonthGrid(ClippedSurface &out, const GraphGeometry &geo, double span, double year1, double month1)
{
    double lastLabelX = -std::numeric_limits<double>::infinity();
    if (month1 < 10) {
        out.print({ GraphGeometry::PlotLeft + 5, kLabelLine }, year1);
        lastLabelX = GraphGeometry::PlotLeft + 5;
    }
    if (!std::isfinite(span) || span < 1)
        return;
    if (span <= kExactMonthGridLimit)
        drawExactMonthGrid(out, geo, span, month1, year1);
    else
        drawThinnedMonthGrid(out, geo, span, month1, year1, lastLabelX);
}

// Each record's marker, its value label when above 1, and the band from the previous record's point, in table
// order. Values below 0.01 are plotted at 0.01; the table keeps what was typed. A record whose point cannot
// be placed (a value or month index that is not finite) is left out, and so are the bands to and from it.
void drawSeries(ClippedSurface &out, const GraphGeometry &geo, const RecordTable &table, int n)
{
    std::optional<Point> previous;
    for (int i = 1; i <= n; ++i) {
        const double typed = table.at(i, kValueColumn);
        const double v = typed < kLowestPlottedPsa ? kLowestPlottedPsa : typed; // NaN stays NaN: not placed
        const Point point { geo.x(table.at(i, kMonthIndexColumn)), geo.yOfPsa(v) };
        if (!isFinite(point)) {
            previous.reset();
            continue;
        }
        out.circle(point, kMarkerRadius);
        if (v > 1) // truncated to tenths: 4.56 shows as 4.5
            out.print({ point.x - 10, point.y + 40 }, std::trunc(v * 10) / 10);
        if (previous) {
            const Point p = *previous;
            out.line(p, point, std::nullopt);
            out.line({ p.x, p.y + 1 }, { point.x, point.y + 1 }, std::nullopt);
            out.line({ p.x, p.y - 1 }, { point.x, point.y - 1 }, std::nullopt);
            out.line({ p.x + 1, p.y }, { point.x + 1, point.y }, std::nullopt);
            out.line({ p.x - 1, p.y }, { point.x - 1, point.y }, std::nullopt);
        }
        previous = point;
    }
}

} // namespace

GraphGeometry GraphGeometry::withMonthStep(double monthStep)
{
    GraphGeometry geo {};
    geo.LogScale = 100 / std::log(10.0);
    geo.PlotTop = PlotBottom + geo.LogScale * std::log(100000.0);
    geo.MonthStep = monthStep;
    return geo;
}

double GraphGeometry::yOfGridValue(double gridValue) const
{
    return PlotBottom + LogScale * std::log(gridValue);
}

double GraphGeometry::yOfPsa(double psa) const
{
    const double gridValue = 100 * psa;
    if (std::isinf(gridValue) && std::isfinite(psa)) // beyond about 1.8e306
        return PlotBottom + LogScale * (std::log(100.0) + std::log(psa));
    return yOfGridValue(gridValue);
}

double monthStepFor(double monthSpan, const RecordTable &table, int rows)
{
    const double step = GraphGeometry::kMonthRange / monthSpan;
    if (std::isfinite(step) && step != 0)
        return step;
    double widest = 0;
    for (int i = 1; i <= rows; ++i) {
        const double index = std::fabs(table.at(i, kMonthIndexColumn));
        if (std::isfinite(index))
            widest = std::max(widest, index);
    }
    const double spread = GraphGeometry::kMonthRange / widest;
    return std::isfinite(spread) ? spread : 0;
}

void drawGraph(Records &records, Surface &surface)
{
    // Rows beyond the table do not exist; a count of 0 draws nothing.
    const int n = std::min(records.RecordCount, RecordTable::kRows);
    if (n < 1)
        return;

    computeMonthIndices(records, n);
    surface.Scale({ 0, 700 }, { 910, 0 });
    ClippedSurface out(surface);

    const GraphGeometry frame = GraphGeometry::withMonthStep(0);
    drawHorizontalGrid(out, frame);
    drawAxesAndDecadeLabels(out, frame);

    const RecordTable &table = records.RecordTable;
    const GraphGeometry geo = GraphGeometry::withMonthStep(monthStepFor(records.MonthSpan, table, n));
    drawMonthGrid(out, geo, records.MonthSpan, table.at(1, kYearColumn), table.at(1, kMonthColumn));
    drawSeries(out, geo, table, n);
}

} // namespace psa
