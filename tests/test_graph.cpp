#include "graph/graph.h"
#include "graph/graph_geometry.h"
#include "support/recording_surface.h"

#include <QtTest>

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

using psa::Colour;
using psa::Point;
using psa::Records;
using psa::testing::RecordingSurface;
using Call = RecordingSurface::Call;
using LineCall = RecordingSurface::LineCall;
using CircleCall = RecordingSurface::CircleCall;
using PrintCall = RecordingSurface::PrintCall;

using namespace Qt::StringLiterals;

using Rows = std::vector<std::array<double, 3>>; // year, month, PSA value
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(psa::Point)
Q_DECLARE_METATYPE(std::optional<psa::Point>)
Q_DECLARE_METATYPE(psa::Colour)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Calls before the month grid: Scale, 46 horizontal lines, 2 axis lines, 6 decade labels.
constexpr std::size_t kFrameCalls = 1 + 46 + 2 + 6;

Records recordsOf(const Rows &rows)
{
    Records records;
    int row = 0;
    for (const auto &[year, month, value] : rows) {
        ++row;
        records.RecordTable.set(row, psa::kYearColumn, year);
        records.RecordTable.set(row, psa::kMonthColumn, month);
        records.RecordTable.set(row, psa::kValueColumn, value);
    }
    records.RecordCount = row;
    return records;
}

RecordingSurface drawn(Records &records)
{
    RecordingSurface surface;
    psa::DrawGraph(records, surface);
    return surface;
}

double yOfPsa(double psa)
{
    return 250 + 100 * std::log10(psa);
}

bool near(double actual, double expected, double tolerance = 1e-9)
{
    if (std::isinf(expected))
        return actual == expected;
    return std::fabs(actual - expected) <= tolerance * std::max(1.0, std::fabs(expected));
}
bool near(Point actual, Point expected)
{
    return near(actual.x, expected.x) && near(actual.y, expected.y);
}

QString text(double value)
{
    return QString::number(value, 'g', 17);
}
QString text(Point p)
{
    return u"(%1, %2)"_s.arg(text(p.x), text(p.y));
}
QString text(std::optional<Colour> colour)
{
    if (!colour)
        return u"foreground"_s;
    return u"rgb(%1, %2, %3)"_s.arg(colour->red).arg(colour->green).arg(colour->blue);
}
QString text(const Call &call)
{
    if (const auto *line = std::get_if<LineCall>(&call))
        return u"Line %1-%2 %3"_s.arg(text(line->from), text(line->to), text(line->colour));
    if (const auto *circle = std::get_if<CircleCall>(&call))
        return u"Circle %1 r %2"_s.arg(text(circle->centre), text(circle->radius));
    if (const auto *print = std::get_if<PrintCall>(&call))
        return u"Print at %1 \"%2\""_s.arg(text(print->topLeft), QString::fromStdString(print->text));
    if (const auto *scale = std::get_if<RecordingSurface::ScaleCall>(&call))
        return u"Scale %1-%2"_s.arg(text(scale->upperLeft), text(scale->lowerRight));
    return u"Cls"_s;
}

// Equal but for rounding in the last digits of coordinates.
bool sameCall(const Call &actual, const Call &expected)
{
    if (actual.index() != expected.index())
        return false;
    if (const auto *line = std::get_if<LineCall>(&actual)) {
        const auto &want = std::get<LineCall>(expected);
        return near(line->from, want.from) && near(line->to, want.to) && line->colour == want.colour;
    }
    if (const auto *circle = std::get_if<CircleCall>(&actual)) {
        const auto &want = std::get<CircleCall>(expected);
        return near(circle->centre, want.centre) && circle->radius == want.radius;
    }
    if (const auto *print = std::get_if<PrintCall>(&actual)) {
        const auto &want = std::get<PrintCall>(expected);
        return near(print->topLeft, want.topLeft) && print->value == want.value && print->text == want.text;
    }
    return true;
}

// Compares a run of calls, reporting the first difference.
#define COMPARE_CALLS(actualBegin, actualEnd, expected)                                                      \
    do {                                                                                                     \
        const std::vector<Call> actualCalls_(actualBegin, actualEnd);                                        \
        const std::vector<Call> &expectedCalls_ = (expected);                                                \
        for (std::size_t k_ = 0; k_ < std::min(actualCalls_.size(), expectedCalls_.size()); ++k_)            \
            QVERIFY2(sameCall(actualCalls_[k_], expectedCalls_[k_]),                                         \
                qPrintable(u"call %1: %2, expected %3"_s.arg(k_).arg(                                        \
                    text(actualCalls_[k_]), text(expectedCalls_[k_]))));                                     \
        QCOMPARE(actualCalls_.size(), expectedCalls_.size());                                                \
    } while (false)

