#pragma once

#include "platform/bitmap_file.h"
#include "platform/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace psa {

// The eight bytes every PNG file starts with.
inline constexpr std::string_view kPngSignature { "\x89PNG\r\n\x1A\n", 8 };

// The pixels as a PNG file without interlacing, every row unfiltered, the image data deflated at a fixed
// level and strategy in one IDAT chunk, and `dotsPerMetre` as a pHYs chunk for both axes. A picture of at
// most 256 colours whose palette and one byte a pixel are smaller than three bytes a pixel (the graph, with
// its some 150 colours) is written with 8-bit indices into a PLTE chunk of its colours in the order they
// first appear from the top left (colour type 3); any other as 8-bit RGB (colour type 2). No time or text
// chunk, so the same pixels always give the same bytes. Fails when there are no pixels or they are too many
// for one image.
[[nodiscard]] Result<std::string> encodePng(const PixelRows &pixels, std::uint32_t dotsPerMetre);

// The same PNG from the program's own bitmap file (as encodeBitmap writes it: 24 bits a pixel, rows
// bottom-up, a 40-byte information header), with the bitmap's resolution. Fails on any other bitmap.
[[nodiscard]] Result<std::string> pngFromBitmap(std::string_view bitmap);

} // namespace psa
