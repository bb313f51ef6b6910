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

// The example of three records, every value 1.5 so that the segments run level through the markers.
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

int countInRow(const QImage &image, int row, int fromColumn, int toColumn, bool (*test)(QRgb))
{
    int count = 0;
    for (int column = fromColumn; column <= toColumn; ++column)
        count += test(image.pixel(column, row)) ? 1 : 0;
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
    void starts_white_at_its_size();
    void reference_rows_are_red_data();
    void reference_rows_are_red();
    void axis_and_border_are_black_columns();
    void marker_ring_around_its_point();
    void scale_maps_onto_pixels_data();
    void scale_maps_onto_pixels();
    void circle_is_round_data();
    void circle_is_round();
    void text_hangs_from_its_position();
    void cls_erases_everything();
    void bitmap_holds_the_same_pixels();
    void high_density_image();
    void unusable_input_draws_nothing_data();
    void unusable_input_draws_nothing();
    void far_line_is_drawn_where_it_crosses();
    void reports_changes();
};

void TestImageSurface::starts_white_at_its_size()
{
    ImageSurface surface;
    QCOMPARE(surface.image().size(), QSize(849, 521));
    QCOMPARE(surface.image().format(), QImage::Format_RGB32);
    QVERIFY(drawnArea(surface.image()).isNull());
}

void TestImageSurface::reference_rows_are_red_data()
{
    QTest::addColumn<double>("psa");
    QTest::newRow("0.2") << 0.2;
    QTest::newRow("2") << 2.0;
}

// A reference line is one crisp red pixel row across the plot, crossed only by the month lines.
void TestImageSurface::reference_rows_are_red()
{
    QFETCH(double, psa);
    ImageSurface surface;
    drawExample(surface);
    const QImage &image = surface.image();
    const int row = rowOf(yOfPsa(psa));
    const int left = columnOf(40) + 1;
    const int right = columnOf(900) - 1;
    QVERIFY2(countInRow(image, row, left, right, isRed) > (right - left) * 9 / 10,
        qPrintable(QString::number(countInRow(image, row, left, right, isRed))));
    QCOMPARE(countInRow(image, row - 1, 0, image.width() - 1, isRed), 0);
    QCOMPARE(countInRow(image, row + 1, 0, image.width() - 1, isRed), 0);
}

void TestImageSurface::axis_and_border_are_black_columns()
{
    ImageSurface surface;
    drawExample(surface);
    const QImage &image = surface.image();
    for (int row = rowOf(550); row <= rowOf(20); ++row)
        QVERIFY2(isBlack(image.pixel(columnOf(40), row)), qPrintable(QString::number(row)));
    for (int row = rowOf(550); row <= rowOf(50); ++row)
        QVERIFY2(isBlack(image.pixel(columnOf(900), row)), qPrintable(QString::number(row)));
    // Only the year lines reach below the bottom axis, the axis itself among them.
    QVERIFY(!isBlack(image.pixel(columnOf(900), rowOf(50) + 3)));
}

void TestImageSurface::marker_ring_around_its_point()
{
    ImageSurface surface;
    drawExample(surface);
    const QImage &image = surface.image();
    // The second record, at month index 3 of 24. Its segments run level, three pixels high at most.
    const int column = columnOf(146.25);
    const int row = rowOf(yOfPsa(1.5));
    const int radius = int(std::lround(5.0 * 849 / 910));
    const auto blackNear = [&](int centreRow) {
        return isBlack(image.pixel(column, centreRow - 1)) || isBlack(image.pixel(column, centreRow))
            || isBlack(image.pixel(column, centreRow + 1));
    };
    QVERIFY(blackNear(row - radius));
    QVERIFY(blackNear(row + radius));
    QVERIFY(!isBlack(image.pixel(column, row - radius + 2))); // inside the ring, above the segment
    QVERIFY(!isBlack(image.pixel(column, row + radius + 2)));
    QVERIFY(!isBlack(image.pixel(column, row - radius - 2)));
}

