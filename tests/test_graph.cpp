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
using Rows = std::vector<std::array<double, 3>>; // year, month, PSA value
using MaybePoint = std::optional<Point>;

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(psa::Point)
Q_DECLARE_METATYPE(MaybePoint)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Scale, 46 horizontal lines, 2 axis lines, 6 decade labels: the calls before the month grid.
constexpr std::ptrdiff_t kFrameCalls = 55;

Records recordsOf(const Rows &rows)
{
    Records records;
    for (const auto &[year, month, value] : rows) {
        ++records.RecordCount;
        records.RecordTable.set(records.RecordCount, psa::kYearColumn, year);
        records.RecordTable.set(records.RecordCount, psa::kMonthColumn, month);
        records.RecordTable.set(records.RecordCount, psa::kValueColumn, value);
    }
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
std::uint64_t bitsOf(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

bool near(double actual, double expected)
{
    return actual == expected || std::fabs(actual - expected) <= 1e-9 * std::max(1.0, std::fabs(expected));
}
bool near(Point actual, Point expected)
{
    return near(actual.x, expected.x) && near(actual.y, expected.y);
}

QString describe(Point p)
{
    return QString("(%1, %2)").arg(p.x, 0, 'g', 17).arg(p.y, 0, 'g', 17);
}
QString describe(const Call &call)
{
    if (const auto *l = std::get_if<LineCall>(&call))
        return "Line " + describe(l->from) + "-" + describe(l->to)
            + (l->colour
                    ? QString(" rgb %1,%2,%3").arg(l->colour->red).arg(l->colour->green).arg(l->colour->blue)
                    : QString(" foreground"));
    if (const auto *c = std::get_if<CircleCall>(&call))
        return "Circle " + describe(c->centre) + " r " + QString::number(c->radius);
    if (const auto *p = std::get_if<PrintCall>(&call))
        return "Print " + describe(p->topLeft) + " \"" + QString::fromStdString(p->text) + "\"";
    return "Scale or Cls";
}

// Equal but for rounding in the last digits of coordinates.
bool sameCall(const Call &actual, const Call &expected)
{
    if (actual.index() != expected.index())
        return false;
    if (const auto *l = std::get_if<LineCall>(&actual)) {
        const auto &want = std::get<LineCall>(expected);
        return near(l->from, want.from) && near(l->to, want.to) && l->colour == want.colour;
    }
    if (const auto *c = std::get_if<CircleCall>(&actual))
        return near(c->centre, std::get<CircleCall>(expected).centre) && c->radius == 5;
    if (const auto *p = std::get_if<PrintCall>(&actual)) {
        const auto &want = std::get<PrintCall>(expected);
        return near(p->topLeft, want.topLeft) && p->value == want.value && p->text == want.text;
    }
    return true;
}

// Compares a run of calls with the expected ones, reporting the first difference.
#define COMPARE_CALLS(actualBegin, actualEnd, expected)                                                      \
    do {                                                                                                     \
        const std::vector<Call> got_(actualBegin, actualEnd), want_(expected);                               \
        for (std::size_t k_ = 0; k_ < std::min(got_.size(), want_.size()); ++k_)                             \
            QVERIFY2(sameCall(got_[k_], want_[k_]),                                                          \
                qPrintable(QString("call %1: %2, expected %3")                                               \
                               .arg(k_)                                                                      \
                               .arg(describe(got_[k_]), describe(want_[k_]))));                              \
        QCOMPARE(got_.size(), want_.size());                                                                 \
    } while (false)

LineCall line(Point from, Point to, std::optional<Colour> colour = std::nullopt)
{
    return { from, to, colour };
}
PrintCall print(Point topLeft, double value, const char *text)
{
    return { topLeft, value, text };
}
PrintCall printYear(Point topLeft, double year)
{
    return { topLeft, year, ' ' + QByteArray::number(year, 'f', 0).toStdString() + ' ' };
}
CircleCall marker(Point centre)
{
    return { centre, 5 };
}

bool isCircle(const Call &call)
{
    return std::holds_alternative<CircleCall>(call);
}
// The month grid's calls: after the frame, up to the first marker.
std::vector<Call> monthGridCalls(const RecordingSurface &s)
{
    return { s.calls.begin() + kFrameCalls,
        std::find_if(s.calls.begin() + kFrameCalls, s.calls.end(), isCircle) };
}

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    void maps_psa_to_y_data();
    void maps_psa_to_y();
    void month_step_data();
    void month_step();
    void clip_line_data();
    void clip_line();
    void frame();
    void month_grid_data();
    void month_grid();
    void long_month_grids_data();
    void long_month_grids();
    void example_records();
    void series_order_and_segments();
    void value_labels_data();
    void value_labels();
    void low_values_are_plotted_at_the_floor_data();
    void low_values_are_plotted_at_the_floor();
    void second_draw_repeats_the_first();
    void record_counts_out_of_range();
    void zero_span_data();
    void zero_span();
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
    QTest::newRow("1000 at the top") << 1000.0 << 550.0;
    QTest::newRow("1e300 far above") << 1e300 << 30250.0;
    QTest::newRow("largest double: 100 x value overflows") << DBL_MAX << 250 + 100 * std::log10(DBL_MAX);
    QTest::newRow("infinity has no place") << kInf << kInf;
}

void TestGraph::maps_psa_to_y()
{
    QFETCH(double, psa);
    QFETCH(double, y);
    const auto geo = psa::GraphGeometry::withMonthStep(1);
    QVERIFY2(near(geo.yOfPsa(psa), y), qPrintable(QString::number(geo.yOfPsa(psa), 'g', 17)));
    QVERIFY(near(geo.PlotTop, 550));
}

void TestGraph::month_step_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<QList<double>>("indices");
    QTest::addColumn<double>("step");
    QTest::newRow("span 0, later row between") << 0.0 << QList<double> { 0, 12, 0 } << 850.0 / 12;
    QTest::newRow("span 0, earlier row between") << 0.0 << QList<double> { 0, -24, 6, 0 } << 850.0 / 24;
    QTest::newRow("infinite span, finite rows") << kInf << QList<double> { 0, 3, kInf } << 850.0 / 3;
    QTest::newRow("NaN span") << kNaN << QList<double> { 0, kNaN } << 0.0;
    QTest::newRow("denormal span") << 5e-324 << QList<double> { 0, 5e-324 } << 0.0;
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
    QTest::addColumn<MaybePoint>("first");
    QTest::addColumn<MaybePoint>("last");
    const MaybePoint none;
    const double cutY = 250 + 1763.75 * 29750 / (1e17 - 146.25);
    const auto row = [](const char *name, Point from, Point to, MaybePoint first, MaybePoint last) {
        QTest::newRow(name) << from << to << first << last;
    };
    row("inside", { 40, 180.1 }, { 900, 180.1 }, Point { 40, 180.1 }, Point { 900, 180.1 });
    row("one point", { 3, 4 }, { 3, 4 }, Point { 3, 4 }, Point { 3, 4 });
    row("out on the right", { 0, 0 }, { 4000, 0 }, Point { 0, 0 }, Point { 1910, 0 });
    row("out on both sides", { 5000, 100 }, { -5000, 100 }, Point { 1910, 100 }, Point { -1000, 100 });
    row("above the box", { 0, 2000 }, { 100, 2000 }, none, none);
    row("across a corner", { -2000, 0 }, { 0, 2000 }, Point { -1000, 1000 }, Point { -300, 1700 });
    row("beside a corner", { -3000, 0 }, { 0, 3000 }, none, none);
    row("to a point 1e17 away", { 146.25, 250 }, { 1e17, 30000 }, Point { 146.25, 250 },
        Point { 1910, cutY });
    row("from a point 1e17 away", { 1e17, 30000 }, { 146.25, 250 }, Point { 1910, cutY },
        Point { 146.25, 250 });
    row("from far on a diagonal", { 1e300, 1e300 }, { 146.25, 250 }, Point { 1596.25, 1700 },
        Point { 146.25, 250 });
    row("to far on a diagonal", { 146.25, 250 }, { 1e300, 1e300 }, Point { 146.25, 250 },
        Point { 1596.25, 1700 });
    row("from far, through the box", { 1e300, 1e300 }, { -2000, -1896.25 }, Point { 1596.25, 1700 },
        Point { -1000, -896.25 });
    row("between the largest doubles", { DBL_MAX, 300 }, { -DBL_MAX, 300 }, Point { 1910, 300 },
        Point { -1000, 300 });
    row("NaN end", { kNaN, 0 }, { 0, 0 }, none, none);
    row("infinite end", { 0, 0 }, { 0, kInf }, none, none);
}

