// The PNG encoder: its files read back by Qt's own PNG reader hold the source pixels and resolution, whatever
// the rows' padding, with a palette where the picture has few colours, like the graph, and the palette is the
// smaller; the PNG made from the program's bitmap is the one made from its pixels; and what it refuses.

#include "platform/bitmap_file.h"
#include "platform/png_file.h"

#include <QImage>
#include <QtEndian>
#include <QtTest>

#include <vector>

using namespace psa;

namespace {

// `colours` colours over and over, each pixel another: pairs of a green, one without blue and one with all,
// some of which the palette's search finds in the same place; with no `colours`, a pattern in every channel.
// The top byte, which must be ignored, is set.
std::vector<std::uint32_t> patterned(int stride, int height, int colours)
{
    std::vector<std::uint32_t> pixels(std::size_t(stride) * std::size_t(height));
    for (std::uint32_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t n = colours > 0 ? i % std::uint32_t(colours) : 0;
        pixels[i] = colours > 0 ? (n / 2) << 8 | (n % 2) * 0xFF | (i % 7) << 24
                                : 0xA5000000u | (i * 2654435761u) >> 8;
    }
    return pixels;
}

} // namespace

class TestPngFile : public QObject {
    Q_OBJECT

private slots:
    void encodesPixels_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("stride");
        QTest::addColumn<quint32>("dotsPerMetre");
        QTest::addColumn<int>("colours"); // 0: as many as pixels
        QTest::addColumn<int>("colourType"); // 2: RGB, 3: palette
        QTest::newRow("2 x 3: a bitmap row would be padded") << QSize(2, 3) << 2 << 3780u << 0 << 2;
        QTest::newRow("3 x 2, rows longer apart than wide") << QSize(3, 2) << 5 << 3780u << 0 << 2;
        QTest::newRow("the graph's picture at 200 %") << QSize(1698, 1042) << 1700 << 7559u << 0 << 2;
        QTest::newRow("the largest resolution") << QSize(4, 4) << 4 << 0xFFFFFFFFu << 0 << 2;
        QTest::newRow("256 colours, the most a palette holds") << QSize(64, 40) << 64 << 3780u << 256 << 3;
        QTest::newRow("257 colours") << QSize(64, 40) << 64 << 3780u << 257 << 2;
        QTest::newRow("a palette just smaller than RGB") << QSize(2, 2) << 2 << 3780u << 2 << 3;
        QTest::newRow("a palette as big as RGB") << QSize(3, 1) << 3 << 3780u << 2 << 2;
    }

    void encodesPixels()
    {
        QFETCH(QSize, size);
        QFETCH(int, stride);
        QFETCH(quint32, dotsPerMetre);
        QFETCH(int, colours);
        const std::vector<std::uint32_t> pixels = patterned(stride, size.height(), colours);
        const PixelRows rows { pixels.data(), std::size_t(stride), size.width(), size.height() };
        const QByteArray png = QByteArray::fromStdString(encodePng(rows, dotsPerMetre).value());
        // Every reader needs the signature first and the end chunk last, which some forgive missing.
        QCOMPARE(
            png.left(8) + png.right(12), QByteArray("\x89PNG\r\n\x1A\n\0\0\0\0IEND\xAE\x42\x60\x82", 20));
        // The colour type, then a palette of each colour once, or none.
        QTEST(int(png[25]), "colourType");
        QCOMPARE(png.mid(37, 4) == "PLTE" ? qFromBigEndian<quint32>(png.constData() + 33) : 0,
            png[25] == 3 ? 3 * quint32(colours) : 0);

        // Read back by Qt: the same pixels and resolution (Qt holds at most 2^31 - 1 dots a metre).
        const QImage expected(reinterpret_cast<const uchar *>(pixels.data()), size.width(), size.height(),
            4 * stride, QImage::Format_RGB32);
        const QImage image = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image, expected);
        if (dotsPerMetre <= 0x7FFFFFFF)
            QCOMPARE(image.dotsPerMeterX(), int(dotsPerMetre));

        // From the program's own bitmap of the same pixels: the same file.
        QCOMPARE(
            QByteArray::fromStdString(pngFromBitmap(encodeBitmap(rows, dotsPerMetre).value()).value()), png);
    }

    // Rows without pixels, longer than their stride, or beyond both the largest image data and the 4 GB a
    // bitmap can say are no picture in either format.
    void refusesWhatIsNoPicture()
    {
        const std::uint32_t pixel = 0;
        for (const PixelRows &rows : { PixelRows { &pixel, 1, 0, 1 }, PixelRows { &pixel, 2, 3, 2 },
                 PixelRows { &pixel, 1 << 28, 1 << 28, 16 } }) {
            const Result<std::string> encoded = encodePng(rows, 3780);
            QVERIFY(!encoded.ok() && encoded.reason() == kNoBitmapReason);
            QVERIFY(!encodeBitmap(rows, 3780));
        }
    }

    // Only the bitmap the program writes itself is converted; anything else is refused, never read beyond its
    // end.
    void convertsOnlyTheProgramsBitmap_data()
    {
        QTest::addColumn<QByteArray>("bitmap");
        QTest::addColumn<bool>("converted");
        const std::vector<std::uint32_t> pixels = patterned(3, 2, 0);
        const QByteArray good
            = QByteArray::fromStdString(encodeBitmap({ pixels.data(), 3, 3, 2 }, 3780).value());
        const auto changed = [&good](qsizetype at, const QByteArray &bytes) {
            return QByteArray(good).replace(at, bytes.size(), bytes);
        };
        QTest::newRow("as written") << good << true;
        QTest::newRow("with bytes after the pixels") << good + "more" << true;
        QTest::newRow("nothing") << QByteArray() << false;
        QTest::newRow("one byte of pixels short") << good.chopped(1) << false;
        QTest::newRow("not BM") << changed(0, "bm") << false;
        QTest::newRow("pixels elsewhere") << changed(10, QByteArray("\x37\0\0\0", 4)) << false;
        QTest::newRow("a version 5 header") << changed(14, QByteArray("\x7C\0\0\0", 4)) << false;
        QTest::newRow("32 bits a pixel") << changed(28, QByteArray("\x20\0", 2)) << false;
        QTest::newRow("compressed") << changed(30, QByteArray("\x01\0\0\0", 4)) << false;
        QTest::newRow("rows from the top") << changed(22, QByteArray("\xFE\xFF\xFF\xFF", 4)) << false;
        QTest::newRow("no width") << changed(18, QByteArray("\0\0\0\0", 4)) << false;
        QTest::newRow("a width far beyond the pixels") << changed(18, QByteArray("\0\0\0\x10", 4)) << false;
    }

    void convertsOnlyTheProgramsBitmap()
    {
        QFETCH(QByteArray, bitmap);
        QFETCH(bool, converted);
        const Result<std::string> png = pngFromBitmap(bitmap.toStdString());
        QCOMPARE(png ? QImage::fromData(QByteArray::fromStdString(*png), "PNG").size() : QSize(),
            converted ? QSize(3, 2) : QSize());
    }
};

QTEST_GUILESS_MAIN(TestPngFile)
#include "test_png_file.moc"