LineCall line(Point from, Point to, std::optional<Colour> colour)
{
    return { from, to, colour };
}
PrintCall print(Point topLeft, double value, const char *printed)
{
    return { topLeft, value, printed };
}
PrintCall print(Point topLeft, double value)
{
    return { topLeft, value, ' ' + QByteArray::number(value, 'f', 0).toStdString() + ' ' };
}

bool isVertical(const LineCall &l)
{
    return l.from.x == l.to.x;
}
bool isMonthLine(const LineCall &l)
{
    return isVertical(l) && l.colour == psa::kSilver;
}
bool isYearLine(const LineCall &l)
{
    return isVertical(l) && l.colour == psa::kBlack && l.from.y == 20 && l.from.x != 40;
}

// The calls of the month grid: everything after the frame up to the first marker.
std::vector<Call> monthGridCalls(const RecordingSurface &surface)
{
    auto begin = surface.calls.begin() + kFrameCalls;
    auto end = std::find_if(
        begin, surface.calls.end(), [](const Call &c) { return std::holds_alternative<CircleCall>(c); });
    return { begin, end };
}

std::uint64_t bitsOf(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    void maps_psa_to_y_data();
    void maps_psa_to_y();
    void maps_months_to_x();
    void month_step_data();
    void month_step();
    void clip_line_data();
    void clip_line();

    void horizontal_grid_data();
    void horizontal_grid();
    void frame_comes_first_in_order();
    void decade_labels_data();
    void decade_labels();
    void month_grid_data();
    void month_grid();
    void month_grid_sizes_data();
    void month_grid_sizes();

    void example_records();
    void value_labels_data();
    void value_labels();
    void low_values_are_plotted_at_the_floor_data();
    void low_values_are_plotted_at_the_floor();
    void series_order_and_segments();
    void drawing_changes_only_month_span_and_indices();
    void second_draw_repeats_the_first();
    void zero_span_data();
    void zero_span();
    void nothing_to_draw_without_records();
    void unplaceable_records_break_the_series_data();
    void unplaceable_records_break_the_series();

    void pathological_tables_stay_bounded_data();
    void pathological_tables_stay_bounded();
};

void TestGraph::maps_psa_to_y_data()
{
    QTest::addColumn<double>("psa");
    QTest::addColumn<double>("y");
    QTest::newRow("0.01 on the bottom axis") << 0.01 << 50.0;
    QTest::newRow("0.1") << 0.1 << 150.0;
    QTest::newRow("reference 0.2") << 0.2 << 180.10299956639812;
    QTest::newRow("1") << 1.0 << 250.0;
    QTest::newRow("reference 2") << 2.0 << 280.10299956639812;
    QTest::newRow("1000 at the top") << 1000.0 << 550.0;
    QTest::newRow("1e300 far above") << 1e300 << 30250.0;
    QTest::newRow("largest double, where 100 x value overflows")
        << DBL_MAX << 250 + 100 * std::log10(DBL_MAX);
    QTest::newRow("infinity cannot be placed") << kInf << kInf;
}

void TestGraph::maps_psa_to_y()
{
    QFETCH(double, psa);
    QFETCH(double, y);
    const auto geo = psa::GraphGeometry::withMonthStep(1);
    QVERIFY2(near(geo.yOfPsa(psa), y), qPrintable(text(geo.yOfPsa(psa))));
    QVERIFY(near(geo.PlotTop, 550));
}

void TestGraph::maps_months_to_x()
{
    const auto geo = psa::GraphGeometry::withMonthStep(850.0 / 24);
    QCOMPARE(geo.x(0), 40.0);
    QVERIFY(near(geo.x(3), 146.25));
    QVERIFY(near(geo.x(24), 890));
    QVERIFY(near(geo.x(-12), -385));
}

void TestGraph::month_step_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<QList<double>>("indices");
    QTest::addColumn<double>("step");
    QTest::newRow("24 months") << 24.0 << QList<double> { 0, 3, 24 } << 850.0 / 24;
    QTest::newRow("backwards span") << -12.0 << QList<double> { 0, -12 } << -850.0 / 12;
    QTest::newRow("one record") << 0.0 << QList<double> { 0 } << 0.0;
    QTest::newRow("span 0, a later row between") << 0.0 << QList<double> { 0, 12, 0 } << 850.0 / 12;
    QTest::newRow("span 0, an earlier row between") << 0.0 << QList<double> { 0, -24, 6, 0 } << 850.0 / 24;
    QTest::newRow("infinite span, finite rows spread") << kInf << QList<double> { 0, 3, kInf } << 850.0 / 3;
    QTest::newRow("NaN span, nothing to spread") << kNaN << QList<double> { 0, kNaN } << 0.0;
    QTest::newRow("span of a denormal month") << 5e-324 << QList<double> { 0, 5e-324 } << 0.0;
}

