#pragma once

#include "platform/toolkit.h"

namespace psa {

// The file system of the running program: files read with QFile, written through QSaveFile so that a file is
// replaced only once everything has been written, and Shift_JIS decoded by Qt's converters.
class QtFileSystem : public FileSystem {
public:
    // A missing file, a folder or anything that is not a plain file gives no reader and a Japanese reason.
    [[nodiscard]] Opened<ByteReader> OpenForReading(std::u16string_view path) override;
    // Fails, with a Japanese reason, when the folder is missing or a folder has the file's name.
    [[nodiscard]] Opened<AtomicWriter> CreateReplacing(std::u16string_view path) override;
    [[nodiscard]] std::optional<std::u16string> DecodeShiftJis(std::string_view bytes) const override;
};

} // namespace psa
