#include "graph/graph.h"
#include "platform/qt_surface.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <limits>

using psa::ImageSurface;
using psa::Point;

Q_DECLARE_METATYPE(psa::Point)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The graph's logical coordinates on the default 849 x 521 image.
int columnOf(double x)
{
    return int(std::floor(x / 910 * 849));
}
int rowOf(double y)
{
    return int(std::floor((700 - y) / 700 * 521));
}
double yOfPsa(double psa)
{
    return 250 + 100 * std::log10(psa);
}

bool isBlack(QRgb pixel)
{
    return qRed(pixel) < 64 && qGreen(pixel) < 64 && qBlue(pixel) < 64;
}
bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 64 && qBlue(pixel) < 64;
}
bool isWhite(QRgb pixel)
{
    return (pixel & 0xffffff) == 0xffffff;
}

// The example's three records, every value 1.5, so that the segments run level through the markers.
void drawExample(ImageSurface &surface)
{
    psa::Records records;
    const double rows[3][3] = { { 2004, 11, 1.5 }, { 2005, 2, 1.5 }, { 2006, 11, 1.5 } };
    for (int row = 1; row <= 3; ++row)
        for (int column = 1; column <= 3; ++column)
            records.RecordTable.set(row, column, rows[row - 1][column - 1]);
    records.RecordCount = 3;
    psa::DrawGraph(records, surface);
}

int redInRow(const QImage &image, int row, int from, int to)
{
    int count = 0;
    for (int column = from; column <= to; ++column)
        count += isRed(image.pixel(column, row)) ? 1 : 0;
    return count;
}

// The smallest rectangle holding every pixel that is not white.
QRect drawnArea(const QImage &image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!isWhite(image.pixel(x, y)))
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class TestImageSurface : public QObject {
    Q_OBJECT

private slots:
    void example_graph_pixels();
    void scale_maps_onto_pixels_data();
    void scale_maps_onto_pixels();
    void circle_is_round_data();
    void circle_is_round();
    void text_hangs_from_its_position();
    void cls_erases_and_bitmap_keeps_the_pixels();
    void high_density_image();
    void unusable_input_draws_nothing_data();
    void unusable_input_draws_nothing();
    void far_lines_are_drawn_where_they_cross();
};

void TestImageSurface::example_graph_pixels()
{
    ImageSurface surface;
    int changes = 0;
    surface.onChanged = [&changes] { ++changes; };
    QCOMPARE(surface.image().size(), QSize(849, 521));
    QCOMPARE(surface.image().format(), QImage::Format_RGB32);
    drawExample(surface);
    const QImage &image = surface.image();
    QVERIFY(changes > 0);

    // Each reference line is one crisp red pixel row across the plot, crossed only by the month lines.
    for (const double psa : { 0.2, 2.0 }) {
        const int row = rowOf(yOfPsa(psa));
        QVERIFY2(redInRow(image, row, columnOf(40) + 1, columnOf(900) - 1) > 700,
            qPrintable(QString::number(row)));
        QCOMPARE(redInRow(image, row - 1, 0, 848) + redInRow(image, row + 1, 0, 848), 0);
    }
    // The left axis reaches below the bottom axis; the right border does not.
    for (int row = rowOf(550); row <= rowOf(20); ++row)
        QVERIFY2(isBlack(image.pixel(columnOf(40), row)), qPrintable(QString::number(row)));
    for (int row = rowOf(550); row <= rowOf(50); ++row)
        QVERIFY2(isBlack(image.pixel(columnOf(900), row)), qPrintable(QString::number(row)));
    QVERIFY(!isBlack(image.pixel(columnOf(900), rowOf(50) + 3)));

    // The second record's marker: a ring of 5 units around its point, the level band through its middle.
    const int column = columnOf(146.25);
    const int row = rowOf(yOfPsa(1.5));
    const int radius = int(std::lround(5.0 * 849 / 910));
    const auto blackAround = [&](int r) {
        return isBlack(image.pixel(column, r - 1)) || isBlack(image.pixel(column, r))
            || isBlack(image.pixel(column, r + 1));
    };
    QVERIFY(blackAround(row - radius) && blackAround(row + radius));
    QVERIFY(
        !isBlack(image.pixel(column, row - radius + 2)) && !isBlack(image.pixel(column, row + radius + 2)));
    QVERIFY(!isBlack(image.pixel(column, row - radius - 2)));
}