void TestGraph::month_step()
{
    QFETCH(double, span);
    QFETCH(QList<double>, indices);
    QFETCH(double, step);
    psa::RecordTable table;
    for (int i = 0; i < indices.size(); ++i)
        table.set(i + 1, psa::kMonthIndexColumn, indices[i]);
    table.set(int(indices.size()) + 1, psa::kMonthIndexColumn, 1e6); // beyond the rows: not looked at
    QVERIFY(near(psa::MonthStepFor(span, table, int(indices.size())), step));
}

void TestGraph::clip_line_data()
{
    QTest::addColumn<Point>("from");
    QTest::addColumn<Point>("to");
    QTest::addColumn<std::optional<Point>>("first");
    QTest::addColumn<std::optional<Point>>("last");
    const std::optional<Point> none;
    const double far = 1e17;
    const double cutY = 250 + (1910 - 146.25) * 29750 / (far - 146.25);
    QTest::newRow("inside") << Point { 40, 180.1 } << Point { 900, 180.1 }
                            << std::optional(Point { 40, 180.1 }) << std::optional(Point { 900, 180.1 });
    QTest::newRow("one point") << Point { 3, 4 } << Point { 3, 4 } << std::optional(Point { 3, 4 })
                               << std::optional(Point { 3, 4 });
    QTest::newRow("out on the right") << Point { 0, 0 } << Point { 4000, 0 } << std::optional(Point { 0, 0 })
                                      << std::optional(Point { 1910, 0 });
    QTest::newRow("out on both sides")
        << Point { 5000, 100 } << Point { -5000, 100 } << std::optional(Point { 1910, 100 })
        << std::optional(Point { -1000, 100 });
    QTest::newRow("above the box") << Point { 0, 2000 } << Point { 100, 2000 } << none << none;
    QTest::newRow("across the upper left corner")
        << Point { -2000, 0 } << Point { 0, 2000 } << std::optional(Point { -1000, 1000 })
        << std::optional(Point { -300, 1700 });
    QTest::newRow("beside the upper left corner") << Point { -3000, 0 } << Point { 0, 3000 } << none << none;
    QTest::newRow("to a point 1e17 away")
        << Point { 146.25, 250 } << Point { far, 30000 } << std::optional(Point { 146.25, 250 })
        << std::optional(Point { 1910, cutY });
    QTest::newRow("from a point 1e17 away")
        << Point { far, 30000 } << Point { 146.25, 250 } << std::optional(Point { 1910, cutY })
        << std::optional(Point { 146.25, 250 });
    QTest::newRow("from a far point on a diagonal")
        << Point { 1e300, 1e300 } << Point { 146.25, 250 } << std::optional(Point { 1596.25, 1700 })
        << std::optional(Point { 146.25, 250 });
    QTest::newRow("to a far point on a diagonal")
        << Point { 146.25, 250 } << Point { 1e300, 1e300 } << std::optional(Point { 146.25, 250 })
        << std::optional(Point { 1596.25, 1700 });
    QTest::newRow("from a far point on a diagonal, past the box")
        << Point { 1e300, 1e300 } << Point { -2000, -1896.25 } << std::optional(Point { 1596.25, 1700 })
        << std::optional(Point { -1000, -896.25 });
    QTest::newRow("between the largest doubles")
        << Point { DBL_MAX, 300 } << Point { -DBL_MAX, 300 } << std::optional(Point { 1910, 300 })
        << std::optional(Point { -1000, 300 });
    QTest::newRow("NaN end") << Point { kNaN, 0 } << Point { 0, 0 } << none << none;
    QTest::newRow("infinite end") << Point { 0, 0 } << Point { 0, kInf } << none << none;
}

void TestGraph::clip_line()
{
    QFETCH(Point, from);
    QFETCH(Point, to);
    QFETCH(std::optional<Point>, first);
    QFETCH(std::optional<Point>, last);
    const auto clipped = psa::ClipLine(from, to, psa::ClipBox {});
    QCOMPARE(clipped.has_value(), first.has_value());
    if (!clipped)
        return;
    QVERIFY2(near(clipped->first, *first), qPrintable(text(clipped->first)));
    QVERIFY2(near(clipped->second, *last), qPrintable(text(clipped->second)));
    if (psa::ClipBox {}.contains(from))
        QCOMPARE(bitsOf(clipped->first.y), bitsOf(from.y)); // an end inside is never recomputed
}

void TestGraph::horizontal_grid_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("gridValue");
    QTest::addColumn<Colour>("colour");
    int index = 0;
    for (double power = 1; power <= 10000; power *= 10) {
        for (int digit = 1; digit <= 9; ++digit) {
            const double g = digit * power;
            const Colour colour = digit == 1 ? psa::kBlack : (g == 20 || g == 200) ? psa::kRed : psa::kSilver;
            QTest::addRow("line %d: PSA %g", index, g / 100) << index << g << colour;
            ++index;
        }
    }
    QTest::addRow("line %d: PSA 1000", index) << index << 100000.0 << psa::kBlack;
}

