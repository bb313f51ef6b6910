#include "platform/qt/qt_files.h"

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

// The system's reason for a failed call, in the user's words; `errnoValue` is read right after the
// failing call, `detail` is Qt's own text for the cases without a Japanese one.
std::u16string reasonOf(int errnoValue, const QString &detail, std::u16string_view what)
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
            m_error = reasonOf(errno, m_file->errorString(), u"読み込み中にエラーが発生しました");
            return -1;
        }
        return static_cast<std::ptrdiff_t>(count);
    }
    [[nodiscard]] std::u16string ErrorText() const override { return m_error; }

private:
    std::unique_ptr<QFile> m_file;
    std::u16string m_error;
};

// QSaveFile can report a successful commit after a write failed for lack of space, and then replace
// the old file with a truncated one; so every write, the flush and the error state are checked here
// and the temporary file is discarded at the first failure.
class QtAtomicWriter final : public AtomicWriter {
public:
    explicit QtAtomicWriter(const QString &path)
        : m_file(path)
    {
    }
    ~QtAtomicWriter() override
    {
        if (!m_committed)
            m_file.cancelWriting();
    }

    bool open()
    {
        errno = 0;
        if (m_file.open(QIODevice::WriteOnly))
            return true;
        fail(u"ファイルを作れませんでした");
        return false;
    }

    [[nodiscard]] bool Write(std::string_view bytes) override
    {
        if (m_failed || m_committed)
            return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            errno = 0;
            const qint64 count = m_file.write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
            if (count <= 0 || m_file.error() != QFileDevice::NoError) {
                fail(u"書き込みに失敗しました");
                return false;
            }
            done += static_cast<std::size_t>(count);
        }
        return true;
    }

    [[nodiscard]] bool Commit() override
    {
        if (m_failed || m_committed)
            return false;
        errno = 0;
        if (!m_file.flush() || m_file.error() != QFileDevice::NoError) {
            fail(u"書き込みに失敗しました");
            return false;
        }
        errno = 0;
        if (!m_file.commit()) {
            fail(u"ファイルを置き換えられませんでした");
            return false;
        }
        m_committed = true;
        return true;
    }

    [[nodiscard]] std::u16string ErrorText() const override { return m_error; }

private:
    void fail(std::u16string_view what)
    {
        const int errnoValue = errno;
        if (!m_failed)
            m_error = reasonOf(errnoValue, m_file.errorString(), what);
        m_failed = true;
        m_file.cancelWriting();
    }

    QSaveFile m_file;
    std::u16string m_error;
    bool m_failed = false;
    bool m_committed = false;
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
        return { nullptr, reasonOf(errno, file->errorString(), u"ファイルを開けませんでした") };
    return { std::make_unique<QtByteReader>(std::move(file)), {} };
}

Opened<AtomicWriter> QtFileSystem::CreateReplacing(std::u16string_view path)
{
    const QString name = toQString(path);
    if (name.isEmpty())
        return { nullptr, u"ファイル名が空です。" };
    const QFileInfo info(name);
    if (info.isDir())
        return { nullptr, u"同じ名前のフォルダーがあります。" };
    if (!info.absoluteDir().exists())
        return { nullptr, u"保存先のフォルダーが見つかりません。" };

    auto writer = std::make_unique<QtAtomicWriter>(name);
    if (!writer->open())
        return { nullptr, writer->ErrorText() };
    return { std::move(writer), {} };
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
