// The PNG encoder's choice between palette and RGB: pictures of few colours, like the graph, are written with
// a palette and read back by Qt's own PNG reader as the very pixels they were made of; pictures of more than
// 256 colours, or whose palette would be no smaller, as RGB. The bitmap's PNG is the same file.

#include "platform/bitmap_file.h"
#include "platform/png_file.h"

#include <QImage>
#include <QtTest>

#include <vector>

using namespace psa;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 40;

// A white picture with a black frame, two red lines and grey shades as a text's edges have, `colours`
// colours in all; the top byte of every pixel is set, to be ignored.
std::vector<std::uint32_t> drawing(int colours)
{
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight, 0xFFFFFFFF);
    for (int i = 0; i < int(pixels.size()); ++i) {
        const int x = i % kWidth;
        const int y = i / kWidth;
        if (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1)
            pixels[std::size_t(i)] = 0xFF000000;
        else if (y == 10 || y == 30)
            pixels[std::size_t(i)] = 0xFFFF0000;
    }
    // The other colours from the middle of the picture on, so that white and black come first; each differs
    // from the others in one channel.
    for (int colour = 3; colour < colours; ++colour)
        pixels[std::size_t(kWidth) * 12 + std::size_t(colour)]
            = 0xFF000000 | std::uint32_t(colour) << (8 * (colour % 3));
    return pixels;
}

// 256 colours, the last of them white, which comes back after: its index is 255.
std::vector<std::uint32_t> whiteLast()
{
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 256 == 255 ? 0x00FFFFFF : 0x00000040 | std::uint32_t(i % 256) << 8;
    return pixels;
}

quint32 bigEndian(const QByteArray &bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
        | quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
}

// The data of the first chunk of `type`, or nothing.
QByteArray chunk(const QByteArray &png, const char *type)
{
    for (qsizetype at = 8; at + 12 <= png.size(); at += 12 + qsizetype(bigEndian(png, at)))
        if (png.mid(at + 4, 4) == type)
            return png.mid(at + 8, qsizetype(bigEndian(png, at)));
    return {};
}

} // namespace

class TestPngPalette : public QObject {
    Q_OBJECT

private slots:
    void choosesTheColourType_data()
    {
        QTest::addColumn<QVector<quint32>>("pixels");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("colourType");
        QTest::addColumn<int>("paletteSize");
        const auto of = [](const std::vector<std::uint32_t> &pixels) {
            return QVector<quint32>(pixels.begin(), pixels.end());
        };
        QTest::newRow("the graph's few colours") << of(drawing(40)) << kWidth << 3 << 40;
        QTest::newRow("one colour") << of(std::vector<std::uint32_t>(64 * 64, 0x00C0FFFF)) << 64 << 3 << 1;
        QTest::newRow("256 colours, the most a palette holds") << of(drawing(256)) << kWidth << 3 << 256;
        QTest::newRow("257 colours") << of(drawing(257)) << kWidth << 2 << 0;
        QTest::newRow("white as the 256th colour, then again") << of(whiteLast()) << kWidth << 3 << 256;
        std::vector<std::uint32_t> topBytes = drawing(3);
        for (std::size_t i = 0; i < topBytes.size(); i += 2)
            topBytes[i] &= 0x00FFFFFF;
        QTest::newRow("colours that differ in the top byte only") << of(topBytes) << kWidth << 3 << 3;
        QTest::newRow("a palette no smaller than RGB")
            << QVector<quint32> { 0x010203, 0x040506, 0x070809, 0x0A0B0C } << 2 << 2 << 0;
        QTest::newRow("a palette just smaller than RGB")
            << QVector<quint32> { 0x010203, 0x040506, 0x010203, 0x040506 } << 2 << 3 << 2;
        QTest::newRow("a palette as big as RGB")
            << QVector<quint32> { 0x010203, 0x040506, 0x010203 } << 3 << 2 << 0;
    }

    void choosesTheColourType()
    {
        QFETCH(QVector<quint32>, pixels);
        QFETCH(int, width);
        QFETCH(int, colourType);
        QFETCH(int, paletteSize);
        const int height = int(pixels.size()) / width;
        const PixelRows rows { pixels.constData(), std::size_t(width), width, height };
        const Result<std::string> encoded = encodePng(rows, 3780);
        QVERIFY(encoded.ok());
        const QByteArray png = QByteArray::fromStdString(*encoded);

        const QByteArray header = chunk(png, "IHDR");
        QCOMPARE(header.size(), 13);
        QCOMPARE(int(header[8]), 8);
        QCOMPARE(int(header[9]), colourType);
        QCOMPARE(chunk(png, "PLTE").size(), 3 * paletteSize);

        // Qt's reader (libpng) gives back every pixel as it was drawn.
        const QImage image = QImage::fromData(png, "PNG");
        QCOMPARE(image.size(), QSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(image.pixel(x, y) & 0xFFFFFF, pixels[y * width + x] & 0xFFFFFF);

        // The program's bitmap of the same pixels gives the same file.
        const Result<std::string> bitmap = encodeBitmap(rows, 3780);
        QVERIFY(bitmap.ok());
        const Result<std::string> converted = pngFromBitmap(*bitmap);
        QVERIFY(converted.ok());
        QVERIFY(*converted == *encoded);
    }
};

QTEST_GUILESS_MAIN(TestPngPalette)
#include "test_png_palette.moc"