void TestGraph::horizontal_grid()
{
    QFETCH(int, index);
    QFETCH(double, gridValue);
    QFETCH(Colour, colour);
    // The grid does not depend on the records.
    for (const Rows &rows :
        { Rows { { 2005, 6, 3 } }, Rows { { 2004, 11, 4 }, { 2005, 2, 0 }, { 2006, 11, 20 } } }) {
        Records records = recordsOf(rows);
        const RecordingSurface surface = drawn(records);
        const double y = 50 + 100 * std::log10(gridValue);
        COMPARE_CALLS(surface.calls.begin() + 1 + index, surface.calls.begin() + 2 + index,
            std::vector<Call> { line({ 40, y }, { 900, y }, colour) });
    }
}

void TestGraph::frame_comes_first_in_order()
{
    Records records = recordsOf({ { 2004, 11, 4 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    const RecordingSurface surface = drawn(records);
    QVERIFY(surface.calls.size() > kFrameCalls);
    const auto *scale = std::get_if<RecordingSurface::ScaleCall>(&surface.calls[0]);
    QVERIFY(scale);
    QCOMPARE(scale->upperLeft, (Point { 0, 700 }));
    QCOMPARE(scale->lowerRight, (Point { 910, 0 }));
    for (std::size_t k = 1; k <= 46; ++k)
        QVERIFY(std::holds_alternative<LineCall>(surface.calls[k]));
    COMPARE_CALLS(surface.calls.begin() + 47, surface.calls.begin() + 49,
        (std::vector<Call> {
            line({ 40, 20 }, { 40, 550 }, psa::kBlack), line({ 900, 50 }, { 900, 550 }, psa::kBlack) }));
}

void TestGraph::decade_labels_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("printed");
    QTest::newRow("0.01") << 0 << 55.0 << 0.01 << QByteArray(" 0.01 ");
    QTest::newRow("0.1") << 1 << 155.0 << 0.1 << QByteArray(" 0.1 ");
    QTest::newRow("1") << 2 << 255.0 << 1.0 << QByteArray(" 1 ");
    QTest::newRow("10") << 3 << 355.0 << 10.0 << QByteArray(" 10 ");
    QTest::newRow("100") << 4 << 455.0 << 100.0 << QByteArray(" 100 ");
    QTest::newRow("1000") << 5 << 555.0 << 1000.0 << QByteArray(" 1000 ");
}

void TestGraph::decade_labels()
{
    QFETCH(int, index);
    QFETCH(double, y);
    QFETCH(double, value);
    QFETCH(QByteArray, printed);
    Records records = recordsOf({ { 2005, 6, 3 } });
    const RecordingSurface surface = drawn(records);
    const auto *label = std::get_if<PrintCall>(&surface.calls[49 + std::size_t(index)]);
    QVERIFY(label);
    QVERIFY2(near(label->topLeft, { 5, y }), qPrintable(text(label->topLeft)));
    QVERIFY(near(label->value, value, 1e-15));
    QCOMPARE(QByteArray::fromStdString(label->text), printed);
}

void TestGraph::month_grid_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("months");
    QTest::addColumn<QList<int>>("januaries");
    QTest::addColumn<bool>("firstLabel");
    const double v = 5;
    QTest::newRow("January start") << Rows { { 2004, 1, v }, { 2006, 1, v } } << 24 << QList<int> { 12, 24 }
                                   << true;
    QTest::newRow("September start") << Rows { { 2004, 9, v }, { 2006, 9, v } } << 24 << QList<int> { 4, 16 }
                                     << true;
    QTest::newRow("October start") << Rows { { 2004, 10, v }, { 2006, 10, v } } << 24 << QList<int> { 3, 15 }
                                   << false;
    QTest::newRow("November start") << Rows { { 2004, 11, v }, { 2006, 11, v } } << 24 << QList<int> { 2, 14 }
                                    << false;
    QTest::newRow("December start") << Rows { { 2004, 12, v }, { 2006, 12, v } } << 24 << QList<int> { 1, 13 }
                                    << false;
    QTest::newRow("one month") << Rows { { 2004, 5, v }, { 2004, 6, v } } << 1 << QList<int> {} << true;
    QTest::newRow("backwards span") << Rows { { 2006, 5, v }, { 2005, 5, v } } << 0 << QList<int> {} << true;
    QTest::newRow("fractional span") << Rows { { 2004, 5, v }, { 2004, 7.5, v } } << 2 << QList<int> {}
                                     << true;
    // 3.5 + i - 1 rounds halves to even: 11.5 and 12.5 both give 12, 23.5 and 24.5 both 24.
    QTest::newRow("fractional month 3.5")
        << Rows { { 2004, 3.5, v }, { 2006, 3.5, v } } << 24 << QList<int> { 9, 10, 21, 22 } << true;
    QTest::newRow("month 13") << Rows { { 2004, 13, v }, { 2006, 13, v } } << 24 << QList<int> { 12, 24 }
                              << false;
    QTest::newRow("month 0") << Rows { { 2004, 0, v }, { 2006, 0, v } } << 24 << QList<int> { 1, 13 } << true;
    QTest::newRow("month -12") << Rows { { 2004, -12, v }, { 2005, -12, v } } << 12 << QList<int> { 1 }
                               << true;
    QTest::newRow("middle rows do not count")
        << Rows { { 2004, 11, v }, { 2010, 1, v }, { 2005, 2, v } } << 3 << QList<int> { 2 } << false;
}

void TestGraph::month_grid()
{
    QFETCH(Rows, rows);
    QFETCH(int, months);
    QFETCH(QList<int>, januaries);
    QFETCH(bool, firstLabel);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    const double year1 = rows.front()[0];
    const double step = 850 / records.MonthSpan;

    std::vector<Call> expected;
    if (firstLabel)
        expected.push_back(print({ 45, 40 }, year1));
    double year = year1;
    for (int i = 1; i <= months; ++i) {
        const double x = 40 + i * step;
        expected.push_back(line({ x, 50 }, { x, 550 }, psa::kSilver));
        if (januaries.contains(i)) {
            expected.push_back(line({ x, 20 }, { x, 550 }, psa::kBlack));
            expected.push_back(print({ x + 5, 40 }, ++year));
        }
    }
    const std::vector<Call> grid = monthGridCalls(surface);
    COMPARE_CALLS(grid.begin(), grid.end(), expected);
}

void TestGraph::month_grid_sizes_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("monthLines");
    QTest::addColumn<int>("yearLines");
    QTest::newRow("4096 months, one line each") << Rows { { 2000, 1, 1 }, { 2341, 5, 1 } } << 4096 << 341;
    QTest::newRow("4097 months, every third") << Rows { { 2000, 1, 1 }, { 2341, 6, 1 } } << 4097 / 3 << 341;
    QTest::newRow("1000 years, every eighth month")
        << Rows { { 2000, 1, 1 }, { 3000, 1, 1 } } << 1500 << 1000;
    QTest::newRow("1000 years from July") << Rows { { 2000, 7, 1 }, { 3000, 7, 1 } } << 1500 << 1000;
    QTest::newRow("year 1e15") << Rows { { 2004, 1, 1 }, { 1e15, 1, 1 } } << -1 << -1;
    QTest::newRow("year 1e300") << Rows { { 2004, 6, 1 }, { 1e300, 1, 1 } } << -1 << -1;
}

