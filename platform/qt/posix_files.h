#pragma once

// The file operations the Qt classes do not offer: what kind of thing a name stands for, and rewriting a file
// in place with its old contents kept until the new ones are safely on the disk. Unix systems only.

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace psa {

// The largest file whose old contents an in-place write keeps in memory; the program's own files are far
// smaller.
inline constexpr std::size_t kMaxKeptBytes = std::size_t(64) << 20;

// The system's reason for a failed call, in Japanese; `errnoValue` is read right after the failing call,
// `detail` is Qt's own text for the errors without a Japanese reason, which then read as `what`.
[[nodiscard]] std::u16string ErrnoReason(int errnoValue, const QString &detail, std::u16string_view what);

struct SaveTarget {
    // The name stands for an existing regular file, reached through symbolic links.
    bool existingFile = false;
    // Why nothing may be written under the name (a folder, a device, a named pipe, a socket, an unreadable
    // path); empty when a file may be written or created there.
    std::u16string refusal;
};

// What saving under `path` would meet, following symbolic links to their target. A name that does not
// exist yet is fine here; whether its folder exists is for the caller to find out.
[[nodiscard]] SaveTarget InspectSaveTarget(const QString &path);

// Replaces the contents of the existing regular file at `path` with `bytes`, in place: the file keeps its
// identity, owner and permissions, and no other file is created, so this works in a folder the user may not
// write to. The old contents are read first (at most kMaxKeptBytes) and, if any write, the truncation or the
// final flush to the disk fails, written back. Returns nothing on success, otherwise the reason in Japanese;
// the file then holds its old contents. Never blocks on a device or a pipe: those are refused.
[[nodiscard]] std::optional<std::u16string> OverwriteInPlace(const QString &path, std::string_view bytes);

} // namespace psa
