#include "graph/graph.h"
#include "platform/clip.h"
#include "platform/user_scale.h"
#include "support/recording_surface.h"

#include <QtTest>

#include <cfloat>
#include <cmath>

using psa::Point;
using Surface = psa::testing::RecordingSurface;
using Rows = QList<QList<double>>; // year, month and PSA value (1 when left out) of each record

Q_DECLARE_METATYPE(Point)

namespace {

psa::Records recordsOf(const Rows &rows)
{
    psa::Records records;
    records.RecordCount = int(rows.size());
    for (int k = 0; k < 3 * rows.size(); ++k)
        records.RecordTable.set(k / 3 + 1, k % 3 + 1, rows[k / 3].value(k % 3, 1));
    return records;
}

QStringList drawn(psa::Records &records, qsizetype from = 0)
{
    Surface surface;
    psa::drawGraph(records, surface);
    return surface.calls.mid(from);
}

// The expected calls, as the recording surface writes them.
const auto line = [](Point a, Point b, std::optional<psa::Colour> c = {}) {
    return "line " + Surface::text(a) + ' ' + Surface::text(b) + ' ' + QString::number(c ? c->red : -1);
};
const auto marker = [](Point centre) { return "circle " + Surface::text(centre) + " r 5"; };
const auto print
    = [](Point at, double v) { return "print " + Surface::text(at) + ' ' + QString::number(v, 'g', 9); };
// The segment from p to q, thickened by the four lines one unit beside it.
QStringList band(Point p, Point q)
{
    QStringList lines;
    for (const auto &[dx, dy] : { std::pair { 0, 0 }, { 0, 1 }, { 0, -1 }, { 1, 0 }, { -1, 0 } })
        lines << line({ p.x + dx, p.y + dy }, { q.x + dx, q.y + dy });
    return lines;
}

// The month grid of a span of whole months: the first year at the left, silver month lines, and black year
// lines with the next year's label at the given month indices; then markers at PSA 1 at the x of each of
// `markers`.
QStringList monthGrid(double year, bool firstLabel, int span, const QList<int> &januaries,
    const QList<double> &markers = { 40, 890 })
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
    for (const double x : markers)
        want << marker({ x, 250 });
    return want;
}

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    // The whole drawing in order: the 46 horizontal lines bottom to top, the axes, the decade labels, the
    // month grid, then per record its marker, its label and the band from the previous point, which for a 0
    // is the point on the bottom axis.
    void exampleGraph()
    {
        psa::Records records = recordsOf({ { 2004, 11, 4.56 }, { 2005, 2, 0 }, { 2006, 11, 20 } });
        const QStringList got = drawn(records);
        // Grid values 1 to 9, 10 to 90 ... 10000 to 90000, then 100000, each across the plot from x 40 to
        // 900: black at the decades, red at PSA 0.2 and 2 (grid values 20 and 200), silver elsewhere.
        QString colours;
        for (const QString &call : got.mid(0, 46)) {
            QVERIFY2(QRegularExpression("^line 40,(\\S+) 900,\\1 ").match(call).hasMatch(), qPrintable(call));
            colours += call.endsWith(" 0") ? 'B' : call.endsWith(" 255") ? 'R' : 'S';
        }
        QCOMPARE(colours, QString("BSSSSSSSS/BRSSSSSSS/BRSSSSSSS/BSSSSSSSS/BSSSSSSSS/B").remove('/'));
        QCOMPARE(got[1], line({ 40, 80.1029996 }, { 900, 80.1029996 }, psa::kSilver)); // grid value 2

        QStringList want { line({ 40, 20 }, { 40, 550 }, psa::kBlack),
            line({ 900, 50 }, { 900, 550 }, psa::kBlack), print({ 5, 55 }, 0.01), print({ 5, 155 }, 0.1),
            print({ 5, 255 }, 1), print({ 5, 355 }, 10), print({ 5, 455 }, 100), print({ 5, 555 }, 1000) };
        want << monthGrid(2004, false, 24, { 2, 14 }, {});
        const Point a { 40, 250 + 100 * std::log10(4.56) }, b { 146.25, 50 },
            c { 890, 250 + 100 * std::log10(20) };
        want << marker(a) << print({ 30, a.y + 40 }, 4.5) << marker(b) << band(a, b) << marker(c)
             << print({ 880, c.y + 40 }, 20) << band(b, c);
        QCOMPARE(got.mid(46), want);
    }

    // After the frame, the segments left out: the month grid with its year lines and labels, and each
    // record's marker with its label when its value is above 1.
    void monthsAndMarkers_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("span");
        QTest::addColumn<QStringList>("want");
        const auto row = [](const char *name, const Rows &rows, int span, const QStringList &want) {
            QTest::newRow(name) << rows << span << want;
        };
        row("October start", { { 2004, 10 }, { 2006, 10 } }, 24, monthGrid(2004, false, 24, { 3, 15 }));
        row("December start", { { 2004, 12 }, { 2006, 12 } }, 24, monthGrid(2004, false, 24, { 1, 13 }));
        row("backwards", { { 2006, 5 }, { 2005, 5 } }, -12, monthGrid(2006, true, -12, {}));
        // 3.5 + i - 1 rounds halves to even: 11.5 and 12.5 both give 12, 23.5 and 24.5 both 24.
        row("fractional month 3.5", { { 2004, 3.5 }, { 2006, 3.5 } }, 24,
            monthGrid(2004, true, 24, { 9, 10, 21, 22 }));
        // The last row sets the span; the middle one, far beyond the plot, gets no marker.
        row("middle row later", { { 2004, 11 }, { 2010, 1 }, { 2005, 2 } }, 3,
            monthGrid(2004, false, 3, { 2 }));
        // A span of 0 draws no grid and spreads the points by their widest month index instead of dividing by
        // 0.
        row("span 0, later between", { { 2005, 3 }, { 2006, 3 }, { 2005, 3 } }, 0,
            monthGrid(2005, true, 0, {}, { 40, 890, 40 }));
        row("span 0, earlier between", { { 2005, 3 }, { 2004, 3 }, { 2005, 3 } }, 0,
            monthGrid(2005, true, 0, {}, { 40, -810, 40 }));
        // Values below 0.01 are plotted on the bottom axis; above the top of the surface (y 700) is where the
        // mapping puts it, for the surface to clip.
        row("below 0.01", { { 2004, 11, 0.005 } }, 0, { marker({ 40, 50 }) });
        row("100000, above the surface", { { 2004, 11, 100000 } }, 0,
            { marker({ 40, 750 }), print({ 30, 790 }, 100000) });
    }

    void monthsAndMarkers()
    {
        QFETCH(Rows, rows);
        QFETCH(int, span);
        psa::Records records = recordsOf(rows);
        QStringList got = drawn(records, 54); // after the 46 horizontal lines, 2 axes and 6 decade labels
        got.removeIf([](const QString &call) { return call.endsWith(" -1"); }); // the segments
        QTEST(got, "want");
        QCOMPARE(records.MonthSpan, span);
    }

    // A count below 1 draws nothing; one beyond the table draws its 120 rows.
    void countOutsideTheTable()
    {
        for (const int count : { -1, 0, 500 }) {
            psa::Records records = recordsOf({ { 2004, 1, 5 } });
            records.RecordCount = count;
            QCOMPARE(drawn(records).filter(count > 0 ? "circle" : "").size(), count > 0 ? 120 : 0);
        }
    }

    void clipLine_data()
    {
        QTest::addColumn<Point>("from");
        QTest::addColumn<Point>("to");
        QTest::addColumn<QString>("kept"); // as "x,y x,y"; empty for nothing
        const auto row = [](const char *name, Point from, Point to, const char *kept) {
            QTest::newRow(name) << from << to << QString(kept);
        };
        row("leaving on the right", { 0, 0 }, { 3820, 100 }, "0,0 1910,50");
        row("entering on the left", { -3000, -200 }, { 0, 100 }, "-1000,0 0,100");
        row("through the box", { -3000, 0 }, { 3000, 3000 }, "-1000,1000 400,1700");
        row("far end 1e19 away", { 0, 0 }, { 1e19, 3e19 }, "0,0 566.666667,1700");
        row("outside", { -2000, 0 }, { -1500, 5000 }, "");
        row("not finite", { 0, 0 }, { NAN, 0 }, "");
    }

    // The box reaches from -1000 to 1910 across and from -1000 to 1700 up.
    void clipLine()
    {
        QFETCH(Point, from);
        QFETCH(Point, to);
        const auto kept = psa::clipLine(from, to, psa::ClipBox());
        QTEST(kept ? Surface::text(kept->first) + ' ' + Surface::text(kept->second) : QString(), "kept");
    }

    // What the surfaces draw: each row a shape that may show and one just beyond it that may not, a circle's
    // ring within a pixel of the 849 x 521 area and of a bounded radius, a text that starts no more than one
    // area to the left or above and inside the area's right and bottom edges.
    void mayShow_data()
    {
        QTest::addColumn<QList<double>>("shown"); // x, y and, for a circle, its radius
        QTest::addColumn<QList<double>>("hidden");
        const auto row = [](const char *name, const QList<double> &shown, const QList<double> &hidden) {
            QTest::newRow(name) << shown << hidden;
        };
        row("circle, left edge", { -6, 300, 5 }, { -6.5, 300, 5 });
        row("circle, right edge", { 855, 300, 5 }, { 855.5, 300, 5 });
        row("circle, top edge", { 400, -6, 5 }, { 400, -6.5, 5 });
        row("circle, bottom edge", { 400, 527, 5 }, { 400, 527.5, 5 });
        row("circle, the largest radius", { 400, 300, 100000 }, { 400, 300, 100000.5 });
        row("circle, centre not finite", { 400, 300, 5 }, { NAN, 300, 5 });
        row("circle, radius not finite", { 400, 300, 5 }, { 400, 300, INFINITY });
        row("text, one area to the left", { -849, 0 }, { -849.5, 0 });
        row("text, one area up", { 0, -521 }, { 0, -521.5 });
        row("text, at the right edge", { 849, 0 }, { 849.5, 0 });
        row("text, at the bottom edge", { 0, 521 }, { 0, 521.5 });
        row("text, not finite", { 0, 0 }, { INFINITY, 0 });
    }

    void mayShow()
    {
        QFETCH(QList<double>, shown);
        QFETCH(QList<double>, hidden);
        const psa::LogicalArea area { 849, 521 };
        const auto shows = [&area](const QList<double> &shape) {
            const Point at { shape[0], shape[1] };
            return shape.size() == 3 ? area.mayShowCircle(at, shape[2]) : area.mayShowText(at);
        };
        QVERIFY(shows(shown));
        QVERIFY(!shows(hidden));
    }
};

QTEST_GUILESS_MAIN(TestGraph)
#include "test_graph.moc"
