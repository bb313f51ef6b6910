#include "platform/bitmap_file.h"

#include <limits>

namespace psa {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;

void putLittleEndian(std::string &bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

Result<std::string> encodeBitmap(const PixelRows &pixels, std::uint32_t dotsPerMetre)
{
    if (!pixels.holdsPixels())
        return Failure { std::u16string(kNoBitmapReason) };
    const auto width = std::size_t(pixels.width);
    const auto height = std::size_t(pixels.height);
    const std::size_t rowBytes = (3 * width + 3) / 4 * 4;
    constexpr std::size_t kLargest = std::numeric_limits<std::uint32_t>::max();
    if (rowBytes > (kLargest - kHeaderBytes) / height)
        return Failure { std::u16string(kNoBitmapReason) };
    const std::size_t pixelBytes = rowBytes * height;

    std::string bytes(kHeaderBytes + pixelBytes, '\0');
    putLittleEndian(bytes, 0, 0x4D42, 2); // "BM"
    putLittleEndian(bytes, 2, std::uint32_t(kHeaderBytes + pixelBytes), 4);
    putLittleEndian(bytes, 10, std::uint32_t(kHeaderBytes), 4); // where the pixels start
    putLittleEndian(bytes, 14, std::uint32_t(kInfoHeaderBytes), 4);
    putLittleEndian(bytes, 18, std::uint32_t(width), 4);
    putLittleEndian(bytes, 22, std::uint32_t(height), 4); // positive: rows bottom-up
    putLittleEndian(bytes, 26, 1, 2); // planes
    putLittleEndian(bytes, 28, 24, 2); // bits per pixel
    putLittleEndian(bytes, 34, std::uint32_t(pixelBytes), 4);
    putLittleEndian(bytes, 38, dotsPerMetre, 4);
    putLittleEndian(bytes, 42, dotsPerMetre, 4);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint32_t *row = pixels.top + (height - 1 - y) * pixels.rowStride;
        char *out = bytes.data() + kHeaderBytes + y * rowBytes;
        for (std::size_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t pixel = row[x]; // a copy: the byte stores below could alias the row
            out[0] = char(pixel & 0xFF);
            out[1] = char((pixel >> 8) & 0xFF);
            out[2] = char((pixel >> 16) & 0xFF);
        }
    }
    return bytes;
}

} // namespace psa
