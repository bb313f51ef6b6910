#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace psa {

// Pixels held row by row from the top, each 32-bit value 0x??RRGGBB (the top byte is ignored); a row starts
// `rowStride` values after the one above it.
struct PixelRows {
    const std::uint32_t *top = nullptr;
    std::size_t rowStride = 0;
    int width = 0;
    int height = 0;
};

// The pixels as the bytes of a Windows bitmap file: a 40-byte information header, 24 bits a pixel (blue,
// green, red), rows from the bottom up, each padded with zeros to a multiple of four bytes, no palette and
// no compression. `dotsPerMetre` is the resolution written for both axes. Empty when there are no pixels or
// the file could not be addressed by its 32-bit size fields.
[[nodiscard]] std::string encodeBitmap(const PixelRows &pixels, std::uint32_t dotsPerMetre);

} // namespace psa