void TestGraph::clip_line()
{
    QFETCH(Point, from);
    QFETCH(Point, to);
    QFETCH(MaybePoint, first);
    QFETCH(MaybePoint, last);
    const auto clipped = psa::ClipLine(from, to, psa::ClipBox {});
    QCOMPARE(clipped.has_value(), first.has_value());
    if (!clipped)
        return;
    QVERIFY2(near(clipped->first, *first), qPrintable(describe(clipped->first)));
    QVERIFY2(near(clipped->second, *last), qPrintable(describe(clipped->second)));
    if (psa::ClipBox {}.contains(from))
        QCOMPARE(bitsOf(clipped->first.y), bitsOf(from.y)); // an end inside is never recomputed
}

// Whatever the records: the coordinates, the 46 horizontal lines bottom to top, the axes, the decade labels.
void TestGraph::frame()
{
    std::vector<Call> expected { RecordingSurface::ScaleCall { { 0, 700 }, { 910, 0 } } };
    for (const double decade : { 1, 10, 100, 1000, 10000 }) {
        for (int digit = 1; digit <= 9; ++digit) {
            const double y = 50 + 100 * std::log10(digit * decade);
            const bool red = digit == 2 && (decade == 10 || decade == 100); // PSA 0.2 and 2
            expected.push_back(line({ 40, y }, { 900, y },
                digit == 1 ? psa::kBlack
                    : red  ? psa::kRed
                           : psa::kSilver));
        }
    }
    expected.push_back(line({ 40, 550 }, { 900, 550 }, psa::kBlack));
    expected.push_back(line({ 40, 20 }, { 40, 550 }, psa::kBlack));
    expected.push_back(line({ 900, 50 }, { 900, 550 }, psa::kBlack));
    const char *labels[] = { " 0.01 ", " 0.1 ", " 1 ", " 10 ", " 100 ", " 1000 " };
    const double values[] = { 0.01, 0.1, 1, 10, 100, 1000 };
    for (int i = 0; i < 6; ++i)
        expected.push_back(print({ 5, 55 + 100.0 * i }, values[i], labels[i]));

    for (const Rows &rows :
        { Rows { { 2005, 6, 3 } }, Rows { { 2004, 11, 4 }, { 2005, 2, 0 }, { 2006, 11, 20 } } }) {
        Records records = recordsOf(rows);
        const RecordingSurface surface = drawn(records);
        COMPARE_CALLS(surface.calls.begin(), surface.calls.begin() + kFrameCalls, expected);
    }
}

