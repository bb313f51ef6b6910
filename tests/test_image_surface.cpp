// The drawing surface: the example graph pixel by pixel, clearing, and its Windows bitmap, which for every
// row padding and pixel ratio holds the very bytes Qt's own BMP writer makes of the same picture: a bitmap
// knows pixels only, not the ratio of the screen they were drawn for.

#include "platform/qt/qt_surface.h"
#include "support/form_rig.h"

#include <QtTest>

#include <cmath>

using namespace psa;

namespace {

using Rig = testing::FormRig<ImageSurface>;

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
    void exportAndClearTheGraph()
    {
        // The example's three dates, every value 1.5, so that the segments run level through the markers.
        Rig rig;
        rig.type({ "2004", "11", "1.5", "2005", "2", "1.5", "2006", "11", "1.5" });
        const QImage graph = rig.picture.image().copy();
        // A reference line is one crisp red pixel row across the plot.
        const int row = pixelOf(0, yOfPsa(2)).y();
        QVERIFY(count(graph, QRect(0, row, 849, 1), isRed) > 700);
        QCOMPARE(count(graph, QRect(0, row - 1, 849, 3), isRed), count(graph, QRect(0, row, 849, 1), isRed));
        // The left axis reaches from the top of the grid to below the bottom axis.
        const QPoint axisTop = pixelOf(40, 550), foot = pixelOf(40, 20);
        QCOMPARE(count(graph, QRect(axisTop, foot), isBlack), foot.y() - axisTop.y() + 1);
        // The second marker is a ring of 5 horizontal units, 5 pixels, as many up as across.
        const QPoint top = pixelOf(146.25, yOfPsa(1.5)) - QPoint(0, 5);
        QVERIFY(isBlack(graph.pixel(top)) && count(graph, QRect(top.x(), top.y() - 1, 1, 3), isBlack) == 1);
        // A number hangs below its position: " 1 " at (5, 255) leaves the margin above it blank.
        const QPoint label = pixelOf(5, 255);
        QVERIFY(count(graph, QRect(label.x(), label.y() - 10, 24, 10), isBlack) == 0
            && count(graph, QRect(label.x(), label.y(), 24, 15), isBlack) > 0);
        // The drawing is kept from the first click on, even when the dialog is cancelled.
        QVERIFY(!rig.picture.autoRedraw());
        QCOMPARE(rig.click(&Form1::Command2_Click, ""), "");
        QVERIFY(rig.picture.autoRedraw() && rig.fake.steps == 0);
        // Clearing keeps the records: the next draw gives the same picture.
        rig.form.Command9_Click();
        QCOMPARE(rig.picture.image(), ImageSurface().image());
        rig.form.Command1_Click();
        QCOMPARE(rig.picture.image(), graph);
    }

    void writesStandardBitmap_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");

        QTest::newRow("the picture, 1 byte of padding") << QSize(849, 521) << 1.0;
        QTest::newRow("the picture at ratio 2") << QSize(849, 521) << 2.0;
        QTest::newRow("rows of 4 bytes, no padding") << QSize(4, 3) << 1.0;
        QTest::newRow("three pixels a row, 3 bytes of padding") << QSize(3, 2) << 1.0;
    }

    void writesStandardBitmap()
    {
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);

        psa::ImageSurface surface(size, ratio);
        // Colours that tell the byte order apart, a text's shades, and rows that differ from top to bottom.
        surface.Scale({ 0, 0 }, { 1, 1 });
        surface.Line({ 0, 0.1 }, { 1, 0.1 }, psa::kRed);
        surface.Line({ 0.5, 0 }, { 0.5, 1 }, psa::Colour { 0, 128, 255 });
        surface.Line({ 0, 0.9 }, { 0.9, 0 }, std::nullopt);
        surface.CurrentX(0.1);
        surface.CurrentY(0.4);
        surface.Print(12.5);

        QByteArray expected;
        QBuffer buffer(&expected);
        QVERIFY(surface.image().save(&buffer, "BMP"));
        QCOMPARE(QByteArray::fromStdString(surface.bitmapBytes().value()), expected);
    }
};

QTEST_MAIN(TestImageSurface)
#include "test_image_surface.moc"
