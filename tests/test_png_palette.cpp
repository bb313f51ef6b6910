// The PNG encoder's choice between palette and RGB: pictures of few colours, like the graph, are written with
// a palette and read back by Qt's own PNG reader as the very pixels they were made of; pictures of more than
// 256 colours, or whose palette would be no smaller, as RGB.

#include "platform/png_file.h"

#include <QImage>
#include <QtTest>

#include <vector>

using namespace psa;

namespace {

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

struct Picture {
    int width;
    int height;
    int colours;
    int colourType;
};

} // namespace

Q_DECLARE_METATYPE(Picture)

class TestPngPalette : public QObject {
    Q_OBJECT

private slots:
    void choosesTheColourType_data()
    {
        QTest::addColumn<Picture>("picture");
        QTest::newRow("256 colours, the most a palette holds") << Picture { 64, 40, 256, 3 };
        QTest::newRow("257 colours") << Picture { 64, 40, 257, 2 };
        QTest::newRow("a palette just smaller than RGB") << Picture { 2, 2, 2, 3 };
        QTest::newRow("a palette as big as RGB") << Picture { 3, 1, 2, 2 };
    }

    void choosesTheColourType()
    {
        QFETCH(Picture, picture);
        // The colours over and over, each pixel another: pairs of a green, one without blue and one with
        // all, some of which the palette's search finds in the same place. The top byte varies, to be
        // ignored.
        std::vector<std::uint32_t> pixels(std::size_t(picture.width) * std::size_t(picture.height));
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const std::size_t colour = i % std::size_t(picture.colours);
            pixels[i] = std::uint32_t(colour / 2) << 8 | std::uint32_t(colour % 2) * 0xFF
                | std::uint32_t(i % 7) << 24;
        }
        const Result<std::string> encoded
            = encodePng({ pixels.data(), std::size_t(picture.width), picture.width, picture.height }, 3780);
        QVERIFY(encoded.ok());
        const QByteArray png = QByteArray::fromStdString(*encoded);

        QCOMPARE(int(chunk(png, "IHDR")[9]), picture.colourType);
        QCOMPARE(chunk(png, "PLTE").size(), picture.colourType == 3 ? 3 * picture.colours : 0);
        // Qt's reader (libpng) gives back every pixel as it was drawn.
        const QImage image = QImage::fromData(png, "PNG");
        QCOMPARE(image.size(), QSize(picture.width, picture.height));
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                QCOMPARE(image.pixel(x, y) & 0xFFFFFF, pixels[std::size_t(y * picture.width + x)] & 0xFFFFFF);
    }
};

QTEST_GUILESS_MAIN(TestPngPalette)
#include "test_png_palette.moc"
