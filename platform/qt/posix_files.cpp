#include "platform/qt/posix_files.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace psa {

namespace {

constexpr std::u16string_view kChooseRegularFile = u"保存先には通常のファイルを選んでください。";

// Why a thing of this mode is not a place to save to; empty for a regular file.
std::u16string notRegularReason(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return u"同じ名前のフォルダーがあります。";
    std::u16string kind = u"通常のファイルではありません。";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = u"装置ファイルです。";
    else if (S_ISFIFO(mode))
        kind = u"名前付きパイプです。";
    else if (S_ISSOCK(mode))
        kind = u"ソケットです。";
    return kind + std::u16string(kChooseRegularFile);
}

// Closes the descriptor however the function that opened it ends.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

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

// Writes `bytes` from the start of the file, cuts the file to their length and waits until the disk has
// them. Overwriting before cutting reuses the file's blocks, so a full disk rarely stops it.
bool writeWhole(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count
            = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

} // namespace

std::u16string ErrnoReason(int errnoValue, const QString &detail, std::u16string_view what)
{
    switch (errnoValue) {
    case ENOSPC:
        return u"ディスクの空き容量が足りません。";
    case EFBIG:
        return u"ファイルの大きさの上限を超えました。";
    case EDQUOT:
        return u"ディスクの使用量の上限を超えました。";
    case EACCES:
    case EPERM:
        return u"アクセスする権限がありません。";
    case EROFS:
        return u"読み取り専用の場所です。";
    case ENAMETOOLONG:
        return u"ファイル名が長すぎます。";
    case EIO:
        return u"装置の入出力エラーが発生しました。";
    default:
        break;
    }
    std::u16string reason(what);
    if (!detail.isEmpty())
        reason += u"（" + detail.toStdU16String() + u"）";
    return reason + u"。";
}

SaveTarget InspectSaveTarget(const QString &path)
{
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        // A name not there yet, or below a folder that is missing (which the caller reports).
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return { false, ErrnoReason(errno, {}, u"ファイルの状態を調べられませんでした") };
    }
    std::u16string refusal = notRegularReason(status.st_mode);
    return { refusal.empty(), std::move(refusal) };
}

std::optional<std::u16string> OverwriteInPlace(const QString &path, std::string_view bytes)
{
    // Without O_TRUNC: nothing changes before the old contents are safe in memory. O_NONBLOCK keeps a pipe
    // put in the file's place from holding the program up; it is refused below.
    const Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        return ErrnoReason(errno, {}, u"ファイルを開けませんでした");
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        return ErrnoReason(errno, {}, u"ファイルの状態を調べられませんでした");
    if (const std::u16string refusal = notRegularReason(status.st_mode); !refusal.empty())
        return refusal;

    std::string old;
    bool tooLarge = false;
    if (!readAll(file.get(), old, tooLarge)) {
        if (tooLarge)
            return u"ファイルが大きすぎるため、元の内容を守りながら上書きすることができません。";
        return ErrnoReason(errno, {}, u"元の内容を読み込めませんでした");
    }

    if (writeWhole(file.get(), bytes))
        return std::nullopt;
    std::u16string reason = ErrnoReason(errno, {}, u"書き込みに失敗しました");
    if (!writeWhole(file.get(), old))
        reason += u"\n元の内容に戻すこともできませんでした。";
    return reason;
}

} // namespace psa
