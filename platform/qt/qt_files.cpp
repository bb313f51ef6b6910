#include "platform/qt/qt_files.h"

#include "platform/qt/posix_files.h"
#include "platform/qt/qt_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <memory>

namespace psa {

namespace {

class QtByteReader final : public ByteReader {
public:
    explicit QtByteReader(std::unique_ptr<QFile> file)
        : m_file(std::move(file))
    {
    }

    [[nodiscard]] std::ptrdiff_t Read(char *buffer, std::size_t size) override
    {
        errno = 0;
        const qint64 count = m_file->read(buffer, static_cast<qint64>(size));
        if (count < 0) {
            m_error = ErrnoReason(errno, m_file->errorString(), u"読み込み中にエラーが発生しました");
            return -1;
        }
        return static_cast<std::ptrdiff_t>(count);
    }
    [[nodiscard]] std::u16string ErrorText() const override { return m_error; }

private:
    std::unique_ptr<QFile> m_file;
    std::u16string m_error;
};

// Collects what is written and puts it in place at Commit: through a QSaveFile, which replaces the file only
// once everything is on the disk, wherever that is possible. Where the folder does not let the user create
// the temporary file or rename it over the old one (a shared folder, a file handed over by someone else), but
// the file itself may be written, the file is rewritten in place with its old contents kept for a failure.
class QtReplacingWriter final : public AtomicWriter {
public:
    QtReplacingWriter(QString path, bool existingFile)
        : m_path(std::move(path))
        , m_existingFile(existingFile)
    {
    }

    [[nodiscard]] bool Write(std::string_view bytes) override
    {
        if (m_done)
            return false;
        m_bytes.append(bytes);
        return true;
    }

    [[nodiscard]] bool Commit() override
    {
        if (m_done)
            return false;
        m_done = true;
        int refusedErrno = 0;
        if (replaceAtomically(refusedErrno))
            return true;
        // A name that did not exist has no old file whose place could be taken.
        if (refusedErrno == 0 || !m_existingFile)
            return false;
        if (const auto failure = OverwriteInPlace(m_path, m_bytes)) {
            m_error = *failure;
            return false;
        }
        return true;
    }

    [[nodiscard]] std::u16string ErrorText() const override { return m_error; }

private:
    // Writes through a QSaveFile. On failure sets m_error; `refusedErrno` is set as well when the folder's
    // permissions stopped the temporary file or the final rename, the cases that writing in place can mend.
    bool replaceAtomically(int &refusedErrno)
    {
        QSaveFile file(m_path);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly))
            return fail(file, u"ファイルを作れませんでした", &refusedErrno);
        // QSaveFile can report a successful commit after a write failed for lack of space, and then replace
        // the old file with a truncated one; so every write, the flush and the error state are checked.
        std::size_t done = 0;
        while (done < m_bytes.size()) {
            errno = 0;
            const qint64 count
                = file.write(m_bytes.data() + done, static_cast<qint64>(m_bytes.size() - done));
            if (count <= 0 || file.error() != QFileDevice::NoError)
                return fail(file, u"書き込みに失敗しました", nullptr);
            done += static_cast<std::size_t>(count);
        }
        errno = 0;
        if (!file.flush() || file.error() != QFileDevice::NoError)
            return fail(file, u"書き込みに失敗しました", nullptr);
        errno = 0;
        if (!file.commit())
            return fail(file, u"ファイルを置き換えられませんでした", &refusedErrno);
        return true;
    }

    bool fail(QSaveFile &file, std::u16string_view what, int *refusedErrno)
    {
        const int errnoValue = errno;
        m_error = ErrnoReason(errnoValue, file.errorString(), what);
        if (refusedErrno && (errnoValue == EACCES || errnoValue == EPERM))
            *refusedErrno = errnoValue;
        file.cancelWriting();
        return false;
    }

    QString m_path;
    bool m_existingFile;
    std::string m_bytes;
    std::u16string m_error;
    bool m_done = false;
};

} // namespace

Opened<ByteReader> QtFileSystem::OpenForReading(std::u16string_view path)
{
    const QString name = toQString(path);
    if (name.isEmpty())
        return { nullptr, u"ファイル名が空です。" };
    const QFileInfo info(name);
    if (!info.exists())
        return { nullptr, u"ファイルが見つかりません。" };
    if (info.isDir())
        return { nullptr, u"ファイルではなくフォルダーです。" };
    // A device or a pipe could block or never end; records are only ever kept in plain files.
    if (!info.isFile())
        return { nullptr, u"通常のファイルではありません。" };

    auto file = std::make_unique<QFile>(name);
    errno = 0;
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return { nullptr, ErrnoReason(errno, file->errorString(), u"ファイルを開けませんでした") };
    return { std::make_unique<QtByteReader>(std::move(file)), {} };
}

Opened<AtomicWriter> QtFileSystem::CreateReplacing(std::u16string_view path)
{
    const QString name = toQString(path);
    if (name.isEmpty())
        return { nullptr, u"ファイル名が空です。" };
    // Only a regular file is ever replaced: a device, a pipe or a socket of that name stays what it is.
    const SaveTarget target = InspectSaveTarget(name);
    if (!target.refusal.empty())
        return { nullptr, target.refusal };
    if (!QFileInfo(name).absoluteDir().exists())
        return { nullptr, u"保存先のフォルダーが見つかりません。" };
    return { std::make_unique<QtReplacingWriter>(name, target.existingFile), {} };
}

std::optional<std::u16string> QtFileSystem::DecodeShiftJis(std::string_view bytes) const
{
    // Stateless: a lead byte without its second byte at the end is an error, not kept for later.
    QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text.toStdU16String();
}

} // namespace psa
