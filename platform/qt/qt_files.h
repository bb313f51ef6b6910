#pragma once

#include "platform/toolkit.h"

namespace psa {

// The file system of the running program: files read with QFile, written through QSaveFile so that a file is
// replaced only once everything has been written (or rewritten in place where the folder forbids that), and
// Shift_JIS decoded by Qt's converters.
class QtFileSystem : public FileSystem {
public:
    // A missing file, a folder or anything that is not a plain file gives no reader and a Japanese reason.
    [[nodiscard]] Opened<ByteReader> OpenForReading(std::u16string_view path) override;
    // Fails, with a Japanese reason, when the folder is missing or the name stands for anything but a regular
    // file (a folder, a device, a named pipe, a socket); a symbolic link is written through to its target.
    // Everything is written at Commit, atomically where the folder allows it, else in place over an existing
    // file the user may write, its old contents written back if that fails.
    [[nodiscard]] Opened<AtomicWriter> CreateReplacing(std::u16string_view path) override;
    [[nodiscard]] std::optional<std::u16string> DecodeShiftJis(std::string_view bytes) const override;
};

} // namespace psa
