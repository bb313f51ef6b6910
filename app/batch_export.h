#pragma once

#include "app/export_format.h"
#include "app/graph_export.h"

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

// What became of a save that waited for the end of its group (see DeferredSaves).
struct FinishedSave {
    enum class State {
        // On the disk under its name.
        Placed,
        // Not written, or not safely: `reason` says why, as a save that failed would.
        Failed,
        // Not written: an earlier save of the group, number `earlier` of the group, took the same file first.
        SameAsEarlier,
    } state
        = State::Placed;
    std::u16string reason;
    std::size_t earlier = 0;
};

// Saves that a front end lets wait so that a batch's pictures wait for the disk together: a picture whose
// export succeeded is not at its name yet when it waits, only once finish reports it placed.
class DeferredSaves {
public:
    virtual ~DeferredSaves() = default;
    // How many saves wait.
    [[nodiscard]] virtual std::size_t waiting() const = 0;
    // Finishes every waiting save: one outcome each, in the order they were made.
    [[nodiscard]] virtual std::vector<FinishedSave> finish() = 0;
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