void TestImageSurface::scale_maps_onto_pixels_data()
{
    QTest::addColumn<Point>("upperLeft");
    QTest::addColumn<Point>("lowerRight");
    QTest::addColumn<Point>("point");
    QTest::addColumn<QPoint>("pixel");
    const Point graphUpperLeft { 0, 700 };
    const Point graphLowerRight { 910, 0 };
    QTest::newRow("graph: upper left corner")
        << graphUpperLeft << graphLowerRight << Point { 0, 700 } << QPoint(0, 0);
    QTest::newRow("graph: middle") << graphUpperLeft << graphLowerRight << Point { 455, 350 }
                                   << QPoint(424, 260);
    QTest::newRow("graph: just above the bottom")
        << graphUpperLeft << graphLowerRight << Point { 909, 1 } << QPoint(848, 520);
    QTest::newRow("downward y") << Point { 0, 0 } << Point { 910, 700 } << Point { 0, 1 } << QPoint(0, 0);
    QTest::newRow("downward y, near the bottom")
        << Point { 0, 0 } << Point { 910, 700 } << Point { 455, 699 } << QPoint(424, 520);
    QTest::newRow("leftward x") << Point { 910, 0 } << Point { 0, 700 } << Point { 909, 350 }
                                << QPoint(0, 260);
    QTest::newRow("offset origin") << Point { -100, 100 } << Point { 749, -421 } << Point { -90, 90 }
                                   << QPoint(10, 10);
    QTest::newRow("no extent: keeps pixel coordinates")
        << Point { 5, 5 } << Point { 5, 100 } << Point { 10, 20 } << QPoint(10, 20);
    QTest::newRow("not finite: keeps pixel coordinates")
        << Point { 0, 0 } << Point { kInf, 100 } << Point { 10, 20 } << QPoint(10, 20);
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
    const QImage &image = surface.image();
    QVERIFY(isBlack(image.pixel(pixel)));
    QCOMPARE(drawnArea(image), QRect(pixel, QSize(1, 1)));
}

void TestImageSurface::circle_is_round_data()
{
    QTest::addColumn<double>("radius");
    QTest::newRow("marker") << 5.0;
    QTest::newRow("20 units") << 20.0;
    QTest::newRow("120 units") << 120.0;
}

// The radius counts horizontal units, and the circle is as high as it is wide although a vertical unit of
// the graph is shorter on screen than a horizontal one.
void TestImageSurface::circle_is_round()
{
    QFETCH(double, radius);
    ImageSurface surface;
    surface.Scale({ 0, 700 }, { 910, 0 });
    surface.Circle({ 455, 350 }, radius);
    const QRect area = drawnArea(surface.image());
    const int pixels = int(std::lround(radius * 849 / 910));
    QCOMPARE(area.width(), area.height());
    QCOMPARE(area.width(), 2 * pixels + 1);
    QVERIFY(std::abs(area.center().x() - columnOf(455)) <= 1);
    QVERIFY(std::abs(area.center().y() - rowOf(350)) <= 1);
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
        QVERIFY(!area.isNull());
        // The leading blank comes first; the digits hang below the text position within one line height.
        QVERIFY2(area.left() > corner.x()
                && area.left() < corner.x() + metrics.horizontalAdvance(QStringLiteral("  ")),
            qPrintable(QString::number(area.left())));
        QVERIFY2(area.top() >= corner.y() && area.top() < corner.y() + metrics.ascent(),
            qPrintable(QString::number(area.top())));
        QVERIFY(area.bottom() < corner.y() + metrics.height());
    }
    QVERIFY(printedArea(large).height() > 2 * printedArea(small).height());
}

void TestImageSurface::cls_erases_everything()
{
    ImageSurface surface;
    drawExample(surface);
    QVERIFY(!drawnArea(surface.image()).isNull());
    surface.Cls();
    QVERIFY(drawnArea(surface.image()).isNull());
    // The coordinates stay: the same graph lands in the same place again.
    drawExample(surface);
    const QImage again = surface.image();
    ImageSurface fresh;
    drawExample(fresh);
    QCOMPARE(again, fresh.image());
}

