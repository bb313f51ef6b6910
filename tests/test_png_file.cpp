// The PNG encoder: every chunk and its CRC checked by hand, the image data inflated and read back by Qt's own
// PNG reader, equal to the source pixels; the PNG made from the program's bitmap equal to the one made from
// its pixels; and what it refuses.

#include "platform/bitmap_file.h"
#include "platform/png_file.h"

#include <QImage>
#include <QtTest>

#include <vector>

#include <zlib.h>

using namespace psa;

namespace {

// The CRC of PNG chunks, bit by bit, written apart from the encoder's.
quint32 chunkCrc(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return crc ^ 0xFFFFFFFF;
}

quint32 bigEndian(const QByteArray &bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
        | quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
}

struct Chunk {
    QByteArray type;
    QByteArray data;
};

// The chunks after the signature; fails the test on a bad length or CRC.
std::vector<Chunk> chunksOf(const QByteArray &png)
{
    std::vector<Chunk> chunks;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = bigEndian(png, at);
        if (at + 12 + qsizetype(length) > png.size())
            break;
        const QByteArray typeAndData = png.mid(at + 4, 4 + qsizetype(length));
        if (bigEndian(png, at + 8 + qsizetype(length)) != chunkCrc(typeAndData))
            return {};
        chunks.push_back({ typeAndData.left(4), typeAndData.mid(4) });
        at += 12 + qsizetype(length);
    }
    if (at != png.size())
        return {};
    return chunks;
}

// Pixels with a pattern in every channel and the top byte, which must be ignored, set.
std::vector<std::uint32_t> patterned(int stride, int height)
{
    std::vector<std::uint32_t> pixels(std::size_t(stride) * std::size_t(height));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xA5000000u | ((std::uint32_t(i) * 2654435761u) >> 8);
    return pixels;
}

QByteArray bitmapOf(int width, int height, std::uint32_t dotsPerMetre)
{
    const std::vector<std::uint32_t> pixels = patterned(width, height);
    return QByteArray::fromStdString(
        encodeBitmap({ pixels.data(), std::size_t(width), width, height }, dotsPerMetre).value());
}

} // namespace