void TestGraph::month_grid_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("months");
    QTest::addColumn<QList<int>>("januaries");
    QTest::addColumn<bool>("firstLabel");
    const auto row = [](const char *name, Rows rows, int months, QList<int> januaries, bool firstLabel) {
        QTest::newRow(name) << rows << months << januaries << firstLabel;
    };
    row("January start", { { 2004, 1, 5 }, { 2006, 1, 5 } }, 24, { 12, 24 }, true);
    row("September start", { { 2004, 9, 5 }, { 2006, 9, 5 } }, 24, { 4, 16 }, true);
    row("October start", { { 2004, 10, 5 }, { 2006, 10, 5 } }, 24, { 3, 15 }, false);
    row("November start", { { 2004, 11, 5 }, { 2006, 11, 5 } }, 24, { 2, 14 }, false);
    row("December start", { { 2004, 12, 5 }, { 2006, 12, 5 } }, 24, { 1, 13 }, false);
    row("one month", { { 2004, 5, 5 }, { 2004, 6, 5 } }, 1, {}, true);
    row("backwards", { { 2006, 5, 5 }, { 2005, 5, 5 } }, 0, {}, true);
    row("fractional span", { { 2004, 5, 5 }, { 2004, 7.5, 5 } }, 2, {}, true);
    // 3.5 + i - 1 rounds halves to even: 11.5 and 12.5 both give 12, 23.5 and 24.5 both 24.
    row("fractional month 3.5", { { 2004, 3.5, 5 }, { 2006, 3.5, 5 } }, 24, { 9, 10, 21, 22 }, true);
    row("month 13", { { 2004, 13, 5 }, { 2006, 13, 5 } }, 24, { 12, 24 }, false);
    row("month -12", { { 2004, -12, 5 }, { 2005, -12, 5 } }, 12, { 1 }, true);
    row("middle rows do not count", { { 2004, 11, 5 }, { 2010, 1, 5 }, { 2005, 2, 5 } }, 3, { 2 }, false);
}