void TestImageSurface::bitmap_holds_the_same_pixels()
{
    ImageSurface surface;
    drawExample(surface);
    const std::string bytes = surface.BitmapBytes();
    QVERIFY(bytes.size() > 2 && bytes.compare(0, 2, "BM") == 0);
    const QImage decoded = QImage::fromData(QByteArray::fromStdString(bytes), "BMP");
    QCOMPARE(decoded.size(), QSize(849, 521));
    QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), surface.image());
}

void TestImageSurface::high_density_image()
{
    ImageSurface surface({ 849, 521 }, 2);
    QCOMPARE(surface.logicalSize(), QSize(849, 521));
    QCOMPARE(surface.image().size(), QSize(1698, 1042));
    QCOMPARE(surface.image().devicePixelRatio(), 2.0);
    drawExample(surface);
    const QImage &image = surface.image();
    const int row = 2 * rowOf(yOfPsa(2));
    QVERIFY(countInRow(image, row, 2 * columnOf(40) + 4, 2 * columnOf(900) - 4, isRed) > 1400);
    const QImage decoded = QImage::fromData(QByteArray::fromStdString(surface.BitmapBytes()), "BMP");
    QCOMPARE(decoded.size(), QSize(1698, 1042));

    // Back to single density: the drawing is kept, scaled down.
    surface.resize({ 849, 521 }, 1);
    QCOMPARE(surface.image().size(), QSize(849, 521));
    const int reference = rowOf(yOfPsa(2));
    int reddish = 0;
    for (int column = columnOf(40) + 2; column <= columnOf(900) - 2; ++column) {
        const QRgb upper = surface.image().pixel(column, reference - 1);
        const QRgb lower = surface.image().pixel(column, reference);
        reddish += qRed(upper) - qGreen(upper) + qRed(lower) - qGreen(lower) > 150 ? 1 : 0;
    }
    QVERIFY2(reddish > 700, qPrintable(QString::number(reddish)));
}

void TestImageSurface::unusable_input_draws_nothing_data()
{
    QTest::addColumn<int>("kind"); // 0 line, 1 circle, 2 print
    QTest::addColumn<Point>("position");
    QTest::addColumn<double>("number"); // radius or printed value
    QTest::newRow("line to NaN") << 0 << Point { kNaN, 350 } << 0.0;
    QTest::newRow("line to infinity") << 0 << Point { 100, kInf } << 0.0;
    QTest::newRow("line far outside") << 0 << Point { 1e300, 1e300 } << 0.0;
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
    if (kind == 0) {
        surface.Line(position, { 1e300, 1e300 }, psa::kBlack);
    } else if (kind == 1) {
        surface.Circle(position, number);
    } else {
        surface.CurrentX(position.x);
        surface.CurrentY(position.y);
        surface.Print(number);
    }
    QVERIFY(drawnArea(surface.image()).isNull());
}

void TestImageSurface::far_line_is_drawn_where_it_crosses()
{
    ImageSurface surface;
    surface.Scale({ 0, 700 }, { 910, 0 });
    surface.Line({ -DBL_MAX, 350 }, { DBL_MAX, 350 }, psa::kRed);
    surface.Line({ 455, -1e300 }, { 455, 1e300 }, std::nullopt);
    const QImage &image = surface.image();
    QCOMPARE(countInRow(image, rowOf(350), 0, 848, isRed), 848);
    QCOMPARE(drawnArea(image), QRect(0, 0, 849, 521));
    for (int row = 0; row < 521; ++row)
        QVERIFY(isBlack(image.pixel(columnOf(455), row)));
}

void TestImageSurface::reports_changes()
{
    ImageSurface surface;
    int changes = 0;
    surface.onChanged = [&changes] { ++changes; };
    drawExample(surface);
    QVERIFY(changes > 0);
    const int afterDrawing = changes;
    surface.Cls();
    QCOMPARE(changes, afterDrawing + 1);
}

QTEST_MAIN(TestImageSurface)
#include "test_image_surface.moc"