// However long the span, the month lines stand in order across the plot, the year lines fall on Januaries,
// and every year label names the year of its January.
void TestGraph::month_grid_sizes()
{
    QFETCH(Rows, rows);
    QFETCH(int, monthLines);
    QFETCH(int, yearLines);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    const std::vector<Call> grid = monthGridCalls(surface);
    const double year1 = rows.front()[0];
    const double month1 = rows.front()[1];
    const double step = 850 / records.MonthSpan;

    int months = 0;
    int years = 0;
    double lastMonthX = 40;
    double lastYearX = 40;
    double lastLabel = -kInf;
    for (const Call &call : grid) {
        if (const auto *l = std::get_if<LineCall>(&call)) {
            if (isMonthLine(*l)) {
                ++months;
                QVERIFY2(l->from.x > lastMonthX && l->from.x <= 890 + 1e-9, qPrintable(text(call)));
                lastMonthX = l->from.x;
            } else {
                QVERIFY2(isYearLine(*l), qPrintable(text(call)));
                ++years;
                QVERIFY2(l->from.x > lastYearX && l->from.x <= lastMonthX, qPrintable(text(call)));
                lastYearX = l->from.x;
            }
        } else if (const auto *p = std::get_if<PrintCall>(&call)) {
            QVERIFY(p->value > lastLabel);
            lastLabel = p->value;
            if (p->topLeft.x == 45)
                continue; // the first record's year
            QCOMPARE(p->topLeft.y, 40.0);
            QVERIFY(near(p->topLeft.x, lastYearX + 5));
            const double januaryIndex = (lastYearX - 40) / step;
            const double yearOfJanuary = year1 + (januaryIndex + month1 - 1) / 12;
            QVERIFY2(near(p->value, yearOfJanuary, 1e-6),
                qPrintable(text(p->value) + " vs " + text(yearOfJanuary)));
        }
    }
    if (monthLines >= 0) {
        QCOMPARE(months, monthLines);
        QCOMPARE(years, yearLines);
    } else {
        QVERIFY(months > 1000 && months <= 1701);
        QVERIFY(years > 100 && years <= months);
        QVERIFY(lastMonthX > 889);
    }
}