void TestGraph::month_grid()
{
    QFETCH(Rows, rows);
    QFETCH(int, months);
    QFETCH(QList<int>, januaries);
    QFETCH(bool, firstLabel);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    double year = rows.front()[0];
    std::vector<Call> expected;
    if (firstLabel)
        expected.push_back(printYear({ 45, 40 }, year));
    for (int i = 1; i <= months; ++i) {
        const double x = 40 + i * 850 / records.MonthSpan;
        expected.push_back(line({ x, 50 }, { x, 550 }, psa::kSilver));
        if (januaries.contains(i)) {
            expected.push_back(line({ x, 20 }, { x, 550 }, psa::kBlack));
            expected.push_back(printYear({ x + 5, 40 }, ++year));
        }
    }
    const std::vector<Call> grid = monthGridCalls(surface);
    COMPARE_CALLS(grid.begin(), grid.end(), expected);
}

void TestGraph::long_month_grids_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("monthLines"); // -1: at most 1701
    QTest::addColumn<int>("yearLines");
    QTest::newRow("4096 months, one line each") << Rows { { 2000, 1, 1 }, { 2341, 5, 1 } } << 4096 << 341;
    QTest::newRow("4097 months, every third") << Rows { { 2000, 1, 1 }, { 2341, 6, 1 } } << 1365 << 341;
    QTest::newRow("1000 years, every eighth month")
        << Rows { { 2000, 1, 1 }, { 3000, 1, 1 } } << 1500 << 1000;
    QTest::newRow("1000 years from July") << Rows { { 2000, 7, 1 }, { 3000, 7, 1 } } << 1500 << 1000;
    QTest::newRow("year 1e15") << Rows { { 2004, 1, 1 }, { 1e15, 1, 1 } } << -1 << -1;
    QTest::newRow("year 1e300") << Rows { { 2004, 6, 1 }, { 1e300, 1, 1 } } << -1 << -1;
}

