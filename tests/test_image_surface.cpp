#include "graph/graph.h"
#include "platform/qt/qt_surface.h"

#include <QtTest>

#include <cmath>

namespace {

// The pixel of a position in the graph's coordinates, on the default 849 x 521 image.
const auto pixelOf
    = [](double x, double y) { return QPoint(int(x / 910 * 849), int((700 - y) / 700 * 521)); };
const auto yOfPsa = [](double psa) { return 250 + 100 * std::log10(psa); };
const auto isBlack = [](QRgb pixel) { return qRed(pixel) < 64 && qGreen(pixel) < 64 && qBlue(pixel) < 64; };
const auto isRed = [](QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 64 && qBlue(pixel) < 64; };
int count(const QImage &image, const QRect &area, const auto &is)
{
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            found += is(image.pixel(x, y)) ? 1 : 0;
    return found;
}

} // namespace

class TestImageSurface : public QObject {
    Q_OBJECT

private slots:
    void exampleGraphPixels();
};

// The example on the real surface, pixel by pixel; then its bitmap, and clearing.
void TestImageSurface::exampleGraphPixels()
{
    // The example's three dates, every value 1.5, so that the segments run level through the markers.
    psa::Records records;
    const double rows[3][3] = { { 2004, 11, 1.5 }, { 2005, 2, 1.5 }, { 2006, 11, 1.5 } };
    for (int k = 0; k < 9; ++k)
        records.RecordTable.set(k / 3 + 1, k % 3 + 1, rows[k / 3][k % 3]);
    records.RecordCount = 3;
    psa::ImageSurface surface;
    psa::DrawGraph(records, surface);
    const QImage image = surface.image();
    // Each reference line is one crisp red pixel row across the plot.
    for (const double psa : { 0.2, 2.0 }) {
        const int row = pixelOf(0, yOfPsa(psa)).y();
        QVERIFY2(count(image, QRect(0, row, 849, 1), isRed) > 700, qPrintable(QString::number(row)));
        QCOMPARE(count(image, QRect(0, row - 1, 849, 3), isRed), count(image, QRect(0, row, 849, 1), isRed));
    }
    // The left axis reaches from the top of the grid to below the bottom axis.
    const QPoint top = pixelOf(40, 550), foot = pixelOf(40, 20);
    QCOMPARE(count(image, QRect(top, foot), isBlack), foot.y() - top.y() + 1);
    // The second marker is a ring of 5 horizontal units, 5 pixels, as many up as across.
    const QPoint centre = pixelOf(146.25, yOfPsa(1.5));
    for (const int ring : { centre.y() - 5, centre.y() + 5 })
        QVERIFY(isBlack(image.pixel(centre.x(), ring))
            && count(image, QRect(centre.x(), ring - 1, 1, 3), isBlack) == 1);
    // A number hangs below its position: " 1 " at (5, 255) leaves the margin above it blank.
    const QPoint label = pixelOf(5, 255);
    QCOMPARE(count(image, QRect(label.x(), label.y() - 10, 24, 10), isBlack), 0);
    QVERIFY(count(image, QRect(label.x(), label.y(), 24, 15), isBlack) > 0);

    const QImage bitmap = QImage::fromData(QByteArray::fromStdString(surface.BitmapBytes()), "BMP");
    QCOMPARE(bitmap.convertToFormat(QImage::Format_RGB32), image);
    surface.Cls();
    QCOMPARE(surface.image(), psa::ImageSurface().image());
}

QTEST_MAIN(TestImageSurface)
#include "test_image_surface.moc"