void TestGraph::example_records()
{
    Records records = recordsOf({ { 2004, 11, 4 }, { 2005, 2, 0.5 }, { 2006, 11, 20 } });
    const RecordingSurface surface = drawn(records);
    QCOMPARE(records.MonthSpan, 24.0);
    QCOMPARE(records.RecordTable.at(1, psa::kMonthIndexColumn), 0.0);
    QCOMPARE(records.RecordTable.at(2, psa::kMonthIndexColumn), 3.0);
    QCOMPARE(records.RecordTable.at(3, psa::kMonthIndexColumn), 24.0);
    const auto circles = surface.callsOf<CircleCall>();
    QCOMPARE(circles.size(), 3u);
    const Point expected[] = { { 40, yOfPsa(4) }, { 146.25, yOfPsa(0.5) }, { 890, yOfPsa(20) } };
    for (std::size_t k = 0; k < 3; ++k) {
        QVERIFY2(near(circles[k].centre, expected[k]), qPrintable(text(circles[k].centre)));
        QCOMPARE(circles[k].radius, 5.0);
    }
}

void TestGraph::value_labels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("printed"); // empty: no label
    QTest::newRow("exactly 1") << 1.0 << QByteArray();
    QTest::newRow("below 1") << 0.5 << QByteArray();
    QTest::newRow("1.05 truncates to 1") << 1.05 << QByteArray(" 1 ");
    QTest::newRow("4.56 truncates to 4.5") << 4.56 << QByteArray(" 4.5 ");
    QTest::newRow("12") << 12.0 << QByteArray(" 12 ");
    QTest::newRow("just above 1") << 1.0000001 << QByteArray(" 1 ");
    QTest::newRow("999.99") << 999.99 << QByteArray(" 999.9 ");
}

void TestGraph::value_labels()
{
    QFETCH(double, value);
    QFETCH(QByteArray, printed);
    Records records = recordsOf({ { 2004, 11, value } }); // November: no year label at the left
    const RecordingSurface surface = drawn(records);
    auto labels = surface.callsOf<PrintCall>();
    labels.erase(labels.begin(), labels.begin() + 6); // the decade labels
    if (printed.isEmpty()) {
        QVERIFY(labels.empty());
        return;
    }
    QCOMPARE(labels.size(), 1u);
    QCOMPARE(QByteArray::fromStdString(labels[0].text), printed);
    QVERIFY2(near(labels[0].topLeft, { 30, yOfPsa(value) + 40 }), qPrintable(text(labels[0].topLeft)));
}

void TestGraph::low_values_are_plotted_at_the_floor_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("zero (an empty cell)") << 0.0;
    QTest::newRow("negative") << -3.0;
    QTest::newRow("below 0.01") << 0.001;
    QTest::newRow("exactly 0.01") << 0.01;
    QTest::newRow("minus infinity") << -kInf;
}

void TestGraph::low_values_are_plotted_at_the_floor()
{
    QFETCH(double, value);
    Records records = recordsOf({ { 2004, 11, value }, { 2005, 2, value } });
    const RecordingSurface surface = drawn(records);
    const auto circles = surface.callsOf<CircleCall>();
    QCOMPARE(circles.size(), 2u);
    QCOMPARE(circles[0].centre.y, 50.0);
    QCOMPARE(circles[1].centre.y, 50.0);
    for (const PrintCall &label : surface.callsOf<PrintCall>())
        QVERIFY2(label.topLeft.x == 5 || label.topLeft.y == 40, qPrintable(text(label))); // no value labels
    const auto lines = surface.callsOf<LineCall>();
    QVERIFY(near(lines[lines.size() - 5].from, { 40, 50 }));
    QVERIFY(near(lines[lines.size() - 5].to, { 890, 50 }));
    // What the user typed stays in the table, to be saved as typed.
    QCOMPARE(bitsOf(records.RecordTable.at(1, psa::kValueColumn)), bitsOf(value));
    QCOMPARE(bitsOf(records.RecordTable.at(2, psa::kValueColumn)), bitsOf(value));
}

