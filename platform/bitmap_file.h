#pragma once

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace psa {

// Why there is no bitmap of the graph to save or copy.
inline constexpr std::u16string_view kNoBitmapReason = u"グラフの画像を作れませんでした。";

// Pixels held row by row from the top, each 32-bit value 0x??RRGGBB (the top byte is ignored); a row starts
// `rowStride` values after the one above it.
struct PixelRows {
    const std::uint32_t *top = nullptr;
    std::size_t rowStride = 0;
    int width = 0;
    int height = 0;

    // Whether there is at least one pixel and every row fits in its stride.
    [[nodiscard]] bool holdsPixels() const
    {
        return top && width > 0 && height > 0 && rowStride >= std::size_t(width);
    }
};

// The pixels as the bytes of a Windows bitmap file: a 40-byte information header, 24 bits a pixel (blue,
// green, red), rows from the bottom up, each padded with zeros to a multiple of four bytes, no palette and
// no compression. `dotsPerMetre` is the resolution written for both axes. Fails when there are no pixels or
// the file could not be addressed by its 32-bit size fields.
[[nodiscard]] Result<std::string> encodeBitmap(const PixelRows &pixels, std::uint32_t dotsPerMetre);

} // namespace psa