// zlib's stream of `raw` with run-length matches only, level 9, the default window and memory.
static QByteArray runLengthDeflated(const QByteArray &raw)
{
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
        return "(no deflate)";
    QByteArray out(qsizetype(deflateBound(&stream, uLong(raw.size()))), '\0');
    QByteArray in = raw;
    stream.next_in = reinterpret_cast<Bytef *>(in.data());
    stream.avail_in = uInt(in.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(out.size() - qsizetype(stream.avail_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray("(deflate failed)");
}

class TestPngFile : public QObject {
    Q_OBJECT

private slots:
    void encodesPixels_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<quint32>("dotsPerMetre");
        QTest::newRow("one pixel") << 1 << 1 << 1 << quint32(3780);
        QTest::newRow("2 x 3: a bitmap row would be padded") << 2 << 3 << 2 << quint32(3780);
        QTest::newRow("3 x 2, rows longer apart than wide") << 3 << 2 << 5 << quint32(3780);
        QTest::newRow("one long row") << 1000 << 1 << 1000 << quint32(3780);
        QTest::newRow("one tall column") << 1 << 700 << 1 << quint32(3780);
        QTest::newRow("the graph's picture at 200 %") << 1698 << 1042 << 1700 << quint32(7559);
        QTest::newRow("no resolution") << 5 << 5 << 5 << quint32(0);
        QTest::newRow("the largest resolution") << 4 << 4 << 4 << quint32(0xFFFFFFFF);
    }

    void encodesPixels()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(quint32, dotsPerMetre);
        const std::vector<std::uint32_t> pixels = patterned(stride, height);
        const PixelRows rows { pixels.data(), std::size_t(stride), width, height };
        const Result<std::string> encoded = encodePng(rows, dotsPerMetre);
        QVERIFY(encoded.ok());
        const QByteArray png = QByteArray::fromStdString(*encoded);

        QCOMPARE(png.left(8), QByteArray("\x89PNG\r\n\x1A\n", 8));
        const std::vector<Chunk> chunks = chunksOf(png);
        QCOMPARE(chunks.size(), std::size_t(4));
        QCOMPARE(chunks[0].type, "IHDR");
        QCOMPARE(chunks[0].data.size(), 13);
        QCOMPARE(bigEndian(chunks[0].data, 0), quint32(width));
        QCOMPARE(bigEndian(chunks[0].data, 4), quint32(height));
        QCOMPARE(chunks[0].data.mid(8), QByteArray("\x08\x02\x00\x00\x00", 5));
        QCOMPARE(chunks[1].type, "pHYs");
        QCOMPARE(chunks[1].data.size(), 9);
        QCOMPARE(bigEndian(chunks[1].data, 0), dotsPerMetre);
        QCOMPARE(bigEndian(chunks[1].data, 4), dotsPerMetre);
        QCOMPARE(chunks[1].data[8], '\x01');
        QCOMPARE(chunks[2].type, "IDAT");
        QCOMPARE(chunks[3].type, "IEND");
        QCOMPARE(chunks[3].data, QByteArray());

        // The image data: each row one filter byte (none) and its red, green and blue, nothing between rows.
        const qsizetype rowBytes = 1 + 3 * qsizetype(width);
        QByteArray sized(4, '\0');
        qToBigEndian(quint32(rowBytes * height), sized.data());
        const QByteArray raw = qUncompress(sized + chunks[2].data);
        QCOMPARE(raw.size(), rowBytes * height);
        // Deflated as runs of repeated bytes only, with zlib's default window and memory: fixed, so that
        // every build writes the same bytes.
        QCOMPARE(chunks[2].data, runLengthDeflated(raw));
        for (int y = 0; y < height; ++y) {
            QCOMPARE(raw[y * rowBytes], '\0');
            for (int x = 0; x < width; ++x) {
                const std::uint32_t pixel = pixels[std::size_t(y) * std::size_t(stride) + std::size_t(x)];
                const char *rgb = raw.constData() + y * rowBytes + 1 + 3 * x;
                QCOMPARE(quint32(quint8(rgb[0])) << 16 | quint32(quint8(rgb[1])) << 8 | quint8(rgb[2]),
                    pixel & 0xFFFFFF);
            }
        }

        // Read back by Qt: the same pixels and resolution.
        const QImage image = QImage::fromData(png, "PNG");
        QCOMPARE(image.size(), QSize(width, height));
        if (dotsPerMetre > 0 && dotsPerMetre <= 0x7FFFFFFF)
            QCOMPARE(image.dotsPerMeterX(), int(dotsPerMetre));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(image.pixel(x, y) & 0xFFFFFF,
                    pixels[std::size_t(y) * std::size_t(stride) + std::size_t(x)] & 0xFFFFFF);

        // From the program's own bitmap of the same pixels: the same file.
        const Result<std::string> bitmap = encodeBitmap(rows, dotsPerMetre);
        QVERIFY(bitmap.ok());
        const Result<std::string> converted = pngFromBitmap(*bitmap);
        QVERIFY(converted.ok());
        QVERIFY(*converted == *encoded);
    }

    void refusesWhatIsNoPicture_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<bool>("withPixels");
        QTest::newRow("no pixels") << 1 << 1 << 1 << false;
        QTest::newRow("no width") << 0 << 1 << 1 << true;
        QTest::newRow("no height") << 1 << 0 << 1 << true;
        QTest::newRow("negative width") << -1 << 1 << 1 << true;
        QTest::newRow("rows longer than their stride") << 3 << 2 << 2 << true;
        QTest::newRow("beyond the largest image data") << (1 << 28) << 4 << (1 << 28) << true;
    }

    void refusesWhatIsNoPicture()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(bool, withPixels);
        const std::uint32_t pixel = 0;
        const Result<std::string> encoded
            = encodePng({ withPixels ? &pixel : nullptr, std::size_t(stride), width, height }, 3780);
        QVERIFY(!encoded.ok());
        QCOMPARE(encoded.reason(), std::u16string(kNoBitmapReason));
    }

    // Only the bitmap the program writes itself is converted; anything else is refused, never read beyond
    // its end.
    void convertsOnlyTheProgramsBitmap_data()
    {
        QTest::addColumn<QByteArray>("bitmap");
        QTest::addColumn<bool>("converted");
        const QByteArray good = bitmapOf(3, 2, 3780);
        const auto changed = [&good](qsizetype at, const QByteArray &bytes) {
            QByteArray copy = good;
            copy.replace(at, bytes.size(), bytes);
            return copy;
        };
        QTest::newRow("as written") << good << true;
        QTest::newRow("with bytes after the pixels") << good + "more" << true;
        QTest::newRow("nothing") << QByteArray() << false;
        QTest::newRow("the header alone") << good.left(54) << false;
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