// However long the span, month lines stand in order across the plot, year lines on Januaries, and each year
// label names the year of its January.
void TestGraph::long_month_grids()
{
    QFETCH(Rows, rows);
    QFETCH(int, monthLines);
    QFETCH(int, yearLines);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    const double step = 850 / records.MonthSpan;
    int months = 0, years = 0;
    double monthX = 40, yearX = 40, label = -kInf;
    for (const Call &call : monthGridCalls(surface)) {
        if (const auto *l = std::get_if<LineCall>(&call)) {
            const bool isMonth = l->colour == psa::kSilver;
            QVERIFY2(isMonth || (l->colour == psa::kBlack && l->from.y == 20), qPrintable(describe(call)));
            QVERIFY2(l->from.x > (isMonth ? monthX : yearX) && l->from.x <= (isMonth ? 890 + 1e-9 : monthX),
                qPrintable(describe(call)));
            (isMonth ? monthX : yearX) = l->from.x;
            ++(isMonth ? months : years);
        } else if (const auto *p = std::get_if<PrintCall>(&call)) {
            QVERIFY(p->value > label);
            label = p->value;
            if (p->topLeft.x == 45)
                continue; // the first record's year
            QVERIFY(near(p->topLeft, { yearX + 5, 40 }));
            const double januaryYear = rows[0][0] + ((yearX - 40) / step + rows[0][1] - 1) / 12;
            QVERIFY2(std::fabs(p->value - januaryYear) <= 1e-6 * januaryYear, qPrintable(describe(call)));
        }
    }
    if (monthLines >= 0) {
        QCOMPARE(months, monthLines);
        QCOMPARE(years, yearLines);
    } else {
        QVERIFY(months > 1000 && months <= 1701 && years > 100 && years <= months && monthX > 889);
    }
}

void TestGraph::example_records()
{
    Records records = recordsOf({ { 2004, 11, 4 }, { 2005, 2, 0.5 }, { 2006, 11, 20 } });
    const auto circles = drawn(records).callsOf<CircleCall>();
    QCOMPARE(records.MonthSpan, 24.0);
    const double indices[] = { 0, 3, 24 };
    const Point points[] = { { 40, yOfPsa(4) }, { 146.25, yOfPsa(0.5) }, { 890, yOfPsa(20) } };
    QCOMPARE(circles.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(records.RecordTable.at(i + 1, psa::kMonthIndexColumn), indices[i]);
        QVERIFY2(near(circles[i].centre, points[i]), qPrintable(describe(circles[i].centre)));
    }
}

