#pragma once

#include "platform/file_identity.h"
#include "platform/toolkit.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace psa {

// The file a name leads to, or nothing when there is none (see identifyFile).
using FileIdentifier = std::function<std::optional<FileIdentity>(std::u16string_view path)>;

// What a batch export did, and everything the window would have said on the way, in order.
struct ExportOutcome {
    bool written = false;
    std::vector<std::u16string> messages;
};

// Draws the graph of the record file at `recordsPath` into `bitmapPath`, in the format its extension names
// (see exportFormatOf), without a visible window: the window's own handlers run on a window nobody sees, so
// the file is loaded as "データー読み込み" loads it (at most 35 records), the graph drawn as "グラフ表示"
// draws it right after start-up, and the picture written as "グラフ保存" writes it (replacing a file only
// once all of it is written), on `picture1`: the front end's surface at the picture's size and pixel ratio 1,
// in the application's font. A bitmap is byte for byte the one "グラフ保存" writes; a PNG holds the same
// pixels. Fails, with the message that says why, when the extension names no format, the file cannot be read,
// holds no record (the window would have nothing to save either) or the picture cannot be written. Unlike the
// window, nobody is asked before a file is replaced, so the export replaces only what it could have written
// itself: it refuses, leaving the file as it was, when `bitmapPath` leads to the record file (another path to
// it, a symbolic or a hard link) or to an existing file that is neither empty nor of the same format (a
// Windows bitmap: "BM" and a known header size; a PNG: its signature), or whose first bytes cannot be read.
[[nodiscard]] ExportOutcome exportGraph(Surface &picture1, FileSystem &files, const FileIdentifier &identify,
    std::u16string_view recordsPath, std::u16string_view bitmapPath);

} // namespace psa
