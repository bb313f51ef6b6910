#include "graph/graph.h"
#include "graph/graph_geometry.h"
#include "support/recording_surface.h"

#include <QtTest>

#include <array>
#include <cfloat>
#include <cmath>
#include <tuple>

using psa::Point;
using Surface = psa::testing::RecordingSurface;
using Rows = std::vector<std::array<double, 3>>; // year, month, PSA value

namespace {

// 46 horizontal lines, 2 axis lines, 6 decade labels: the calls before the month grid.
constexpr qsizetype kFrameCalls = 54;

psa::Records recordsOf(const Rows &rows)
{
    psa::Records records;
    records.RecordCount = int(rows.size());
    for (std::size_t k = 0; k < 3 * rows.size(); ++k)
        records.RecordTable.set(int(k / 3) + 1, int(k % 3) + 1, rows[k / 3][k % 3]);
    return records;
}

// Calls as text, coordinates to 9 digits so that rounding in the last bits does not count. A line ends in the
// red of its colour, which tells black, silver and red apart, or -1 without a colour of its own.
const auto pt = [](Point p) { return QString::number(p.x, 'g', 9) + ',' + QString::number(p.y, 'g', 9); };
QString str(const Surface::Call &call)
{
    if (const auto *l = std::get_if<Surface::LineCall>(&call))
        return "line " + pt(l->from) + ' ' + pt(l->to) + ' '
            + QString::number(l->colour ? l->colour->red : -1);
    if (const auto *c = std::get_if<Surface::CircleCall>(&call))
        return "circle " + pt(c->centre) + " r " + QString::number(c->radius);
    if (const auto *p = std::get_if<Surface::PrintCall>(&call))
        return "print " + pt(p->topLeft) + ' ' + QString::number(p->value, 'g', 9);
    return "cls";
}
// Draws the records and gives the calls from `from` on, as text.
QStringList drawn(psa::Records &records, qsizetype from = 0)
{
    Surface surface;
    psa::DrawGraph(records, surface);
    QStringList calls;
    for (const Surface::Call &call : surface.calls)
        calls << str(call);
    return calls.mid(from);
}
// The first difference between two lists of calls; empty when there is none.
QString difference(const QString &name, const QStringList &got, const QStringList &want)
{
    for (qsizetype k = 0; k < std::max(got.size(), want.size()); ++k)
        if (got.value(k) != want.value(k))
            return name + QString(": call %1 is '%2', expected '%3'").arg(k).arg(got.value(k), want.value(k));
    return {};
}
#define COMPARE_CALLS(...) QVERIFY2(difference(__VA_ARGS__).isEmpty(), qPrintable(difference(__VA_ARGS__)))

const auto yOfPsa = [](double psa) { return 250 + 100 * std::log10(psa); };
const auto line = [](Point a, Point b, std::optional<psa::Colour> c = {}) {
    return str(Surface::LineCall { a, b, c });
};
const auto marker = [](Point centre) { return str(Surface::CircleCall { centre, 5 }); };
const auto print = [](Point at, double value) { return str(Surface::PrintCall { at, value }); };

// The month grid of a span of whole months: the first year at the left, silver month lines, and black year
// lines with the next year's label at the given month indices.
QStringList monthGrid(double year, bool firstLabel, int span, const QList<int> &januaries)
{
    QStringList want;
    if (firstLabel)
        want << print({ 45, 40 }, year);
    for (int i = 1; i <= span; ++i) {
        const double x = 40 + i * 850.0 / span;
        want << line({ x, 50 }, { x, 550 }, psa::kSilver);
        if (januaries.contains(i))
            want << line({ x, 20 }, { x, 550 }, psa::kBlack) << print({ x + 5, 40 }, ++year);
    }
    return want;
}

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    void example_graph();
    void month_axis();
    void one_record();
    void pathological_tables_stay_bounded();
};