void TestGraph::series_order_and_segments()
{
    Records records = recordsOf({ { 2004, 11, 4.56 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    const RecordingSurface surface = drawn(records);
    const Point a { 40, yOfPsa(4.56) };
    const Point b { 146.25, 50 };
    const Point c { 890, yOfPsa(20) };
    const auto segment = [](Point p, Point q) {
        return std::vector<Call> { line(p, q, std::nullopt),
            line({ p.x, p.y + 1 }, { q.x, q.y + 1 }, std::nullopt),
            line({ p.x, p.y - 1 }, { q.x, q.y - 1 }, std::nullopt),
            line({ p.x + 1, p.y }, { q.x + 1, q.y }, std::nullopt),
            line({ p.x - 1, p.y }, { q.x - 1, q.y }, std::nullopt) };
    };
    std::vector<Call> expected { CircleCall { a, 5 }, print({ a.x - 10, a.y + 40 }, 4.5, " 4.5 "),
        CircleCall { b, 5 } };
    for (const Call &call : segment(a, b))
        expected.push_back(call);
    expected.push_back(CircleCall { c, 5 });
    expected.push_back(print({ c.x - 10, c.y + 40 }, 20, " 20 "));
    for (const Call &call : segment(b, c))
        expected.push_back(call);

    const auto firstMarker = std::find_if(surface.calls.begin(), surface.calls.end(),
        [](const Call &call) { return std::holds_alternative<CircleCall>(call); });
    COMPARE_CALLS(firstMarker, surface.calls.end(), expected);
}

void TestGraph::drawing_changes_only_month_span_and_indices()
{
    Records records = recordsOf({ { 2004, 11, 0 }, { 2005, 2, -1 }, { 2006, 11, 0.005 } });
    for (int row = 4; row <= psa::RecordTable::kRows; ++row)
        for (int column = 1; column <= psa::RecordTable::kColumns; ++column)
            records.RecordTable.set(row, column, row * 10 + column);
    records.LastCellIndex = 9;
    records.InputRow = 4;
    const Records before = records;
    RecordingSurface surface;
    psa::DrawGraph(records, surface);

    QCOMPARE(records.MonthSpan, 24.0);
    QCOMPARE(records.RecordCount, 3);
    QCOMPARE(records.LastCellIndex, 9);
    QCOMPARE(records.InputRow, 4);
    for (int row = 1; row <= psa::RecordTable::kRows; ++row)
        for (int column = 1; column <= psa::RecordTable::kColumns; ++column)
            if (row > 3 || column != psa::kMonthIndexColumn)
                QCOMPARE(records.RecordTable.at(row, column), before.RecordTable.at(row, column));
}

void TestGraph::second_draw_repeats_the_first()
{
    Records records = recordsOf({ { 2004, 11, 4 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    RecordingSurface surface;
    psa::DrawGraph(records, surface);
    const std::size_t once = surface.calls.size();
    psa::DrawGraph(records, surface);
    QCOMPARE(surface.calls.size(), 2 * once);
    COMPARE_CALLS(surface.calls.begin() + std::ptrdiff_t(once), surface.calls.end(),
        std::vector<Call>(surface.calls.begin(), surface.calls.begin() + std::ptrdiff_t(once)));
    QCOMPARE(records.RecordTable.at(2, psa::kValueColumn), 0.0);
}

void TestGraph::zero_span_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QList<double>>("xs");
    QTest::newRow("one record") << Rows { { 2005, 3, 2 } } << QList<double> { 40 };
    QTest::newRow("same month twice") << Rows { { 2005, 3, 2 }, { 2005, 3, 3 } } << QList<double> { 40, 40 };
    QTest::newRow("a later record between")
        << Rows { { 2005, 3, 2 }, { 2006, 3, 3 }, { 2005, 3, 4 } } << QList<double> { 40, 890, 40 };
    QTest::newRow("an earlier record between")
        << Rows { { 2005, 3, 2 }, { 2004, 3, 3 }, { 2005, 3, 4 } } << QList<double> { 40, -810, 40 };
    QTest::newRow("several between") << Rows { { 2005, 3, 2 }, { 2005, 9, 3 }, { 2006, 3, 4 },
        { 2005, 3, 5 } } << QList<double> { 40, 465, 890, 40 };
}

void TestGraph::zero_span()
{
    QFETCH(Rows, rows);
    QFETCH(QList<double>, xs);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    QCOMPARE(records.MonthSpan, 0.0);
    // The whole frame, the first record's year, then no month grid at all.
    QCOMPARE(surface.callsOf<PrintCall>().front().topLeft, (Point { 5, 55 }));
    const std::vector<Call> grid = monthGridCalls(surface);
    COMPARE_CALLS(grid.begin(), grid.end(), std::vector<Call> { print({ 45, 40 }, rows.front()[0]) });
    const auto circles = surface.callsOf<CircleCall>();
    QCOMPARE(circles.size(), std::size_t(xs.size()));
    for (qsizetype k = 0; k < xs.size(); ++k) {
        QVERIFY2(
            near(circles[std::size_t(k)].centre.x, xs[k]), qPrintable(text(circles[std::size_t(k)].centre)));
        QVERIFY(near(circles[std::size_t(k)].centre.y, yOfPsa(rows[std::size_t(k)][2])));
    }
}

void TestGraph::nothing_to_draw_without_records()
{
    Records records;
    records.MonthSpan = 7;
    QVERIFY(drawn(records).calls.empty());
    QCOMPARE(records.MonthSpan, 7.0);
}

void TestGraph::unplaceable_records_break_the_series_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("markers");
    QTest::addColumn<int>("segments");
    QTest::newRow("NaN value between")
        << Rows { { 2004, 1, 5 }, { 2005, 1, kNaN }, { 2006, 1, 7 } } << 2 << 0;
    QTest::newRow("infinite value between")
        << Rows { { 2004, 1, 5 }, { 2005, 1, kInf }, { 2006, 1, 7 } } << 2 << 0;
    QTest::newRow("infinite year between")
        << Rows { { 2004, 1, 5 }, { kInf, 1, 6 }, { 2006, 1, 7 } } << 2 << 0;
    QTest::newRow("NaN value last") << Rows { { 2004, 1, 5 }, { 2005, 1, 6 }, { 2006, 1, kNaN } } << 2 << 1;
    QTest::newRow("minus infinity is plotted at the floor")
        << Rows { { 2004, 1, 5 }, { 2005, 1, -kInf }, { 2006, 1, 7 } } << 3 << 2;
}

// A record whose point has no place leaves a gap: no marker and no band to or from it.
void TestGraph::unplaceable_records_break_the_series()
{
    QFETCH(Rows, rows);
    QFETCH(int, markers);
    QFETCH(int, segments);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    QCOMPARE(int(surface.callsOf<CircleCall>().size()), markers);
    const auto lines = surface.callsOf<LineCall>();
    const auto bands = std::count_if(lines.begin(), lines.end(), [](const LineCall &l) { return !l.colour; });
    QCOMPARE(int(bands), 5 * segments);
}

void TestGraph::pathological_tables_stay_bounded_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::newRow("year 1e15 last") << Rows { { 2004, 1, 5 }, { 1e15, 1, 6 } };
    QTest::newRow("year 1e15 between") << Rows { { 2004, 1, 5 }, { 1e15, 1, 6 }, { 2005, 1, 7 } };
    QTest::newRow("year -1e15 last") << Rows { { 2004, 1, 5 }, { -1e15, 1, 6 } };
    QTest::newRow("PSA 1e300") << Rows { { 2004, 1, 1e300 }, { 2005, 1, 5 }, { 2006, 1, 1e300 } };
    QTest::newRow("PSA largest double") << Rows { { 2004, 1, 5 }, { 2005, 1, DBL_MAX }, { 2006, 1, 0 } };
    QTest::newRow("years of the largest doubles")
        << Rows { { -DBL_MAX, 1, 5 }, { 0, 1, 6 }, { DBL_MAX, 1, 6 } };
    QTest::newRow("month 1e300 first") << Rows { { 2004, 1e300, 5 }, { 2005, 1, 6 } };
    QTest::newRow("NaN year first") << Rows { { kNaN, 1, 5 }, { 2005, 1, 6 } };
    QTest::newRow("NaN month last") << Rows { { 2004, 1, 5 }, { 2005, kNaN, 6 } };
    QTest::newRow("NaN PSA between") << Rows { { 2004, 1, 5 }, { 2005, 1, kNaN }, { 2006, 1, 7 } };
    QTest::newRow("infinite PSA") << Rows { { 2004, 1, kInf }, { 2005, 1, 6 } };
    QTest::newRow("infinite year between") << Rows { { 2004, 1, 5 }, { kInf, 1, 6 }, { 2006, 1, 7 } };
    QTest::newRow("denormal span") << Rows { { 2004, 0, 5 }, { 2004, 5e-324, 6 } };
    Rows alternating;
    Rows huge;
    for (int i = 0; i < psa::RecordTable::kRows; ++i) {
        alternating.push_back({ 2000.0 + i, double(i % 12 + 1), i % 2 ? 1e300 : 1e-300 });
        huge.push_back({ i % 2 ? 1e15 : -1e15, i % 3 ? DBL_MAX : 1.0, i % 5 ? DBL_MAX : 2.0 });
    }
    QTest::newRow("120 rows, huge and tiny values") << alternating;
    QTest::newRow("120 rows, huge years, months and values") << huge;
}

// Whatever the table holds, only finite coordinates inside the clip box reach the surface, only finite
// numbers are printed, the number of primitives stays bounded, and the typed values stay as they were.
void TestGraph::pathological_tables_stay_bounded()
{
    QFETCH(Rows, rows);
    Records records = recordsOf(rows);
    const Records before = records;
    const RecordingSurface surface = drawn(records);
    const psa::ClipBox box;
    const auto inBox
        = [&box](Point p) { return std::isfinite(p.x) && std::isfinite(p.y) && box.contains(p); };
    for (const Call &call : surface.calls) {
        if (const auto *l = std::get_if<LineCall>(&call))
            QVERIFY2(inBox(l->from) && inBox(l->to), qPrintable(text(call)));
        else if (const auto *c = std::get_if<CircleCall>(&call))
            QVERIFY2(inBox(c->centre) && c->radius == 5, qPrintable(text(call)));
        else if (const auto *p = std::get_if<PrintCall>(&call))
            QVERIFY2(inBox(p->topLeft) && std::isfinite(p->value), qPrintable(text(call)));
    }
    QVERIFY2(surface.calls.size() <= 6000, qPrintable(QString::number(surface.calls.size())));
    QVERIFY(surface.calls.size() >= kFrameCalls);
    for (int row = 1; row <= records.RecordCount; ++row)
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(bitsOf(records.RecordTable.at(row, column)), bitsOf(before.RecordTable.at(row, column)));
}

QTEST_GUILESS_MAIN(TestGraph)
#include "test_graph.moc"
