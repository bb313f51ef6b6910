#include "platform/png_file.h"

#include <zlib.h>

#include <limits>

namespace psa {

namespace {

// The largest image data deflated here; far above any picture the program draws, and low enough for zlib's
// 32-bit counts on every system.
constexpr std::size_t kLargestImageData = std::size_t(1) << 30;
// Fixed so that every build writes the same bytes for the same pixels. Runs of one byte are all the graph's
// white background and its lines hold: deflating them alone takes a fifth of the time of the best
// compression, for a file twice as big (some 10 KB), which a batch of many pictures feels.
constexpr int kDeflateLevel = 9;
constexpr int kDeflateWindowBits = 15;
constexpr int kDeflateMemoryLevel = 8;

constexpr std::size_t kBitmapHeaderBytes = 54;

void appendBigEndian(std::string &bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(char((value >> shift) & 0xFF));
}

std::uint32_t readLittleEndian(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(bytes[at + std::size_t(i)])) << (8 * i);
    return value;
}

// Length, type, data and the CRC of type and data.
void appendChunk(std::string &png, std::string_view type, std::string_view data)
{
    appendBigEndian(png, std::uint32_t(data.size()));
    const std::size_t typeAt = png.size();
    png.append(type);
    png.append(data);
    const auto *checked = reinterpret_cast<const Bytef *>(png.data() + typeAt);
    appendBigEndian(png, std::uint32_t(crc32(crc32(0L, Z_NULL, 0), checked, uInt(png.size() - typeAt))));
}

Result<std::string> deflated(std::string &raw)
{
    z_stream stream {};
    if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, kDeflateWindowBits, kDeflateMemoryLevel, Z_RLE)
        != Z_OK)
        return Failure { std::u16string(kNoBitmapReason) };
    std::string out(deflateBound(&stream, uLong(raw.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(raw.data());
    stream.avail_in = uInt(raw.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return Failure { std::u16string(kNoBitmapReason) };
    return out;
}

// `raw` holds the rows from the top, each a filter byte (0, none) and width * 3 bytes of red, green, blue.
Result<std::string> pngOfRows(
    std::uint32_t width, std::uint32_t height, std::string &raw, std::uint32_t dotsPerMetre)
{
    const Result<std::string> imageData = deflated(raw);
    if (!imageData)
        return Failure { imageData.reason() };

    std::string header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header += std::string_view(
        "\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, adaptive filters, no interlace
    std::string resolution;
    appendBigEndian(resolution, dotsPerMetre);
    appendBigEndian(resolution, dotsPerMetre);
    resolution.push_back('\x01'); // the unit is the metre

    std::string png(kPngSignature);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "pHYs", resolution);
    appendChunk(png, "IDAT", *imageData);
    appendChunk(png, "IEND", {});
    return png;
}

// Whether `width` by `height` pixels fit the limits; the size of one raw row when they do.
std::size_t rawRowBytes(std::size_t width, std::size_t height)
{
    if (width == 0 || height == 0 || width > kLargestImageData / 3)
        return 0;
    const std::size_t rowBytes = 1 + 3 * width;
    return rowBytes > kLargestImageData / height ? 0 : rowBytes;
}

} // namespace

Result<std::string> encodePng(const PixelRows &pixels, std::uint32_t dotsPerMetre)
{
    if (!pixels.holdsPixels())
        return Failure { std::u16string(kNoBitmapReason) };
    const auto width = std::size_t(pixels.width);
    const auto height = std::size_t(pixels.height);
    const std::size_t rowBytes = rawRowBytes(width, height);
    if (rowBytes == 0)
        return Failure { std::u16string(kNoBitmapReason) };

    std::string raw(rowBytes * height, '\0');
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint32_t *row = pixels.top + y * pixels.rowStride;
        char *out = raw.data() + y * rowBytes + 1;
        for (std::size_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t pixel = row[x];
            out[0] = char((pixel >> 16) & 0xFF);
            out[1] = char((pixel >> 8) & 0xFF);
            out[2] = char(pixel & 0xFF);
        }
    }
    return pngOfRows(std::uint32_t(width), std::uint32_t(height), raw, dotsPerMetre);
}

Result<std::string> pngFromBitmap(std::string_view bitmap)
{
    if (bitmap.size() < kBitmapHeaderBytes || bitmap.substr(0, 2) != "BM"
        || readLittleEndian(bitmap, 10, 4) != kBitmapHeaderBytes || readLittleEndian(bitmap, 14, 4) != 40
        || readLittleEndian(bitmap, 26, 2) != 1 || readLittleEndian(bitmap, 28, 2) != 24
        || readLittleEndian(bitmap, 30, 4) != 0)
        return Failure { std::u16string(kNoBitmapReason) };
    const std::uint32_t storedWidth = readLittleEndian(bitmap, 18, 4);
    const std::uint32_t storedHeight = readLittleEndian(bitmap, 22, 4);
    // A negative height (rows from the top) is not what the program writes.
    if (storedWidth > std::uint32_t(std::numeric_limits<std::int32_t>::max())
        || storedHeight > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        return Failure { std::u16string(kNoBitmapReason) };
    const std::size_t width = storedWidth;
    const std::size_t height = storedHeight;
    const std::size_t rowBytes = rawRowBytes(width, height);
    if (rowBytes == 0)
        return Failure { std::u16string(kNoBitmapReason) };
    const std::size_t bitmapRowBytes = (3 * width + 3) / 4 * 4;
    if ((bitmap.size() - kBitmapHeaderBytes) / height < bitmapRowBytes)
        return Failure { std::u16string(kNoBitmapReason) };

    std::string raw(rowBytes * height, '\0');
    for (std::size_t y = 0; y < height; ++y) {
        const char *in = bitmap.data() + kBitmapHeaderBytes + (height - 1 - y) * bitmapRowBytes;
        char *out = raw.data() + y * rowBytes + 1;
        for (std::size_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return pngOfRows(storedWidth, storedHeight, raw, readLittleEndian(bitmap, 38, 4));
}

} // namespace psa
