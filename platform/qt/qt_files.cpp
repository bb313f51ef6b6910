#include "platform/qt/qt_files.h"

#include "platform/qt/native_path.h"
#include "platform/qt/posix_files.h"

#include <QStringDecoder>

#include <cerrno>
#include <unistd.h>

namespace psa {

namespace {

class PosixByteReader final : public ByteReader {
public:
    explicit PosixByteReader(FileDescriptor file)
        : m_file(std::move(file))
    {
    }

    [[nodiscard]] Result<std::size_t> read(char *buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t count = ::read(m_file.get(), buffer, size);
            if (count >= 0)
                return static_cast<std::size_t>(count);
            if (errno != EINTR)
                return Failure { errnoReason(errno, u"読み込み中にエラーが発生しました") };
        }
    }

private:
    FileDescriptor m_file;
};

} // namespace

CollectingWriter::CollectingWriter(std::string path, Place place)
    : m_path(std::move(path))
    , m_place(std::move(place))
{
}

Result<void> CollectingWriter::write(std::string_view bytes)
{
    if (m_done)
        return Failure { finishedReason({}) };
    m_bytes.append(bytes);
    return {};
}

Result<void> CollectingWriter::commit()
{
    if (m_done)
        return Failure { finishedReason({}) };
    m_done = true;
    return m_place(m_path, m_bytes);
}

Opened<ByteReader> QtFileSystem::openForReading(std::u16string_view path)
{
    Result<FileDescriptor> opened = openRegularFileForReading(nativePath(path));
    if (!opened)
        return Failure { opened.reason() };
    return std::make_unique<PosixByteReader>(std::move(opened).value());
}

Opened<AtomicWriter> QtFileSystem::createReplacing(std::u16string_view path)
{
    std::string bytes = nativePath(path);
    if (const Result<void> allowed = checkSaveTarget(bytes); !allowed)
        return Failure { allowed.reason() };
    return std::make_unique<CollectingWriter>(std::move(bytes), saveReplacing);
}

std::optional<std::u16string> QtFileSystem::decodeShiftJis(std::string_view bytes) const
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
