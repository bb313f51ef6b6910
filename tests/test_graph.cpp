#include "graph/graph.h"
#include "platform/bitmap_file.h"
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

// 46 horizontal lines, 2 axis lines, 6 decade labels: the calls before the month grid.
constexpr qsizetype kFrameCalls = 54;

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
        QCOMPARE(got[10], line({ 40, 180.103 }, { 900, 180.103 }, psa::kRed)); // PSA 0.2
        QCOMPARE(got[19], line({ 40, 280.103 }, { 900, 280.103 }, psa::kRed)); // PSA 2
        QCOMPARE(got[45], line({ 40, 550 }, { 900, 550 }, psa::kBlack));

        QStringList want { line({ 40, 20 }, { 40, 550 }, psa::kBlack),
            line({ 900, 50 }, { 900, 550 }, psa::kBlack), print({ 5, 55 }, 0.01), print({ 5, 155 }, 0.1),
            print({ 5, 255 }, 1), print({ 5, 355 }, 10), print({ 5, 455 }, 100), print({ 5, 555 }, 1000) };
        want << monthGrid(2004, false, 24, { 2, 14 });
        const Point a { 40, 250 + 100 * std::log10(4.56) }, b { 146.25, 50 },
            c { 890, 250 + 100 * std::log10(20) };
        want << marker(a) << print({ 30, a.y + 40 }, 4.5) << marker(b) << band(a, b) << marker(c)
             << print({ 880, c.y + 40 }, 20) << band(b, c);
        QCOMPARE(got.mid(46), want);
        QVERIFY(records.MonthSpan == 24 && records.RecordTable.at(2, 4) == 3
            && records.RecordTable.at(3, 4) == 24);
        QCOMPARE(records.RecordTable.at(2, psa::kValueColumn), 0.0); // kept as typed, to be saved as typed
    }

    void monthAxis_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("span");
        QTest::addColumn<QList<int>>("januaries"); // month indices of the year lines
        QTest::addColumn<bool>("firstLabel"); // the first year at the left
        QTest::addColumn<QList<double>>("xs"); // of the markers
        const auto row = [](const char *name, const Rows &rows, int span, const QList<int> &januaries,
                             bool first, const QList<double> &xs = { 40, 890 }) {
            QTest::newRow(name) << rows << span << januaries << first << xs;
        };
        row("September start", { { 2004, 9 }, { 2006, 9 } }, 24, { 4, 16 }, true);
        row("October start", { { 2004, 10 }, { 2006, 10 } }, 24, { 3, 15 }, false);
        row("December start", { { 2004, 12 }, { 2006, 12 } }, 24, { 1, 13 }, false);
        row("backwards", { { 2006, 5 }, { 2005, 5 } }, -12, {}, true);
        // 3.5 + i - 1 rounds halves to even: 11.5 and 12.5 both give 12, 23.5 and 24.5 both 24.
        row("fractional month 3.5", { { 2004, 3.5 }, { 2006, 3.5 } }, 24, { 9, 10, 21, 22 }, true);
        // The last row sets the span; the middle one, far beyond the plot, gets no marker.
        row("middle row later", { { 2004, 11 }, { 2010, 1 }, { 2005, 2 } }, 3, { 2 }, false);
        // A span of 0 draws no grid and spreads the points by their widest month index instead of dividing by
        // 0.
        row("span 0, later between", { { 2005, 3 }, { 2006, 3 }, { 2005, 3 } }, 0, {}, true, { 40, 890, 40 });
        row("span 0, earlier between", { { 2005, 3 }, { 2004, 3 }, { 2005, 3 } }, 0, {}, true,
            { 40, -810, 40 });
    }

    // The month grid with its year lines and labels, and where the markers stand on the month axis.
    void monthAxis()
    {
        QFETCH(Rows, rows);
        QFETCH(int, span);
        QFETCH(QList<int>, januaries);
        QFETCH(bool, firstLabel);
        QFETCH(QList<double>, xs);
        psa::Records records = recordsOf(rows);
        QStringList got = drawn(records, kFrameCalls),
                    want = monthGrid(rows[0][0], firstLabel, span, januaries);
        got.removeIf([](const QString &call) { return call.endsWith("-1"); }); // the segments
        for (const double x : xs)
            want << marker({ x, 250 });
        QCOMPARE(records.MonthSpan, span);
        QCOMPARE(got, want);
    }

    void series_data()
    {
        QTest::addColumn<Rows>("rows");
        // the calls after the frame; November: no year label at the left
        QTest::addColumn<QStringList>("want");
        const auto one = [](const char *name, double value, Point at, double label = 0) {
            QTest::newRow(name) << Rows { { 2004, 11, value } }
                                << QStringList { marker(at) }
                    + (label ? QStringList { print({ 30, at.y + 40 }, label) } : QStringList {});
        };
        // Values below 0.01 are plotted on the bottom axis, values above 1 get a label cut to tenths.
        one("negative", -5, { 40, 50 });
        one("0.01", 0.01, { 40, 50 });
        one("1: no label", 1, { 40, 250 });
        one("4.56", 4.56, { 40, 315.896484 }, 4.5);
        // Above the top of the surface (y 700), where the mapping puts it; the surface clips it.
        one("100000, above the surface", 100000, { 40, 750 }, 100000);
        // Out of date order: the segments join the rows in table order, spread by the widest month index.
        const Point a { 40, 250 }, b { -810, 350 }, c { 40, 450 };
        QTest::newRow("out of date order")
            << Rows { { 2005, 1, 1 }, { 2004, 1, 10 }, { 2005, 1, 100 } }
            << QStringList { print({ 45, 40 }, 2005), marker(a), marker(b), print({ -820, 390 }, 10) }
                + band(a, b) + QStringList { marker(c), print({ 30, 490 }, 100) } + band(b, c);
    }

    // The table keeps what was typed.
    void series()
    {
        QFETCH(Rows, rows);
        psa::Records records = recordsOf(rows);
        QTEST(drawn(records, kFrameCalls), "want");
        QCOMPARE(records.RecordTable.at(1, psa::kValueColumn), rows[0][2]);
    }

    // A count below 1 draws nothing; one beyond the table draws its 120 rows, all but the first dated in the
    // year 0.
    void countOutsideTheTable()
    {
        for (const int count : { -1, 0, 500 }) {
            psa::Records records = recordsOf({ { 2004, 1, 5 } });
            records.RecordCount = count;
            QCOMPARE(drawn(records).filter(count > 0 ? "circle" : "").size(), count > 0 ? 120 : 0);
            QCOMPARE(records.RecordTable.at(120, 4), count > 0 ? -24049 : 0);
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
        row("inside: unchanged", { 0, 0 }, { 100.1, 50 }, "0,0 100.1,50");
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

    // What the surfaces draw of a circle: a ring within a pixel of the 849 x 521 area, of a bounded radius.
    void circleMayShow_data()
    {
        QTest::addColumn<Point>("centre");
        QTest::addColumn<double>("radius");
        QTest::addColumn<bool>("shows");
        const auto row = [](const char *name, Point centre, double radius, bool shows) {
            QTest::newRow(name) << centre << radius << shows;
        };
        row("inside", { 400, 300 }, 5, true);
        row("a pixel beyond the left edge", { -6, 300 }, 5, true);
        row("further left", { -6.5, 300 }, 5, false);
        row("a pixel beyond the right edge", { 855, 300 }, 5, true);
        row("further right", { 855.5, 300 }, 5, false);
        row("a pixel above", { 400, -6 }, 5, true);
        row("further up", { 400, -6.5 }, 5, false);
        row("a pixel below", { 400, 527 }, 5, true);
        row("further down", { 400, 527.5 }, 5, false);
        row("the largest radius", { 400, 300 }, 100000, true);
        row("a larger radius", { 400, 300 }, 100000.5, false);
        row("centre not finite", { NAN, 300 }, 5, false);
        row("radius not finite", { 400, 300 }, INFINITY, false);
    }

    void circleMayShow()
    {
        QFETCH(Point, centre);
        QFETCH(double, radius);
        const psa::LogicalArea area { 849, 521 };
        QTEST(area.mayShowCircle(centre, radius), "shows");
    }

    // A text may show when it starts no more than one area to the left or above, inside the area's right
    // and bottom edges.
    void textMayShow_data()
    {
        QTest::addColumn<Point>("topLeft");
        QTest::addColumn<bool>("shows");
        QTest::newRow("the corner") << Point { 0, 0 } << true;
        QTest::newRow("one area up and left") << Point { -849, -521 } << true;
        QTest::newRow("further left") << Point { -849.5, 0 } << false;
        QTest::newRow("further up") << Point { 0, -521.5 } << false;
        QTest::newRow("at the lower right corner") << Point { 849, 521 } << true;
        QTest::newRow("beyond the right edge") << Point { 849.5, 0 } << false;
        QTest::newRow("beyond the bottom edge") << Point { 0, 521.5 } << false;
        QTest::newRow("not finite") << Point { INFINITY, 0 } << false;
    }

    void textMayShow()
    {
        QFETCH(Point, topLeft);
        const psa::LogicalArea area { 849, 521 };
        QTEST(area.mayShowText(topLeft), "shows");
    }

    void encodesBitmaps_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<QByteArray>("rows"); // the pixel bytes after the 54-byte headers; empty: refused
        const auto row = [](const char *name, int width, int height, int stride, const QByteArray &rows) {
            QTest::newRow(name) << width << height << stride << rows;
        };
        // The pixels as bytes blue, green, red; the top byte of each value is no colour.
        const QByteArray p0("\x03\x02\x01", 3), p1("\x06\x05\x04", 3), p2("\x09\x08\x07", 3),
            p3("\x0C\x0B\x0A", 3), p4("\x0F\x0E\x0D", 3);
        const QByteArray pad1(1, '\0'), pad2(2, '\0');
        row("2 x 2 of stride 3: the bottom row first, the third value unused", 2, 2, 3,
            p3 + p4 + pad2 + p0 + p1 + pad2);
        row("one pixel: 1 byte of padding", 1, 1, 1, p0 + pad1);
        row("3 pixels: 3 bytes of padding", 3, 1, 3, p0 + p1 + p2 + pad1 + pad2);
        row("4 pixels: a row of 12 bytes, no padding", 4, 1, 4, p0 + p1 + p2 + p3);
        row("3 rows of 1", 1, 3, 1, p2 + pad1 + p1 + pad1 + p0 + pad1);
        row("no pixels", 0, 1, 1, {});
        row("rows longer than their stride", 3, 2, 2, {});
        row("beyond the 4 GB a bitmap can say", 1 << 29, 4, 1 << 29, {});
    }

    void encodesBitmaps()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(QByteArray, rows);
        const std::uint32_t pixels[]
            = { 0xFF010203, 0x00040506, 0x12070809, 0x000A0B0C, 0x000D0E0F, 0x00FFFFFF };
        const psa::Result<std::string> encoded
            = psa::encodeBitmap({ pixels, std::size_t(stride), width, height }, 3780);
        QCOMPARE(encoded.ok(), !rows.isEmpty());
        if (!encoded)
            return;
        const std::string &file = *encoded;
        QCOMPARE(QByteArray::fromStdString(file.substr(54)), rows);
        const auto field = [&file](std::size_t at) {
            return quint32(quint8(file[at])) | quint32(quint8(file[at + 1])) << 8
                | quint32(quint8(file[at + 2])) << 16 | quint32(quint8(file[at + 3])) << 24;
        };
        QCOMPARE(file.substr(0, 2), "BM");
        QCOMPARE(field(2), quint32(file.size()));
        QCOMPARE(field(34), quint32(rows.size()));
        QCOMPARE(field(18), quint32(width));
        QCOMPARE(field(22), quint32(height));
    }
};

QTEST_GUILESS_MAIN(TestGraph)
#include "test_graph.moc"
