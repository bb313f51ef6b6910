#include "platform/qt/posix_files.h"

#include "platform/qt/native_path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace psa {

namespace {

constexpr std::u16string_view kChooseRegularFile = u"保存先には通常のファイルを選んでください。";
constexpr std::u16string_view kFolderInTheWay = failureReason(FileFailure::FolderInTheWay);
constexpr std::u16string_view kNoFolder = u"保存先のフォルダーが見つかりません。";
constexpr std::u16string_view kSystemFile
    = u"システムの内部の状態を表す特殊なファイルです（/proc や /sys の中のファイルなど）。";
constexpr std::u16string_view kPlantedLink
    = u"共有のフォルダーにある、他の利用者が作ったシンボリックリンクです。"
      u"リンク先のファイルを守るため、保存しませんでした。";
constexpr std::u16string_view kBadName = u"ファイル名に使えない文字（NUL）が含まれています。";
// As many links as the system itself follows in one path.
constexpr int kMaxLinks = 40;
// The file systems through which the kernel shows and takes its own state, and those of special endpoints
// (statfs f_type values). Their files look regular but are no place for records.
constexpr std::uint32_t kSystemFileSystems[] = {
    0x00009fa0, // proc
    0x62656572, // sysfs
    0x64626720, // debugfs
    0x74726163, // tracefs
    0x73636673, // securityfs
    0x0027e0eb, // cgroup
    0x63677270, // cgroup2
    0x62656570, // configfs
    0x00001cd1, // devpts
    0xde5e81e4, // efivarfs
    0xcafe4a11, // bpf
    0x6165676c, // pstore
    0xf97cff8c, // selinuxfs
    0x43415d53, // smackfs
    0x65735543, // fusectl
    0x42494e4d, // binfmt_misc
    0x6e736673, // nsfs
    0x09041934, // anonymous inodes
    0x07655821, // resctrl
    0x19800202, // mqueue
    0x67596969, // rpc_pipefs
    0x6e667364, // nfsd
    0x00009fa2, // usbdevfs
    0xabba1974, // xenfs
    0xaee71ee7, // gadgetfs
    0x0a647361, // functionfs
    0x50495045, // pipefs
    0x534f434b, // sockfs
};

// Whether a thing of this mode is a place to save to: only a regular file is.
Result<void> checkRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return Failure { std::u16string(kFolderInTheWay) };
    std::u16string kind = u"通常のファイルではありません。";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = u"装置ファイルです。";
    else if (S_ISFIFO(mode))
        kind = u"名前付きパイプです。";
    else if (S_ISSOCK(mode))
        kind = u"ソケットです。";
    return Failure { kind + std::u16string(kChooseRegularFile) };
}