// Per record: marker, label, then the band of five lines from the previous point, which is the floored one.
void TestGraph::series_order_and_segments()
{
    Records records = recordsOf({ { 2004, 11, 4.56 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    const RecordingSurface surface = drawn(records);
    const Point a { 40, yOfPsa(4.56) }, b { 146.25, 50 }, c { 890, yOfPsa(20) };
    std::vector<Call> expected { marker(a), print({ 30, a.y + 40 }, 4.5, " 4.5 "), marker(b) };
    const auto band = [&expected](Point p, Point q) {
        for (const auto &[dx, dy] : { std::pair { 0, 0 }, { 0, 1 }, { 0, -1 }, { 1, 0 }, { -1, 0 } })
            expected.push_back(line({ p.x + dx, p.y + dy }, { q.x + dx, q.y + dy }));
    };
    band(a, b);
    expected.push_back(marker(c));
    expected.push_back(print({ 880, c.y + 40 }, 20, " 20 "));
    band(b, c);
    COMPARE_CALLS(
        std::find_if(surface.calls.begin(), surface.calls.end(), isCircle), surface.calls.end(), expected);
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
    QTest::newRow("999.99") << 999.99 << QByteArray(" 999.9 ");
}

void TestGraph::value_labels()
{
    QFETCH(double, value);
    QFETCH(QByteArray, printed);
    Records records = recordsOf({ { 2004, 11, value } }); // November: no year label at the left
    auto labels = drawn(records).callsOf<PrintCall>();
    labels.erase(labels.begin(), labels.begin() + 6); // the decade labels
    QCOMPARE(labels.size(), printed.isEmpty() ? 0u : 1u);
    if (!printed.isEmpty()) {
        QCOMPARE(QByteArray::fromStdString(labels[0].text), printed);
        QVERIFY(near(labels[0].topLeft, { 30, yOfPsa(value) + 40 }));
    }
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

// Plotted on the bottom axis without a label, while the table keeps what was typed, to be saved as typed.
// Drawing writes MonthSpan and the MonthIndex of the drawn rows, nothing else.
void TestGraph::low_values_are_plotted_at_the_floor()
{
    QFETCH(double, value);
    Records records = recordsOf({ { 2004, 11, value }, { 2005, 2, value } });
    for (int row = 3; row <= psa::RecordTable::kRows; ++row)
        for (int column = 1; column <= 4; ++column)
            records.RecordTable.set(row, column, row * 10 + column);
    const Records before = records;
    const RecordingSurface surface = drawn(records);
    for (const CircleCall &c : surface.callsOf<CircleCall>())
        QCOMPARE(c.centre.y, 50.0);
    for (const PrintCall &p : surface.callsOf<PrintCall>())
        QVERIFY2(p.topLeft.x == 5 || p.topLeft.y == 40, qPrintable(describe(p))); // no value labels
    QVERIFY(near(surface.callsOf<LineCall>().back().from, { 39, 50 }));
    for (int row = 1; row <= psa::RecordTable::kRows; ++row)
        for (int column = 1; column <= 4; ++column)
            if (row > 2 || column != psa::kMonthIndexColumn)
                QCOMPARE(
                    bitsOf(records.RecordTable.at(row, column)), bitsOf(before.RecordTable.at(row, column)));
    QCOMPARE(records.MonthSpan, 3.0);
}

void TestGraph::second_draw_repeats_the_first()
{
    Records records = recordsOf({ { 2004, 11, 4 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    RecordingSurface surface;
    psa::DrawGraph(records, surface);
    const auto once = std::ptrdiff_t(surface.calls.size());
    psa::DrawGraph(records, surface);
    COMPARE_CALLS(surface.calls.begin() + once, surface.calls.end(),
        std::vector<Call>(surface.calls.begin(), surface.calls.begin() + once));
}

void TestGraph::record_counts_out_of_range()
{
    Records records;
    records.MonthSpan = 7;
    QVERIFY(drawn(records).calls.empty());
    QCOMPARE(records.MonthSpan, 7.0);
    Rows rows(psa::RecordTable::kRows, { 2005, 1, 5 });
    records = recordsOf(rows);
    records.RecordCount = 500;
    QCOMPARE(drawn(records).callsOf<CircleCall>().size(), std::size_t(psa::RecordTable::kRows));
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

// No division by zero: the frame and the first year, no month grid, the points spread by their widest index.
void TestGraph::zero_span()
{
    QFETCH(Rows, rows);
    QFETCH(QList<double>, xs);
    Records records = recordsOf(rows);
    const RecordingSurface surface = drawn(records);
    QCOMPARE(records.MonthSpan, 0.0);
    const std::vector<Call> grid = monthGridCalls(surface);
    COMPARE_CALLS(grid.begin(), grid.end(), std::vector<Call> { printYear({ 45, 40 }, rows[0][0]) });
    const auto circles = surface.callsOf<CircleCall>();
    QCOMPARE(circles.size(), std::size_t(xs.size()));
    for (std::size_t k = 0; k < circles.size(); ++k)
        QVERIFY2(near(circles[k].centre, { xs[qsizetype(k)], yOfPsa(rows[k][2]) }),
            qPrintable(describe(circles[k])));
}

void TestGraph::unplaceable_records_break_the_series_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("markers");
    QTest::addColumn<int>("segments");
    QTest::newRow("NaN value between")
        << Rows { { 2004, 1, 5 }, { 2005, 1, kNaN }, { 2006, 1, 7 } } << 2 << 0;
    QTest::newRow("infinite year between")
        << Rows { { 2004, 1, 5 }, { kInf, 1, 6 }, { 2006, 1, 7 } } << 2 << 0;
    QTest::newRow("NaN value last") << Rows { { 2004, 1, 5 }, { 2005, 1, 6 }, { 2006, 1, kNaN } } << 2 << 1;
    QTest::newRow("minus infinity: at the floor")
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
    const auto lines = surface.callsOf<LineCall>();
    QCOMPARE(int(surface.callsOf<CircleCall>().size()), markers);
    QCOMPARE(int(std::count_if(lines.begin(), lines.end(), [](const LineCall &l) { return !l.colour; })),
        5 * segments);
}

void TestGraph::pathological_tables_stay_bounded_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::newRow("year 1e15 last") << Rows { { 2004, 1, 5 }, { 1e15, 1, 6 } };
    QTest::newRow("year 1e15 between") << Rows { { 2004, 1, 5 }, { 1e15, 1, 6 }, { 2005, 1, 7 } };
    QTest::newRow("PSA 1e300") << Rows { { 2004, 1, 1e300 }, { 2005, 1, 5 }, { 2006, 1, 1e300 } };
    QTest::newRow("PSA largest double") << Rows { { 2004, 1, 5 }, { 2005, 1, DBL_MAX }, { 2006, 1, 0 } };
    QTest::newRow("years of the largest doubles")
        << Rows { { -DBL_MAX, 1, 5 }, { 0, 1, 6 }, { DBL_MAX, 1, 6 } };
    QTest::newRow("month 1e300 first") << Rows { { 2004, 1e300, 5 }, { 2005, 1, 6 } };
    QTest::newRow("NaN year first") << Rows { { kNaN, 1, 5 }, { 2005, 1, 6 } };
    QTest::newRow("denormal span") << Rows { { 2004, 0, 5 }, { 2004, 5e-324, 6 } };
    Rows alternating, huge;
    for (int i = 0; i < psa::RecordTable::kRows; ++i) {
        alternating.push_back({ 2000.0 + i, double(i % 12 + 1), i % 2 ? 1e300 : 1e-300 });
        huge.push_back({ i % 2 ? 1e15 : -1e15, i % 3 ? DBL_MAX : 1.0, i % 5 ? DBL_MAX : 2.0 });
    }
    QTest::newRow("120 rows, huge and tiny values") << alternating;
    QTest::newRow("120 rows, huge years, months and values") << huge;
}

// Only finite coordinates inside the clip box reach the surface, only finite numbers are printed, the number
// of calls stays bounded, and the typed values stay as they were.
void TestGraph::pathological_tables_stay_bounded()
{
    QFETCH(Rows, rows);
    Records records = recordsOf(rows);
    const Records before = records;
    const RecordingSurface surface = drawn(records);
    const auto inBox
        = [](Point p) { return std::isfinite(p.x) && std::isfinite(p.y) && psa::ClipBox {}.contains(p); };
    for (const Call &call : surface.calls) {
        const auto *l = std::get_if<LineCall>(&call);
        const auto *c = std::get_if<CircleCall>(&call);
        const auto *p = std::get_if<PrintCall>(&call);
        QVERIFY2(l  ? inBox(l->from) && inBox(l->to)
                : c ? inBox(c->centre)
                : p ? inBox(p->topLeft) && std::isfinite(p->value)
                    : true,
            qPrintable(describe(call)));
    }
    QVERIFY2(surface.calls.size() >= kFrameCalls && surface.calls.size() <= 6000,
        qPrintable(QString::number(surface.calls.size())));
    for (int row = 1; row <= records.RecordCount; ++row)
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(bitsOf(records.RecordTable.at(row, column)), bitsOf(before.RecordTable.at(row, column)));
}

QTEST_GUILESS_MAIN(TestGraph)
#include "test_graph.moc"
