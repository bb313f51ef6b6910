#pragma once

#include "app/export_format.h"
#include "app/graph_export.h"
#include "platform/deferred_saves.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace psa {

// The export on the front end's own surface, files and file identities (see exportGraph).
using GraphExporter
    = std::function<ExportOutcome(std::u16string_view recordsPath, std::u16string_view bitmapPath)>;

// Where a batch writes the picture of `recordFile`: the record file's name with the format's extension in
// place of its own (added when it has none), beside it or, when `folder` is not empty, in `folder`.
[[nodiscard]] std::u16string batchPicturePath(
    std::u16string_view recordFile, std::u16string_view folder, const ExportFormatInfo &format);

// What a batch did: how many pictures it wrote and how many record files it could not draw or write, and
// one line for each file that failed, saying why, or was written with something said on the way (more than
// 35 records), in the order of the files.
struct BatchOutcome {
    std::size_t written = 0;
    std::size_t failed = 0;
    std::vector<std::u16string> lines;
};

// Exports the graph of each record file in turn (see batchPicturePath), each on its own as a single export
// would; a file that fails leaves the others to be written. Besides what the single export refuses, a
// picture is not written over one of the record files of the batch, nor over a picture that the batch wrote
// before (two record files of the same name into one folder, or a record file named twice): the later file
// fails. A folder that is not there, or not a folder, fails the whole batch before anything is written.
// With `deferred`, the saves of up to kSavesPerGroup pictures wait and are finished together; the batch is
// over, and its outcome known, only once all are finished.
[[nodiscard]] BatchOutcome exportBatch(const std::vector<std::u16string> &recordFiles,
    const ExportFormatInfo &format, std::u16string_view folder, const GraphExporter &exportGraph,
    const FileIdentifier &identify, DeferredSaves *deferred = nullptr);

// The most saves that wait at once: each holds a file open until it is finished.
inline constexpr std::size_t kSavesPerGroup = 32;

} // namespace psa