void TestImageSurface::scale_maps_onto_pixels_data()
{
    QTest::addColumn<Point>("upperLeft");
    QTest::addColumn<Point>("lowerRight");
    QTest::addColumn<Point>("point");
    QTest::addColumn<QPoint>("pixel");
    const Point a { 0, 700 }, b { 910, 0 };
    QTest::newRow("graph: upper left corner") << a << b << Point { 0, 700 } << QPoint(0, 0);
    QTest::newRow("graph: middle") << a << b << Point { 455, 350 } << QPoint(424, 260);
    QTest::newRow("graph: near lower right") << a << b << Point { 909, 1 } << QPoint(848, 520);
    QTest::newRow("downward y") << Point { 0, 0 } << Point { 910, 700 } << Point { 455, 699 }
                                << QPoint(424, 520);
    QTest::newRow("leftward x") << Point { 910, 0 } << Point { 0, 700 } << Point { 909, 350 }
                                << QPoint(0, 260);
    QTest::newRow("offset origin") << Point { -100, 100 } << Point { 749, -421 } << Point { -90, 90 }
                                   << QPoint(10, 10);
    QTest::newRow("no extent: pixels stay")
        << Point { 5, 5 } << Point { 5, 100 } << Point { 10, 20 } << QPoint(10, 20);
    QTest::newRow("infinite: pixels stay")
        << Point { 0, 0 } << Point { kInf, 9 } << Point { 10, 20 } << QPoint(10, 20);
}

void TestImageSurface::scale_maps_onto_pixels()
{
    QFETCH(Point, upperLeft);
    QFETCH(Point, lowerRight);
    QFETCH(Point, point);
    QFETCH(QPoint, pixel);
    ImageSurface surface;
    surface.Scale(upperLeft, lowerRight);
    surface.Line(point, point, psa::kBlack);
    QCOMPARE(drawnArea(surface.image()), QRect(pixel, QSize(1, 1)));
}

void TestImageSurface::circle_is_round_data()
{
    QTest::addColumn<double>("radius");
    QTest::newRow("marker") << 5.0;
    QTest::newRow("20 units") << 20.0;
    QTest::newRow("120 units") << 120.0;
}

// The radius counts horizontal units; the circle is as high as it is wide, although a vertical unit of the
// graph is shorter on screen than a horizontal one.
void TestImageSurface::circle_is_round()
{
    QFETCH(double, radius);
    ImageSurface surface;
    surface.Scale({ 0, 700 }, { 910, 0 });
    surface.Circle({ 455, 350 }, radius);
    const QRect area = drawnArea(surface.image());
    QCOMPARE(area.size(), QSize(1, 1) * (2 * int(std::lround(radius * 849 / 910)) + 1));
    QVERIFY((area.center() - QPoint(columnOf(455), rowOf(350))).manhattanLength() <= 2);
    QVERIFY(isWhite(surface.image().pixel(area.center()))); // an outline only
}

void TestImageSurface::text_hangs_from_its_position()
{
    const auto printedArea = [](const QFont &font) {
        ImageSurface surface;
        surface.setFont(font);
        surface.Scale({ 0, 700 }, { 910, 0 });
        surface.CurrentX(455);
        surface.CurrentY(350);
        surface.Print(1000);
        return drawnArea(surface.image());
    };
    QFont small = QGuiApplication::font();
    small.setPixelSize(12);
    QFont large = small;
    large.setPixelSize(36);
    const QPoint corner(columnOf(455), rowOf(350));
    for (const QFont &font : { small, large }) {
        const QRect area = printedArea(font);
        const QFontMetrics metrics(font);
        // The leading blank comes first; the digits hang below the text position, within one line.
        QVERIFY2(area.left() > corner.x() && area.left() < corner.x() + 2 * metrics.horizontalAdvance(' '),
            qPrintable(QString::number(area.left())));
        QVERIFY2(area.top() >= corner.y() && area.top() < corner.y() + metrics.ascent(),
            qPrintable(QString::number(area.top())));
        QVERIFY(area.bottom() < corner.y() + metrics.height());
    }
    QVERIFY(printedArea(large).height() > 2 * printedArea(small).height());
}

void TestImageSurface::cls_erases_and_bitmap_keeps_the_pixels()
{
    ImageSurface surface;
    drawExample(surface);
    const QImage decoded = QImage::fromData(QByteArray::fromStdString(surface.BitmapBytes()), "BMP");
    QCOMPARE(decoded.size(), QSize(849, 521));
    QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), surface.image());

    surface.Cls();
    QVERIFY(drawnArea(surface.image()).isNull());
    drawExample(surface); // the coordinates stay: the same graph again
    QCOMPARE(surface.image(), decoded.convertToFormat(QImage::Format_RGB32));
}

