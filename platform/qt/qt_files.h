#pragma once

#include "platform/toolkit.h"

#include <functional>
#include <string>
#include <string_view>

namespace psa {

// Collects what is written and hands it, whole, to `place` at Commit, with the path's bytes.
class CollectingWriter final : public AtomicWriter {
public:
    using Place = std::function<Result<void>(const std::string &path, std::string_view bytes)>;
    CollectingWriter(std::string path, Place place);

    [[nodiscard]] Result<void> write(std::string_view bytes) override;
    [[nodiscard]] Result<void> commit() override;

private:
    std::string m_path;
    Place m_place;
    std::string m_bytes;
    bool m_done = false;
};

// The file system of the running program: files read and written with the system's own calls on the path's
// bytes (posix_files.h), and Shift_JIS decoded by Qt's converters.
class QtFileSystem : public FileSystem {
public:
    // Anything but a regular file of an ordinary file system (a missing name, a folder, a device, a pipe, a
    // file of /proc or /sys) gives no reader and a Japanese reason; nothing is read from it and nothing
    // blocks.
    [[nodiscard]] Opened<ByteReader> openForReading(std::u16string_view path) override;
    // Fails, with a Japanese reason, when the folder is missing, the name stands for anything but a regular
    // file (a folder, a device, a named pipe, a socket, a file of /proc or /sys), or a symbolic link on the
    // way was planted by another user in a shared folder; other symbolic links are written through to their
    // target. Everything is written at Commit (saveReplacing): atomically where the folder allows it, else in
    // place over an existing file the user may write, its old contents written back if that fails.
    [[nodiscard]] Opened<AtomicWriter> createReplacing(std::u16string_view path) override;
    [[nodiscard]] std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const override;
};

} // namespace psa
