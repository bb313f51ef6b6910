#include "platform/png_file.h"

#include <zlib.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace psa {

namespace {

// The largest image data deflated here; far above any picture the program draws, and low enough for zlib's
// 32-bit counts on every system.
constexpr std::size_t kLargestImageData = std::size_t(1) << 30;
// Fixed so that every build writes the same bytes for the same pixels. Runs of one byte are all the graph's
// white background and its lines hold: deflating them alone takes a fifth of the time of the best
// compression, for a file some four times as big (the graph's some 30 KB with its palette), which a batch of
// many pictures feels.
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

// The picture's colours in the order they first appear, and each pixel's place among them.
class Palette {
public:
    static constexpr std::size_t kMostColours = 256;

    // The index of `rgb`, added when new; false when the palette is full and `rgb` is not in it.
    bool find(std::uint32_t rgb, std::uint8_t &index)
    {
        // Open addressing in a table four times the largest palette, so probes stay short.
        const std::uint32_t key = rgb | kTaken;
        std::size_t slot = (rgb * 2654435761u) >> (32 - kSlotBits);
        while (m_keys[slot] != 0 && m_keys[slot] != key)
            slot = (slot + 1) & (kSlots - 1);
        if (m_keys[slot] == 0) {
            if (m_colours.size() == kMostColours)
                return false;
            m_keys[slot] = key;
            m_indices[slot] = std::uint8_t(m_colours.size());
            m_colours.push_back(rgb);
        }
        index = m_indices[slot];
        return true;
    }

    [[nodiscard]] const std::vector<std::uint32_t> &colours() const { return m_colours; }

private:
    static constexpr int kSlotBits = 10;
    static constexpr std::size_t kSlots = std::size_t(1) << kSlotBits;
    // Set in every taken slot's key, above the 24 bits of the colour: an empty slot is 0.
    static constexpr std::uint32_t kTaken = 0x01000000u;
    std::vector<std::uint32_t> m_keys = std::vector<std::uint32_t>(kSlots, 0);
    std::vector<std::uint8_t> m_indices = std::vector<std::uint8_t>(kSlots, 0);
    std::vector<std::uint32_t> m_colours;
};

// The image data before deflate, with the colour type it is written in.
struct Rows {
    std::string raw;
    bool indexed = false;
    std::vector<std::uint32_t> palette;
};

// Rows of one byte a pixel, an index into the palette, where the picture has few enough colours that the
// palette and the indices are smaller than three bytes a pixel: a third of the data to deflate for the
// graph's some 150 colours. Each row starts with its filter byte (0, none).
template <typename ColourAt>
bool indexedRows(std::size_t width, std::size_t height, const ColourAt &colourAt, Rows &rows)
{
    Palette palette;
    const std::size_t rowBytes = 1 + width;
    rows.raw.assign(rowBytes * height, '\0');
    // Most pixels have the colour of the one before them: that one's index serves without a search.
    std::uint32_t lastColour = colourAt(0, 0);
    std::uint8_t lastIndex = 0;
    static_cast<void>(palette.find(lastColour, lastIndex));
    for (std::size_t y = 0; y < height; ++y) {
        auto *out = reinterpret_cast<std::uint8_t *>(rows.raw.data() + y * rowBytes + 1);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t rgb = colourAt(x, y);
            if (rgb != lastColour) {
                if (!palette.find(rgb, lastIndex))
                    return false;
                lastColour = rgb;
            }
            out[x] = lastIndex;
        }
    }
    const std::size_t pixels = width * height;
    if (3 * palette.colours().size() + pixels >= 3 * pixels)
        return false;
    rows.indexed = true;
    rows.palette = palette.colours();
    return true;
}

// Rows of red, green and blue, each row after its filter byte (0, none).
template <typename ColourAt>
void rgbRows(std::size_t width, std::size_t height, const ColourAt &colourAt, Rows &rows)
{
    const std::size_t rowBytes = 1 + 3 * width;
    rows.raw.assign(rowBytes * height, '\0');
    rows.indexed = false;
    rows.palette.clear();
    for (std::size_t y = 0; y < height; ++y) {
        char *out = rows.raw.data() + y * rowBytes + 1;
        for (std::size_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t rgb = colourAt(x, y);
            out[0] = char((rgb >> 16) & 0xFF);
            out[1] = char((rgb >> 8) & 0xFF);
            out[2] = char(rgb & 0xFF);
        }
    }
}

// `colourAt(x, y)` is the pixel's 0xRRGGBB, rows from the top.
template <typename ColourAt>
Result<std::string> pngOf(
    std::uint32_t width, std::uint32_t height, const ColourAt &colourAt, std::uint32_t dotsPerMetre)
{
    Rows rows;
    if (!indexedRows(width, height, colourAt, rows))
        rgbRows(width, height, colourAt, rows);
    const Result<std::string> imageData = deflated(rows.raw);
    if (!imageData)
        return Failure { imageData.reason() };

    std::string header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    // 8 bits, palette or RGB, deflate, adaptive filters, no interlace.
    header += rows.indexed ? std::string_view("\x08\x03\x00\x00\x00", 5)
                           : std::string_view("\x08\x02\x00\x00\x00", 5);
    std::string resolution;
    appendBigEndian(resolution, dotsPerMetre);
    appendBigEndian(resolution, dotsPerMetre);
    resolution.push_back('\x01'); // the unit is the metre

    std::string png(kPngSignature);
    appendChunk(png, "IHDR", header);
    if (rows.indexed) {
        std::string colours;
        for (const std::uint32_t rgb : rows.palette) {
            colours.push_back(char((rgb >> 16) & 0xFF));
            colours.push_back(char((rgb >> 8) & 0xFF));
            colours.push_back(char(rgb & 0xFF));
        }
        appendChunk(png, "PLTE", colours);
    }
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

    const auto colourAt
        = [&pixels](std::size_t x, std::size_t y) { return pixels.top[y * pixels.rowStride + x] & 0xFFFFFF; };
    return pngOf(std::uint32_t(width), std::uint32_t(height), colourAt, dotsPerMetre);
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

    // Blue, green and red, the bottom row first.
    const auto colourAt = [&bitmap, height, bitmapRowBytes](std::size_t x, std::size_t y) {
        const auto *in = reinterpret_cast<const unsigned char *>(bitmap.data()) + kBitmapHeaderBytes
            + (height - 1 - y) * bitmapRowBytes + 3 * x;
        return std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
    };
    return pngOf(storedWidth, storedHeight, colourAt, readLittleEndian(bitmap, 38, 4));
}

} // namespace psa
