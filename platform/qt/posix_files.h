#pragma once

// The program's file operations on Unix, written with the system's own calls on the path's bytes: a name
// that is no UTF-8 (a Shift_JIS name unpacked from a Windows zip) is opened and written as it is. Reading
// refuses anything but a regular file of an ordinary file system before a byte is read. Saving replaces a
// file only once the new contents are on the disk, keeps the old file's owner, group, mode and extended
// attributes, follows no symbolic link that another user planted in a shared folder, and where a file cannot
// be replaced whole rewrites it in place, its old contents written back if that fails.

#include "platform/deferred_saves.h"
#include "platform/file_failure.h"
#include "platform/result.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QString;

namespace psa {

// The largest file whose old contents an in-place write keeps in memory; the program's own files are far
// smaller.
inline constexpr std::size_t kMaxKeptBytes = std::size_t(64) << 20;

// A file descriptor, closed when its owner goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_fd(other.release())
    {
    }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor();

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool valid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
};

// The kind of failure an error number stands for.
[[nodiscard]] FileFailure failureOfErrno(int errnoValue);
// The system's reason for a failed call, in Japanese. `errnoValue` is read right after the failing call;
// an error without a reason of its own reads as `what` and its number.
[[nodiscard]] std::u16string errnoReason(int errnoValue, std::u16string_view what);
// The same for callers that also hold Qt's text for the failure, which is English and therefore not shown.
[[nodiscard]] inline std::u16string errnoReason(int errnoValue, const QString &, std::u16string_view what)
{
    return errnoReason(errnoValue, what);
}

// Whether the file system of the open descriptor only shows the kernel's state (/proc, /sys, debugfs,
// cgroups, ...): its files pass for regular files but may block a reader for ever, be consumed by reading
// (/proc/kmsg) or change the system when written.
[[nodiscard]] bool onSystemFileSystem(int fd);

// Opens the regular file at `path` for reading. A missing name, a folder, a device, a pipe, a socket or a
// file of a system file system is refused before it is opened for reading, so nothing blocks and nothing is
// consumed; the descriptor finally opened (non-blocking) is checked again, so that a swap between the check
// and the opening changes nothing.
[[nodiscard]] Result<FileDescriptor> openRegularFileForReading(const std::string &path);

// Whether a save under `path` may be tried. It may not into a missing folder, over a folder or anything
// else that is not a regular file, on a system file system, or through a symbolic link planted by another
// user in a shared folder. saveReplacing checks the same again when it writes.
[[nodiscard]] Result<void> checkSaveTarget(const std::string &path);

// Puts `bytes` in the file at `path`, reached through symbolic links (see checkSaveTarget). An existing file
// is replaced by a temporary file of the same folder once that holds everything and is on the disk, with the
// old file's owner, group, permissions and extended attributes; where that cannot be done (a folder the user
// may not write to, an owner the user cannot give, a file with a second hard link) the file is rewritten in
// place instead (overwriteInPlace). On failure the old file is as it was and no temporary file is left,
// except when only the flush of the folder failed after the new file took the old one's place, which the
// reason says.
[[nodiscard]] Result<void> saveReplacing(const std::string &path, std::string_view bytes);

// Replaces the contents of the existing regular file `name` in the folder `folder` with `bytes`, in place:
// the file keeps its identity, owner and permissions and no other file is created. The old contents are read
// first (at most kMaxKeptBytes) and, if any write, the truncation or the flush to the disk fails, written
// back; on failure the file holds its old contents. Never blocks on a device or a pipe, and never follows a
// link: those are refused.
[[nodiscard]] Result<void> overwriteInPlace(int folder, const std::string &name, std::string_view bytes);

// Saves of many files (a batch) that wait for the disk together: each is written to its temporary file at
// once, as saveReplacing writes it, but its flush, its rename and the flush of its folder wait for finish,
// which flushes each file system once and checks that each file reached the disk, then renames each over its
// name, then flushes each folder once. Two waits for the disk serve them all where saveReplacing waits twice
// for each file. A file that saveReplacing would
// rewrite in place is rewritten at once. Until finish, no name the saves were given has changed.
class GroupedSaves {
public:
    GroupedSaves();
    GroupedSaves(const GroupedSaves &) = delete;
    GroupedSaves &operator=(const GroupedSaves &) = delete;
    // Removes the temporary files of saves that were not finished.
    ~GroupedSaves();

    // Checks and writes as saveReplacing does; fails, the old file as it was, when saveReplacing would fail
    // before its flush.
    [[nodiscard]] Result<void> save(const std::string &path, std::string_view bytes);
    // How many saves wait for finish.
    [[nodiscard]] std::size_t waiting() const;

    // Finishes the waiting saves: one outcome each, in the order they were made; none waits after it.
    [[nodiscard]] std::vector<FinishedSave> finish();

private:
    struct Waiting;
    std::vector<std::unique_ptr<Waiting>> m_waiting;
};

} // namespace psa
