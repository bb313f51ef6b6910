// The surface's Windows bitmap: for every row padding and pixel ratio, the very bytes Qt's own BMP writer
// makes of the same picture, and the picture back when read.

#include "platform/qt/qt_surface.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

using namespace psa;

class TestBitmap : public QObject {
    Q_OBJECT

private slots:
    void writesStandardBitmap_data();
    void writesStandardBitmap();
};

void TestBitmap::writesStandardBitmap_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qreal>("ratio");

    QTest::newRow("the picture") << QSize(849, 521) << 1.0;
    QTest::newRow("the picture at ratio 2") << QSize(849, 521) << 2.0;
    QTest::newRow("rows of 4 bytes, no padding") << QSize(4, 3) << 1.0;
    QTest::newRow("3 bytes of padding") << QSize(1, 2) << 1.0;
    QTest::newRow("2 bytes of padding") << QSize(2, 2) << 1.0;
    QTest::newRow("1 byte of padding") << QSize(3, 5) << 1.0;
    QTest::newRow("one pixel") << QSize(1, 1) << 1.0;
}

void TestBitmap::writesStandardBitmap()
{
    QFETCH(QSize, size);
    QFETCH(qreal, ratio);

    ImageSurface surface(size, ratio);
    // Colours that tell the byte order apart, a text's shades, and rows that differ from top to bottom.
    surface.Scale({ 0, 0 }, { 1, 1 });
    surface.Line({ 0, 0.1 }, { 1, 0.1 }, kRed);
    surface.Line({ 0.5, 0 }, { 0.5, 1 }, Colour { 0, 128, 255 });
    surface.Line({ 0, 0.9 }, { 0.9, 0 }, std::nullopt);
    surface.CurrentX(0.1);
    surface.CurrentY(0.4);
    surface.Print(12.5);

    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    QVERIFY(QImageWriter(&expected, "BMP").write(surface.image()));
    const QByteArray written = QByteArray::fromStdString(surface.BitmapBytes());
    QCOMPARE(written.size(), expected.data().size());
    QVERIFY2(written == expected.data(), "the bitmap differs from the one Qt writes");
    // A bitmap knows pixels only, not the ratio of the screen they were drawn for.
    QImage drawn = surface.image().convertToFormat(QImage::Format_RGB32);
    drawn.setDevicePixelRatio(1);
    QCOMPARE(QImage::fromData(written, "BMP").convertToFormat(QImage::Format_RGB32), drawn);
}

QTEST_MAIN(TestBitmap)
#include "test_bitmap.moc"