// The whole drawing in order: the 46 horizontal lines bottom to top (black decades, red PSA 0.2 and 2), the
// axes, the decade labels, the month grid, then per record its marker, its label and the band of five lines
// from the previous point, which for a 0 is the point on the bottom axis.
void TestGraph::example_graph()
{
    psa::Records records = recordsOf({ { 2004, 11, 4.56 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
    QStringList want;
    for (const double decade : { 1, 10, 100, 1000, 10000 })
        for (int digit = 1; digit <= 9; ++digit) {
            const double y = 50 + 100 * std::log10(digit * decade);
            const bool red = digit == 2 && (decade == 10 || decade == 100);
            want << line({ 40, y }, { 900, y }, digit == 1 ? psa::kBlack : red ? psa::kRed : psa::kSilver);
        }
    want << line({ 40, 550 }, { 900, 550 }, psa::kBlack) << line({ 40, 20 }, { 40, 550 }, psa::kBlack)
         << line({ 900, 50 }, { 900, 550 }, psa::kBlack);
    for (int decade = 0; decade < 6; ++decade)
        want << print({ 5, 55 + 100.0 * decade }, 0.01 * std::pow(10, decade));
    want << monthGrid(2004, false, 24, { 2, 14 });
    const Point a { 40, yOfPsa(4.56) }, b { 146.25, 50 }, c { 890, yOfPsa(20) };
    want << marker(a) << print({ 30, a.y + 40 }, 4.5) << marker(b);
    for (const auto &[p, q] : { std::pair { a, b }, { b, c } }) {
        for (const auto &[dx, dy] : { std::pair { 0, 0 }, { 0, 1 }, { 0, -1 }, { 1, 0 }, { -1, 0 } })
            want << line({ p.x + dx, p.y + dy }, { q.x + dx, q.y + dy });
        if (q == b)
            want << marker(c) << print({ 880, c.y + 40 }, 20);
    }
    COMPARE_CALLS("example", drawn(records), want);
    QVERIFY(
        records.MonthSpan == 24 && records.RecordTable.at(2, 4) == 3 && records.RecordTable.at(3, 4) == 24);
    QCOMPARE(records.RecordTable.at(2, psa::kValueColumn), 0.0); // kept as typed, to be saved as typed
}

// The month grid with its year lines and labels, and where the markers stand on the month axis. A span of 0
// draws no grid and spreads the points by their widest month index instead of dividing by zero.
void TestGraph::month_axis()
{
    // name, year and month of each record, MonthSpan, month indices of the January lines, year at the left,
    // x of the markers when not 40 and 890
    const std::tuple<const char *, Rows, int, QList<int>, bool, QList<double>> cases[] = {
        { "January start", { { 2004, 1 }, { 2006, 1 } }, 24, { 12, 24 }, true, {} },
        { "September start", { { 2004, 9 }, { 2006, 9 } }, 24, { 4, 16 }, true, {} },
        { "October start", { { 2004, 10 }, { 2006, 10 } }, 24, { 3, 15 }, false, {} },
        { "December start", { { 2004, 12 }, { 2006, 12 } }, 24, { 1, 13 }, false, {} },
        { "backwards", { { 2006, 5 }, { 2005, 5 } }, -12, {}, true, {} },
        // 3.5 + i - 1 rounds halves to even: 11.5 and 12.5 both give 12, 23.5 and 24.5 both 24.
        { "fractional month 3.5", { { 2004, 3.5 }, { 2006, 3.5 } }, 24, { 9, 10, 21, 22 }, true, {} },
        // The last row sets the span; the middle one, far beyond the plot, gets no marker.
        { "middle row later", { { 2004, 11 }, { 2010, 1 }, { 2005, 2 } }, 3, { 2 }, false, {} },
        { "span 0, later between", { { 2005, 3 }, { 2006, 3 }, { 2005, 3 } }, 0, {}, true, { 40, 890, 40 } },
        { "span 0, earlier between", { { 2005, 3 }, { 2004, 3 }, { 2005, 3 } }, 0, {}, true,
            { 40, -810, 40 } },
    };
    for (auto [name, rows, span, januaries, firstLabel, xs] : cases) {
        for (auto &row : rows)
            row[2] = 1; // PSA 1: no value labels
        psa::Records records = recordsOf(rows);
        QStringList got = drawn(records, kFrameCalls),
                    want = monthGrid(rows[0][0], firstLabel, span, januaries);
        got.removeIf([](const QString &call) { return call.endsWith("-1"); }); // the segments
        for (const double x : xs.isEmpty() ? QList<double> { 40, 890 } : xs)
            want << marker({ x, 250 });
        QVERIFY2(records.MonthSpan == span, name);
        COMPARE_CALLS(name, got, want);
    }
}

// Values below 0.01 are plotted on the bottom axis, values above 1 get a label cut to tenths; the table keeps
// what was typed.
void TestGraph::one_record()
{
    const std::pair<double, QStringList> cases[] = {
        { 0, { marker({ 40, 50 }) } }, // an empty cell
        { 0.001, { marker({ 40, 50 }) } },
        { 0.01, { marker({ 40, 50 }) } },
        { 1, { marker({ 40, 250 }) } },
        { 1.05, { marker({ 40, yOfPsa(1.05) }), print({ 30, yOfPsa(1.05) + 40 }, 1) } },
        { 4.56, { marker({ 40, yOfPsa(4.56) }), print({ 30, yOfPsa(4.56) + 40 }, 4.5) } },
        { 12, { marker({ 40, yOfPsa(12) }), print({ 30, yOfPsa(12) + 40 }, 12) } },
    };
    for (const auto &[value, want] : cases) {
        psa::Records records = recordsOf({ { 2004, 11, value } }); // November: no year label at the left
        COMPARE_CALLS(QString::number(value), drawn(records, kFrameCalls), want);
        QCOMPARE(records.RecordTable.at(1, psa::kValueColumn), value);
    }
}

// Only finite coordinates inside the clip box reach the surface, only finite numbers are printed, and the
// number of calls stays bounded. A count beyond the table draws the table's rows.
void TestGraph::pathological_tables_stay_bounded()
{
    const std::pair<const char *, Rows> cases[] = {
        { "year 1e15 last", { { 2004, 1, 5 }, { 1e15, 1, 6 } } },
        { "year 1e15, NaN, infinity between",
            { { 2004, 1, 5 }, { 1e15, 1, 6 }, { 2005, 1, NAN }, { INFINITY, 1, 6 }, { 2006, 1, 7 } } },
        { "PSA 1e300 and the largest double", { { 2004, 1, 1e300 }, { 2005, 1, DBL_MAX }, { 2006, 1, 0 } } },
        { "years of the largest doubles", { { -DBL_MAX, 1, 5 }, { 0, 1, 6 }, { DBL_MAX, 1, 6 } } },
        { "NaN year first", { { NAN, 1, 5 }, { 2005, 1, 6 } } },
        // Counted as 500 records: the table's 120 rows are drawn, all but the first dated in the year 0.
        { "count beyond the table", { { 2004, 1, 5 } } },
    };
    const psa::ClipBox box;
    for (const auto &[name, rows] : cases) {
        psa::Records records = recordsOf(rows);
        records.RecordCount = rows.size() == 1 ? 500 : records.RecordCount;
        Surface s;
        psa::DrawGraph(records, s);
        QVERIFY2(qsizetype(s.calls.size()) >= kFrameCalls && s.calls.size() <= 6000, name);
        for (const auto &l : s.callsOf<Surface::LineCall>())
            QVERIFY2(box.contains(l.from) && box.contains(l.to), qPrintable(name + (": " + str(l))));
        for (const auto &c : s.callsOf<Surface::CircleCall>())
            QVERIFY2(box.contains(c.centre), qPrintable(name + (": " + str(c))));
        for (const auto &p : s.callsOf<Surface::PrintCall>())
            QVERIFY2(box.contains(p.topLeft) && std::isfinite(p.value), qPrintable(name + (": " + str(p))));
    }
}

QTEST_GUILESS_MAIN(TestGraph)
#include "test_graph.moc"