std::string descriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// Reads the whole file from its start; false on a read error or when it holds more than kMaxKeptBytes.
bool readAll(int fd, std::string &bytes, bool &tooLarge)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(bytes.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        if (bytes.size() + static_cast<std::size_t>(count) > kMaxKeptBytes) {
            tooLarge = true;
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

// Writes `bytes` from the start of the file; false with errno set when a write fails.
bool writeAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count
            = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Writes `bytes` over the file, cuts it to their length and waits until the disk has them. Overwriting
// before cutting reuses the file's blocks, so a full disk rarely stops it.
bool writeWhole(int fd, std::string_view bytes)
{
    return writeAll(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

// Whether the folder is shared the way /tmp is: sticky and writable by everyone.
bool sharedStickyFolder(const struct stat &folder)
{
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
}

// The rule the kernel applies when asked to (fs.protected_symlinks), applied whatever the setting: in a
// shared sticky folder a link is followed only when it belongs to the folder's owner or to the user.
// Renaming over a link's target bypasses the kernel's own check, so the program makes it itself.
bool plantedLink(int folder, const struct stat &link)
{
    struct stat status { };
    if (::fstat(folder, &status) != 0)
        return true;
    return sharedStickyFolder(status) && link.st_uid != status.st_uid && link.st_uid != ::geteuid();
}

// The path's parts; "." at the end when it ends in a slash, which makes it stand for a folder.
std::deque<std::string> pathParts(std::string_view path)
{
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (!path.empty() && path.back() == '/')
        parts.emplace_back(".");
    return parts;
}

FileDescriptor openFolder(int at, const char *name)
{
    return FileDescriptor(::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The text of a link. Its size as stat gives it may be 0 (links of /proc), so the buffer grows until the
// text fits.
bool readLink(int folder, const std::string &name, std::string &target)
{
    for (std::size_t size = 256; size <= (std::size_t(1) << 20); size *= 4) {
        target.resize(size);
        const ssize_t length = ::readlinkat(folder, name.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < size) {
            target.resize(static_cast<std::size_t>(length));
            return true;
        }
    }
    errno = ENAMETOOLONG;
    return false;
}

// Where a save under a path ends up: a name in a folder, the folder held open so that it cannot be swapped.
struct Location {
    FileDescriptor folder; // O_PATH
    std::string name;
    bool exists = false;
    struct stat status { };
};

// Resolves `path` one part at a time, following symbolic links by their text so that each one is checked
// (plantedLink) before it is followed, up to the last part that is no link. The last part may not exist.
Result<Location> locate(const std::string &path)
{
    if (path.empty())
        return Failure { u"ファイル名が空です。" };
    if (path.find('\0') != std::string::npos)
        return Failure { std::u16string(kBadName) };
    Location at;
    at.folder = openFolder(AT_FDCWD, path.front() == '/' ? "/" : ".");
    if (!at.folder.valid())
        return Failure { errnoReason(errno, u"保存先のフォルダーを開けませんでした") };
    std::deque<std::string> pending = pathParts(path);
    if (pending.empty())
        return Failure { std::u16string(kFolderInTheWay) };
    int links = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.front());
        pending.pop_front();
        const bool last = pending.empty();
        if (part == "." || part == "..") {
            if (last)
                return Failure { std::u16string(kFolderInTheWay) };
            if (part == ".." && !(at.folder = openFolder(at.folder.get(), "..")).valid())
                return Failure { errnoReason(errno, u"保存先のフォルダーを開けませんでした") };
            continue;
        }
        struct stat status { };
        if (::fstatat(at.folder.get(), part.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            if (error == ENOENT && last) {
                at.name = part;
                return at;
            }
            if (error == ENOENT || error == ENOTDIR)
                return Failure { std::u16string(kNoFolder) };
            return Failure { errnoReason(error, u"保存先を調べられませんでした") };
        }
        if (S_ISLNK(status.st_mode)) {
            if (++links > kMaxLinks)
                return Failure { errnoReason(ELOOP, {}) };
            if (plantedLink(at.folder.get(), status))
                return Failure { std::u16string(kPlantedLink) };
            // A link that reaches a terminal or a pipe (/dev/stdout) is refused by what it reaches: its text
            // need not be a path at all.
            struct stat reached { };
            if (last && ::fstatat(at.folder.get(), part.c_str(), &reached, 0) == 0
                && !S_ISREG(reached.st_mode) && !S_ISDIR(reached.st_mode))
                return Failure { checkRegular(reached.st_mode).reason() };
            std::string target;
            if (!readLink(at.folder.get(), part, target))
                return Failure { errnoReason(errno, u"シンボリックリンクを読めませんでした") };
            if (target.empty())
                return Failure { std::u16string(kNoFolder) };
            if (target.front() == '/' && !(at.folder = openFolder(AT_FDCWD, "/")).valid())
                return Failure { errnoReason(errno, u"保存先のフォルダーを開けませんでした") };
            const std::deque<std::string> parts = pathParts(target);
            pending.insert(pending.begin(), parts.begin(), parts.end());
            if (pending.empty())
                return Failure { std::u16string(kFolderInTheWay) };
            continue;
        }
        if (last) {
            at.name = part;
            at.exists = true;
            at.status = status;
            return at;
        }
        if (!S_ISDIR(status.st_mode))
            return Failure { std::u16string(kNoFolder) };
        if (!(at.folder = openFolder(at.folder.get(), part.c_str())).valid())
            return Failure { errnoReason(errno, u"保存先のフォルダーを開けませんでした") };
    }
    return at;
}

// Whether a save may write at the location.
Result<void> checkTarget(const Location &at)
{
    if (at.exists)
        if (Result<void> regular = checkRegular(at.status.st_mode); !regular)
            return regular;
    if (onSystemFileSystem(at.folder.get()))
        return Failure { std::u16string(kSystemFile) + std::u16string(kChooseRegularFile) };
    return {};
}

// The names of the extended attributes of the file at `path`, or of the open file `fd` when `path` is null;
// `ok` is false when they cannot be listed.
std::vector<std::string> attributeNames(const char *path, int fd, bool &ok)
{
    std::vector<std::string> names;
    std::string list;
    for (;;) {
        const ssize_t size = path ? ::listxattr(path, nullptr, 0) : ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            // A file system without extended attributes has none to lose.
            ok = errno == ENOTSUP;
            return names;
        }
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got
            = path ? ::listxattr(path, list.data(), list.size()) : ::flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) {
            ok = false;
            return names;
        }
    }
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find('\0', start), list.size());
        // File capabilities are dropped by any write to a file; a replaced file does not keep them either.
        if (end > start && list.compare(start, end - start, "security.capability") != 0)
            names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    ok = true;
    return names;
}

// Gives the temporary file the old file's extended attributes (its access control list among them) and
// no others. False when they cannot all be kept.
bool copyAttributes(int oldFile, int temporary)
{
    const std::string oldPath = descriptorPath(oldFile);
    bool ok = false;
    const std::vector<std::string> kept = attributeNames(oldPath.c_str(), -1, ok);
    if (!ok)
        return false;
    for (const std::string &name : kept) {
        std::string value;
        ssize_t size = 0;
        do {
            size = ::getxattr(oldPath.c_str(), name.c_str(), nullptr, 0);
            if (size < 0)
                return false;
            value.resize(static_cast<std::size_t>(size));
            size = ::getxattr(oldPath.c_str(), name.c_str(), value.data(), value.size());
        } while (size < 0 && errno == ERANGE);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        if (::fsetxattr(temporary, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    // Attributes the new file got from its folder (a default access control list) that the old one had not.
    const std::vector<std::string> got = attributeNames(nullptr, temporary, ok);
    if (!ok)
        return false;
    for (const std::string &name : got)
        if (std::find(kept.begin(), kept.end(), name) == kept.end()
            && ::fremovexattr(temporary, name.c_str()) != 0)
            return false;
    return true;
}

// Six letters or digits, for a temporary name no one can guess ahead.
std::string randomSuffix()
{
    static std::uint64_t fallback = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (std::uint64_t(::getpid()) << 32));
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits)
        bits = (fallback = fallback * 6364136223846793005ULL + 1442695040888963407ULL);
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i, bits /= kLetters.size())
        suffix += kLetters[bits % kLetters.size()];
    return suffix;
}

// The new contents under a hidden name beside the file they are to replace; removed unless they took its
// place.
class TemporaryFile {
public:
    explicit TemporaryFile(int folder)
        : m_folder(folder)
    {
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() { static_cast<void>(remove()); }

    // Creates it with the given permissions; false with errno set.
    bool create(const std::string &finalName, mode_t mode)
    {
        // A name the system accepts whatever the length of the final one.
        const std::string stem = "." + finalName.substr(0, 200) + ".";
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_name = stem + randomSuffix();
            m_file = FileDescriptor(::openat(m_folder, m_name.c_str(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode));
            if (m_file.valid() || errno != EEXIST)
                break;
        }
        if (!m_file.valid())
            m_name.clear();
        return m_file.valid();
    }
    [[nodiscard]] int fd() const { return m_file.get(); }
    [[nodiscard]] const std::string &name() const { return m_name; }
    // Closes it, reporting what the file system could only tell now (a network file system, a quota).
    bool close() { return ::close(m_file.release()) == 0; }
    // It has taken the old file's place: nothing left to remove.
    void keep() { m_name.clear(); }
    // False when the file could not be removed and is left behind.
    bool remove()
    {
        if (m_file.valid())
            ::close(m_file.release());
        if (m_name.empty())
            return true;
        const bool removed = ::unlinkat(m_folder, m_name.c_str(), 0) == 0 || errno == ENOENT;
        if (removed)
            m_name.clear();
        return removed;
    }

private:
    int m_folder;
    std::string m_name;
    FileDescriptor m_file;
};

// `reason`, and that the temporary file is left behind if it could not be removed.
std::u16string withTemporaryRemoved(TemporaryFile &temporary, std::u16string reason)
{
    const std::string name = temporary.name();
    if (!temporary.remove())
        reason += u"\n一時ファイル「" + pathFromNative(name) + u"」を消せませんでした。";
    return reason;
}

struct Replacement {
    enum class Outcome {
        Done,
        // Failed, the old file as it was.
        Failed,
        // Not possible here (the folder, the owner or the attributes), but an in-place write may be.
        NotPossible,
    } outcome;
    std::u16string reason;
};

bool permissionDenied(int error)
{
    return error == EACCES || error == EPERM;
}

// Whether an owner or an attribute failed to carry over because the system does not allow it, rather than
// because the disk failed; ENOENT: no /proc to read the old file's attributes through.
Replacement::Outcome notKept(int error)
{
    return permissionDenied(error) || error == ENOTSUP || error == EINVAL || error == ENOENT
        ? Replacement::Outcome::NotPossible
        : Replacement::Outcome::Failed;
}

// Writes everything to a temporary file in the same folder and gives it the old file's owner, group,
// permissions and attributes; `temporary` then holds it, still open, for placeWhole.
Replacement prepareWhole(const Location &at, std::string_view bytes, std::unique_ptr<TemporaryFile> &prepared)
{
    FileDescriptor old;
    struct stat oldStatus { };
    if (at.exists) {
        old = FileDescriptor(::openat(at.folder.get(), at.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!old.valid() || ::fstat(old.get(), &oldStatus) != 0)
            return { Replacement::Outcome::Failed, errnoReason(errno, u"ファイルを開けませんでした") };
        if (Result<void> regular = checkRegular(oldStatus.st_mode); !regular)
            return { Replacement::Outcome::Failed, regular.reason() };
    }

    auto temporary = std::make_unique<TemporaryFile>(at.folder.get());
    // Readable only by the user until it has the old file's owner and permissions; a new file gets what the
    // umask and the folder's default access control list give any new file.
    if (!temporary->create(at.name, at.exists ? 0600 : 0666)) {
        const int error = errno;
        return { permissionDenied(error) ? Replacement::Outcome::NotPossible : Replacement::Outcome::Failed,
            errnoReason(error, u"一時ファイルを作れませんでした") };
    }
    const auto fail = [&temporary](Replacement::Outcome outcome, std::u16string reason) {
        return Replacement { outcome, withTemporaryRemoved(*temporary, std::move(reason)) };
    };
    if (!writeAll(temporary->fd(), bytes))
        return fail(Replacement::Outcome::Failed, errnoReason(errno, u"書き込みに失敗しました"));
    if (at.exists) {
        struct stat made { };
        if (::fstat(temporary->fd(), &made) != 0)
            return fail(
                Replacement::Outcome::Failed, errnoReason(errno, u"ファイルの状態を調べられませんでした"));
        if ((made.st_uid != oldStatus.st_uid || made.st_gid != oldStatus.st_gid)
            && ::fchown(temporary->fd(), oldStatus.st_uid, oldStatus.st_gid) != 0) {
            const int error = errno;
            return fail(notKept(error), errnoReason(error, u"所有者を引き継げませんでした"));
        }
        // Set-user and set-group bits are dropped, as a write to the file would drop them.
        if (::fchmod(temporary->fd(), oldStatus.st_mode & (S_ISVTX | S_IRWXU | S_IRWXG | S_IRWXO)) != 0)
            return fail(
                Replacement::Outcome::Failed, errnoReason(errno, u"アクセス権を引き継げませんでした"));
        if (!copyAttributes(old.get(), temporary->fd())) {
            const int error = errno;
            return fail(notKept(error), errnoReason(error, u"拡張属性を引き継げませんでした"));
        }
    }
    prepared = std::move(temporary);
    return { Replacement::Outcome::Done, {} };
}

// Waits until the disk has the prepared file and closes it; on failure removes it.
Replacement flushPrepared(TemporaryFile &temporary)
{
    if (::fsync(temporary.fd()) != 0)
        return { Replacement::Outcome::Failed,
            withTemporaryRemoved(temporary, errnoReason(errno, u"ディスクへの書き込みに失敗しました")) };
    if (!temporary.close())
        return { Replacement::Outcome::Failed,
            withTemporaryRemoved(temporary, errnoReason(errno, u"書き込みに失敗しました")) };
    return { Replacement::Outcome::Done, {} };
}

// The folder of `at` opened so that it can be flushed once a new entry is in it. Opened before the rename,
// so that nothing after it can fail but the flush itself. A folder the user may not read (a drop box) cannot
// be flushed by the user; its entry then reaches the disk in its own time (an invalid descriptor, no
// failure).
Result<FileDescriptor> folderToFlush(const Location &at)
{
    FileDescriptor folder(::openat(at.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() && errno != EACCES)
        return Failure { errnoReason(errno, u"保存先のフォルダーを開けませんでした") };
    return folder;
}

// Renames the flushed temporary file over the old name; on failure removes it.
Replacement placePrepared(const Location &at, TemporaryFile &temporary)
{
    if (::renameat(at.folder.get(), temporary.name().c_str(), at.folder.get(), at.name.c_str()) != 0) {
        const int error = errno;
        return { permissionDenied(error) ? Replacement::Outcome::NotPossible : Replacement::Outcome::Failed,
            withTemporaryRemoved(temporary, errnoReason(error, u"ファイルを置き換えられませんでした")) };
    }
    temporary.keep();
    return { Replacement::Outcome::Done, {} };
}

// Waits until the disk has the folder's new entries, so that the new names survive a power cut.
Result<void> flushFolder(const FileDescriptor &folder)
{
    // EINVAL: the file system offers no flush of a folder.
    if (folder.valid() && ::fsync(folder.get()) != 0 && errno != EINVAL)
        return Failure { errnoReason(errno, {})
            + u"\nファイルは新しい内容に置き換わりましたが、フォルダーの変更をディスクに書き込めなかった"
              u"ため、"
              u"電源が切れると元の内容に戻ったり、ファイルが失われたりするおそれがあります。" };
    return {};
}

// Writes everything to a temporary file in the same folder, gives it the old file's owner, group,
// permissions and attributes, waits until the disk has it, and renames it over the old name; then waits
// until the disk has the folder's new entry too, so that the new name survives a power cut.
Replacement replaceWhole(const Location &at, std::string_view bytes)
{
    std::unique_ptr<TemporaryFile> temporary;
    if (Replacement prepared = prepareWhole(at, bytes, temporary);
        prepared.outcome != Replacement::Outcome::Done)
        return prepared;
    if (Replacement flushed = flushPrepared(*temporary); flushed.outcome != Replacement::Outcome::Done)
        return flushed;
    Result<FileDescriptor> folder = folderToFlush(at);
    if (!folder)
        return { Replacement::Outcome::Failed, withTemporaryRemoved(*temporary, folder.reason()) };
    if (Replacement placed = placePrepared(at, *temporary); placed.outcome != Replacement::Outcome::Done)
        return placed;
    if (Result<void> flushed = flushFolder(*folder); !flushed)
        return { Replacement::Outcome::Failed, flushed.reason() };
    return { Replacement::Outcome::Done, {} };
}

} // namespace

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileFailure failureOfErrno(int errnoValue)
{
    switch (errnoValue) {
    case ENOSPC:
        return FileFailure::DiskFull;
    case EFBIG:
        return FileFailure::FileSizeLimit;
    case EDQUOT:
        return FileFailure::DiskQuota;
    case EACCES:
    case EPERM:
        return FileFailure::AccessDenied;
    case EROFS:
        return FileFailure::ReadOnly;
    case ENAMETOOLONG:
        return FileFailure::NameTooLong;
    case EIO:
        return FileFailure::DeviceError;
    case ENOENT:
        return FileFailure::NotFound;
    case ENOTDIR:
        return FileFailure::NotAFolderOnTheWay;
    case EISDIR:
        return FileFailure::FolderInTheWay;
    case ELOOP:
        return FileFailure::LinkLoop;
    case EBUSY:
    case ETXTBSY:
        return FileFailure::Busy;
    case EAGAIN:
        return FileFailure::LockedByAnotherProgram;
    case ENOMEM:
        return FileFailure::OutOfMemory;
    case EMFILE:
    case ENFILE:
        return FileFailure::TooManyOpenFiles;
    case ESTALE:
        return FileFailure::StaleNetworkFile;
    case ETIMEDOUT:
        return FileFailure::TimedOut;
    case ENXIO:
    case ENODEV:
        return FileFailure::NoDevice;
    case ENOTSUP:
    case ENOSYS:
        return FileFailure::NotSupported;
    case EOVERFLOW:
        return FileFailure::TooLarge;
    default:
        return FileFailure::Other;
    }
}

std::u16string errnoReason(int errnoValue, std::u16string_view what)
{
    if (const std::u16string_view reason = failureReason(failureOfErrno(errnoValue)); !reason.empty())
        return std::u16string(reason);
    std::u16string reason = what.empty() ? u"システムのエラーが発生しました" : std::u16string(what);
    reason += u"（エラー番号 ";
    for (const char digit : std::to_string(errnoValue))
        reason += static_cast<char16_t>(digit);
    return reason + u"）。";
}

bool onSystemFileSystem(int fd)
{
    struct statfs fileSystem { };
    if (::fstatfs(fd, &fileSystem) != 0)
        return false;
    const auto type = static_cast<std::uint32_t>(fileSystem.f_type);
    return std::find(std::begin(kSystemFileSystems), std::end(kSystemFileSystems), type)
        != std::end(kSystemFileSystems);
}

Result<FileDescriptor> openRegularFileForReading(const std::string &path)
{
    if (path.empty())
        return Failure { u"ファイル名が空です。" };
    if (path.find('\0') != std::string::npos)
        return Failure { std::u16string(kBadName) };
    const auto checkReadable = [](int fd) -> Result<void> {
        struct stat status { };
        if (::fstat(fd, &status) != 0)
            return Failure { errnoReason(errno, u"ファイルの状態を調べられませんでした") };
        if (S_ISDIR(status.st_mode))
            return Failure { u"ファイルではなくフォルダーです。" };
        // A device or a pipe could block or never end; records are only ever kept in plain files.
        if (!S_ISREG(status.st_mode))
            return Failure { u"通常のファイルではありません。" };
        if (onSystemFileSystem(fd))
            return Failure { std::u16string(kSystemFile) };
        return {};
    };
    // Looking at the file with O_PATH runs none of its own code: /proc/kmsg or a device is not opened.
    const FileDescriptor found(::open(path.c_str(), O_PATH | O_CLOEXEC));
    if (!found.valid())
        return Failure { errno == ENOENT || errno == ENOTDIR
                ? u"ファイルが見つかりません。"
                : errnoReason(errno, u"ファイルを開けませんでした") };
    if (Result<void> readable = checkReadable(found.get()); !readable)
        return Failure { readable.reason() };
    // Opened again through the descriptor, which is the very file just checked; by its name only where
    // /proc is not there. The opened file is checked once more either way.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    FileDescriptor file(::open(descriptorPath(found.get()).c_str(), kFlags));
    if (!file.valid() && errno == ENOENT)
        file = FileDescriptor(::open(path.c_str(), kFlags));
    if (!file.valid())
        return Failure { errnoReason(errno, u"ファイルを開けませんでした") };
    if (Result<void> readable = checkReadable(file.get()); !readable)
        return Failure { readable.reason() };
    return file;
}

Result<void> checkSaveTarget(const std::string &path)
{
    const Result<Location> located = locate(path);
    if (!located)
        return Failure { located.reason() };
    return checkTarget(*located);
}

Result<void> saveReplacing(const std::string &path, std::string_view bytes)
{
    const Result<Location> located = locate(path);
    if (!located)
        return Failure { located.reason() };
    const Location &at = *located;
    if (Result<void> allowed = checkTarget(at); !allowed)
        return allowed;
    if (at.exists) {
        // A file the user may not write is not replaced behind its back, even where the folder would allow
        // it.
        if (::faccessat(at.folder.get(), at.name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
            return Failure { errnoReason(errno, u"ファイルに書き込めません") };
        // Every name of a file with a second hard link sees the new contents. Not in a shared folder, where
        // the second link may have been planted to have the program write someone else's file.
        struct stat folder { };
        if (at.status.st_nlink > 1 && ::fstat(at.folder.get(), &folder) == 0 && !sharedStickyFolder(folder))
            return overwriteInPlace(at.folder.get(), at.name, bytes);
    }
    const Replacement replaced = replaceWhole(at, bytes);
    switch (replaced.outcome) {
    case Replacement::Outcome::Done:
        return {};
    case Replacement::Outcome::NotPossible:
        if (at.exists)
            return overwriteInPlace(at.folder.get(), at.name, bytes);
        break;
    case Replacement::Outcome::Failed:
        break;
    }
    return Failure { replaced.reason };
}

struct GroupedSaves::Waiting {
    Location at;
    // None when the file was rewritten in place at once.
    std::unique_ptr<TemporaryFile> temporary;
    dev_t device = 0;
    ino_t inode = 0;
};

GroupedSaves::GroupedSaves() = default;
GroupedSaves::~GroupedSaves() = default;

std::size_t GroupedSaves::waiting() const
{
    return m_waiting.size();
}

Result<void> GroupedSaves::save(const std::string &path, std::string_view bytes)
{
    Result<Location> located = locate(path);
    if (!located)
        return Failure { located.reason() };
    auto waiting = std::make_unique<Waiting>();
    waiting->at = std::move(located).value();
    const Location &at = waiting->at;
    if (Result<void> allowed = checkTarget(at); !allowed)
        return allowed;
    const auto inPlace = [&]() -> Result<void> {
        if (Result<void> written = overwriteInPlace(at.folder.get(), at.name, bytes); !written)
            return written;
        m_waiting.push_back(std::move(waiting));
        return {};
    };
    if (at.exists) {
        if (::faccessat(at.folder.get(), at.name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
            return Failure { errnoReason(errno, u"ファイルに書き込めません") };
        struct stat folder { };
        if (at.status.st_nlink > 1 && ::fstat(at.folder.get(), &folder) == 0 && !sharedStickyFolder(folder))
            return inPlace();
        // A sticky folder lets only the file's or the folder's owner rename over a file, which finish would
        // find too late to write in place instead.
        if (::fstat(at.folder.get(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0
            && at.status.st_uid != ::geteuid() && folder.st_uid != ::geteuid())
            return inPlace();
    }
    const Replacement prepared = prepareWhole(at, bytes, waiting->temporary);
    if (prepared.outcome == Replacement::Outcome::NotPossible && at.exists)
        return inPlace();
    if (prepared.outcome != Replacement::Outcome::Done)
        return Failure { prepared.reason };
    struct stat made { };
    if (::fstat(waiting->temporary->fd(), &made) != 0)
        return Failure { withTemporaryRemoved(
            *waiting->temporary, errnoReason(errno, u"ファイルの状態を調べられませんでした")) };
    waiting->device = made.st_dev;
    waiting->inode = made.st_ino;
    // Starts the way to the disk while the next file is drawn; finish waits for it.
    static_cast<void>(::sync_file_range(waiting->temporary->fd(), 0, 0, SYNC_FILE_RANGE_WRITE));
    m_waiting.push_back(std::move(waiting));
    return {};
}

std::vector<FinishedSave> GroupedSaves::finish()
{
    std::vector<std::unique_ptr<Waiting>> saves = std::move(m_waiting);
    m_waiting.clear();
    std::vector<FinishedSave> finished(saves.size());
    const auto failed = [&finished](std::size_t index, std::u16string reason) {
        finished[index] = { FinishedSave::State::Failed, std::move(reason), 0 };
    };
    // Every file on the disk before any takes its name. One flush of each file system serves all its files:
    // a flush of each file would wait for the disk's cache once for each.
    std::vector<dev_t> flushedDevices;
    for (std::size_t i = 0; i < saves.size(); ++i) {
        Waiting &save = *saves[i];
        if (!save.temporary
            || std::find(flushedDevices.begin(), flushedDevices.end(), save.device) != flushedDevices.end())
            continue;
        flushedDevices.push_back(save.device);
        if (::syncfs(save.temporary->fd()) == 0)
            continue;
        const std::u16string reason = errnoReason(errno, u"ディスクへの書き込みに失敗しました");
        for (std::size_t j = i; j < saves.size(); ++j)
            if (saves[j]->temporary && saves[j]->device == save.device)
                failed(j, withTemporaryRemoved(*saves[j]->temporary, reason));
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        TemporaryFile *temporary = saves[i]->temporary.get();
        if (!temporary || finished[i].state != FinishedSave::State::Placed)
            continue;
        // The flush of the file system tells no file's own failure to reach the disk; waiting for the file's
        // pages does, and now waits for nothing.
        if (::sync_file_range(temporary->fd(), 0, 0,
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER)
            != 0)
            failed(i,
                withTemporaryRemoved(*temporary, errnoReason(errno, u"ディスクへの書き込みに失敗しました")));
        else if (!temporary->close())
            failed(i, withTemporaryRemoved(*temporary, errnoReason(errno, u"書き込みに失敗しました")));
    }

    struct Folder {
        dev_t device;
        ino_t inode;
        FileDescriptor toFlush;
        std::vector<std::size_t> saves;
    };
    std::vector<Folder> folders;
    for (std::size_t i = 0; i < saves.size(); ++i) {
        Waiting &save = *saves[i];
        if (!save.temporary || finished[i].state != FinishedSave::State::Placed)
            continue;
        // A name an earlier save of the group was renamed to (a second name of the same file) keeps it.
        struct stat current { };
        if (::fstatat(save.at.folder.get(), save.at.name.c_str(), &current, AT_SYMLINK_NOFOLLOW) == 0)
            for (std::size_t earlier = 0; earlier < i; ++earlier)
                if (saves[earlier]->temporary && finished[earlier].state == FinishedSave::State::Placed
                    && saves[earlier]->device == current.st_dev && saves[earlier]->inode == current.st_ino) {
                    static_cast<void>(save.temporary->remove());
                    finished[i] = { FinishedSave::State::SameAsEarlier, {}, earlier };
                    break;
                }
        if (finished[i].state != FinishedSave::State::Placed)
            continue;
        struct stat folderStatus { };
        if (::fstat(save.at.folder.get(), &folderStatus) != 0) {
            failed(i,
                withTemporaryRemoved(
                    *save.temporary, errnoReason(errno, u"保存先のフォルダーを開けませんでした")));
            continue;
        }
        auto folder = std::find_if(folders.begin(), folders.end(), [&](const Folder &entry) {
            return entry.device == folderStatus.st_dev && entry.inode == folderStatus.st_ino;
        });
        if (folder == folders.end()) {
            Result<FileDescriptor> toFlush = folderToFlush(save.at);
            if (!toFlush) {
                failed(i, withTemporaryRemoved(*save.temporary, toFlush.reason()));
                continue;
            }
            folders.push_back({ folderStatus.st_dev, folderStatus.st_ino, std::move(toFlush).value(), {} });
            folder = folders.end() - 1;
        }
        if (const Replacement placed = placePrepared(save.at, *save.temporary);
            placed.outcome != Replacement::Outcome::Done) {
            failed(i, placed.reason);
            continue;
        }
        folder->saves.push_back(i);
    }
    for (const Folder &folder : folders)
        if (Result<void> flushed = flushFolder(folder.toFlush); !flushed)
            for (const std::size_t i : folder.saves)
                failed(i, flushed.reason());
    return finished;
}

Result<void> overwriteInPlace(int folder, const std::string &name, std::string_view bytes)
{
    // Without O_TRUNC: nothing changes before the old contents are safe in memory. O_NONBLOCK keeps a pipe
    // put in the file's place from holding the program up; it is refused below.
    const FileDescriptor file(
        ::openat(folder, name.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    // ELOOP: the file was looked at before, so it has just been replaced by a link, which is not followed.
    if (!file.valid() && errno == ELOOP)
        return Failure {
            u"保存の途中でファイルがシンボリックリンクに置き換えられたため、保存しませんでした。"
        };
    if (!file.valid())
        return Failure { errnoReason(errno, u"ファイルを開けませんでした") };
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        return Failure { errnoReason(errno, u"ファイルの状態を調べられませんでした") };
    if (Result<void> regular = checkRegular(status.st_mode); !regular)
        return regular;
    if (onSystemFileSystem(file.get()))
        return Failure { std::u16string(kSystemFile) + std::u16string(kChooseRegularFile) };

    std::string old;
    bool tooLarge = false;
    if (!readAll(file.get(), old, tooLarge)) {
        if (tooLarge)
            return Failure { u"ファイルが大きすぎるため、元の内容を守りながら上書きすることができません。" };
        return Failure { errnoReason(errno, u"元の内容を読み込めませんでした") };
    }

    if (writeWhole(file.get(), bytes))
        return {};
    std::u16string reason = errnoReason(errno, u"書き込みに失敗しました");
    if (!writeWhole(file.get(), old))
        reason += u"\n元の内容に戻すこともできませんでした。";
    return Failure { std::move(reason) };
}

} // namespace psa
