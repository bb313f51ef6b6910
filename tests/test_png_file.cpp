// The PNG encoder: its files read back by Qt's own PNG reader hold the source pixels and resolution, whatever
// the rows' padding; the PNG made from the program's bitmap is the one made from its pixels; and what it
// refuses.

#include "platform/bitmap_file.h"
#include "platform/png_file.h"

#include <QImage>
#include <QtTest>

#include <vector>

using namespace psa;

namespace {

// Pixels with a pattern in every channel and the top byte, which must be ignored, set.
std::vector<std::uint32_t> patterned(int stride, int height)
{
    std::vector<std::uint32_t> pixels(std::size_t(stride) * std::size_t(height));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xA5000000u | ((std::uint32_t(i) * 2654435761u) >> 8);
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
        QTest::newRow("2 x 3: a bitmap row would be padded") << QSize(2, 3) << 2 << quint32(3780);
        QTest::newRow("3 x 2, rows longer apart than wide") << QSize(3, 2) << 5 << quint32(3780);
        QTest::newRow("the graph's picture at 200 %") << QSize(1698, 1042) << 1700 << quint32(7559);
        QTest::newRow("the largest resolution") << QSize(4, 4) << 4 << quint32(0xFFFFFFFF);
    }

    void encodesPixels()
    {
        QFETCH(QSize, size);
        QFETCH(int, stride);
        QFETCH(quint32, dotsPerMetre);
        const std::vector<std::uint32_t> pixels = patterned(stride, size.height());
        const PixelRows rows { pixels.data(), std::size_t(stride), size.width(), size.height() };
        const Result<std::string> encoded = encodePng(rows, dotsPerMetre);
        QVERIFY(encoded.ok());
        const QByteArray png = QByteArray::fromStdString(*encoded);
        // Every reader needs the signature first and the end chunk last, which some forgive missing.
        QVERIFY(png.startsWith(QByteArray(kPngSignature.data(), qsizetype(kPngSignature.size()))));
        QVERIFY(png.endsWith(QByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12)));

        // Read back by Qt: the same pixels and resolution (Qt holds at most 2^31 - 1 dots a metre).
        const QImage expected(reinterpret_cast<const uchar *>(pixels.data()), size.width(), size.height(),
            4 * stride, QImage::Format_RGB32);
        const QImage image = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image, expected);
        if (dotsPerMetre <= 0x7FFFFFFF)
            QCOMPARE(image.dotsPerMeterX(), int(dotsPerMetre));

        // From the program's own bitmap of the same pixels: the same file.
        const Result<std::string> converted = pngFromBitmap(encodeBitmap(rows, dotsPerMetre).value());
        QVERIFY(converted.ok());
        QVERIFY(*converted == *encoded);
    }

    void refusesWhatIsNoPicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("stride");
        QTest::newRow("rows longer than their stride") << QSize(3, 2) << 2;
        QTest::newRow("beyond the largest image data") << QSize(1 << 28, 4) << (1 << 28);
    }

    void refusesWhatIsNoPicture()
    {
        QFETCH(QSize, size);
        QFETCH(int, stride);
        const std::uint32_t pixel = 0;
        const Result<std::string> encoded
            = encodePng({ &pixel, std::size_t(stride), size.width(), size.height() }, 3780);
        QVERIFY(!encoded.ok());
        QCOMPARE(encoded.reason(), std::u16string(kNoBitmapReason));
    }

    // Only the bitmap the program writes itself is converted; anything else is refused, never read beyond
    // its end.
    void convertsOnlyTheProgramsBitmap_data()
    {
        QTest::addColumn<QByteArray>("bitmap");
        QTest::addColumn<bool>("converted");
        const std::vector<std::uint32_t> pixels = patterned(3, 2);
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
        QCOMPARE(png.ok(), converted);
        if (converted)
            QCOMPARE(QImage::fromData(QByteArray::fromStdString(*png), "PNG").size(), QSize(3, 2));
    }
};

QTEST_GUILESS_MAIN(TestPngFile)
#include "test_png_file.moc"
