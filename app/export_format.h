#pragma once

#include "platform/result.h"
#include "platform/vector_surface.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace psa {

// The picture files the export writes, told apart by the output's extension.
enum class ExportFormat { Bitmap, Png, Svg, Pdf };

struct ExportFormatInfo {
    ExportFormat format;
    // Lower case, with the dot; an output's extension matches it in any case.
    std::u16string_view extension;
    // What the file is called in messages: "ビットマップ画像" ...
    std::u16string_view kind;
    // Whether the first bytes of an existing file (up to kExportHeadBytes) are a file of this format, which
    // the export may then replace.
    bool (*isFileOfFormat)(std::string_view head);
    // The picture from the program's own bitmap of it, for a format of pixels; null for a drawing's format.
    Result<std::string> (*fromBitmap)(std::string_view bitmap);
    // The picture from the drawing kept as shapes, for a format of shapes; null for a format of pixels.
    Result<std::string> (*fromDrawing)(const VectorDrawing &drawing);
};

// How many of an existing file's first bytes isFileOfFormat needs.
inline constexpr std::size_t kExportHeadBytes = 18;

// Every format, in the order the help and the messages name them.
[[nodiscard]] std::span<const ExportFormatInfo> exportFormats();

// The extension of the file's name (after the last '/' or '\'), from its last dot and as typed; empty when
// the name has no dot or ends in a separator.
[[nodiscard]] std::u16string_view fileExtension(std::u16string_view path);

// The format that `path`'s extension names, or nothing.
[[nodiscard]] const ExportFormatInfo *exportFormatOf(std::u16string_view path);

// Why the export cannot write `path` (its extension is none of exportFormats), naming the formats it writes.
[[nodiscard]] std::u16string unknownFormatMessage(std::u16string_view path);

} // namespace psa