void TestImageSurface::high_density_image()
{
    ImageSurface surface({ 849, 521 }, 2);
    QCOMPARE(surface.logicalSize(), QSize(849, 521));
    QCOMPARE(surface.image().size(), QSize(1698, 1042));
    QCOMPARE(surface.image().devicePixelRatio(), 2.0);
    drawExample(surface);
    QVERIFY(
        redInRow(surface.image(), 2 * rowOf(yOfPsa(2)), 2 * columnOf(40) + 4, 2 * columnOf(900) - 4) > 1400);
    QCOMPARE(
        QImage::fromData(QByteArray::fromStdString(surface.BitmapBytes()), "BMP").size(), QSize(1698, 1042));

    // Back to single density: the drawing is kept, scaled down.
    surface.resize({ 849, 521 }, 1);
    QCOMPARE(surface.image().size(), QSize(849, 521));
    int reddish = 0;
    for (int column = columnOf(40) + 2; column <= columnOf(900) - 2; ++column) {
        const QRgb upper = surface.image().pixel(column, rowOf(yOfPsa(2)) - 1);
        const QRgb lower = surface.image().pixel(column, rowOf(yOfPsa(2)));
        reddish += qRed(upper) - qGreen(upper) + qRed(lower) - qGreen(lower) > 150 ? 1 : 0;
    }
    QVERIFY2(reddish > 700, qPrintable(QString::number(reddish)));
}

void TestImageSurface::unusable_input_draws_nothing_data()
{
    QTest::addColumn<int>("kind"); // 0 line to (1e300, 1e300), 1 circle, 2 print
    QTest::addColumn<Point>("position");
    QTest::addColumn<double>("number"); // radius or printed value
    QTest::newRow("line from NaN") << 0 << Point { kNaN, 350 } << 0.0;
    QTest::newRow("line from infinity") << 0 << Point { 100, kInf } << 0.0;
    QTest::newRow("line far outside") << 0 << Point { 1e300, 1e299 } << 0.0;
    QTest::newRow("circle at NaN") << 1 << Point { kNaN, 350 } << 5.0;
    QTest::newRow("circle far outside") << 1 << Point { -1e300, 350 } << 5.0;
    QTest::newRow("circle of NaN radius") << 1 << Point { 455, 350 } << kNaN;
    QTest::newRow("circle of huge radius") << 1 << Point { 455, 350 } << 1e300;
    QTest::newRow("print at NaN") << 2 << Point { kNaN, 350 } << 12.0;
    QTest::newRow("print far outside") << 2 << Point { 1e12, 350 } << 12.0;
    QTest::newRow("print NaN") << 2 << Point { 455, 350 } << kNaN;
    QTest::newRow("print infinity") << 2 << Point { 455, 350 } << kInf;
}

void TestImageSurface::unusable_input_draws_nothing()
{
    QFETCH(int, kind);
    QFETCH(Point, position);
    QFETCH(double, number);
    ImageSurface surface;
    surface.Scale({ 0, 700 }, { 910, 0 });
    if (kind == 0)
        surface.Line(position, { 1e300, 1e300 }, psa::kBlack);
    if (kind == 1)
        surface.Circle(position, number);
    surface.CurrentX(position.x);
    surface.CurrentY(position.y);
    if (kind == 2)
        surface.Print(number);
    QVERIFY(drawnArea(surface.image()).isNull());
}

void TestImageSurface::far_lines_are_drawn_where_they_cross()
{
    ImageSurface surface;
    surface.Scale({ 0, 700 }, { 910, 0 });
    surface.Line({ -DBL_MAX, 350 }, { DBL_MAX, 350 }, psa::kRed);
    surface.Line({ 455, -1e300 }, { 455, 1e300 }, std::nullopt);
    const QImage &image = surface.image();
    QCOMPARE(redInRow(image, rowOf(350), 0, 848), 848); // all but where the black line crosses
    QCOMPARE(drawnArea(image), QRect(0, 0, 849, 521));
    for (int row = 0; row < 521; ++row)
        QVERIFY(isBlack(image.pixel(columnOf(455), row)));
}

QTEST_MAIN(TestImageSurface)
#include "test_image_surface.moc"
