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

    [[nodiscard]] std::ptrdiff_t read(char *buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t count = ::read(m_file.get(), buffer, size);
            if (count >= 0)
                return count;
            if (errno != EINTR) {
                m_error = errnoReason(errno, u"読み込み中にエラーが発生しました");
                return -1;
            }
        }
    }
    [[nodiscard]] std::u16string errorText() const override { return m_error; }

private:
    FileDescriptor m_file;
    std::u16string m_error;
};

// Collects what is written and puts it in place at Commit.
class ReplacingWriter final : public AtomicWriter {
public:
    explicit ReplacingWriter(std::string path)
        : m_path(std::move(path))
    {
    }

    [[nodiscard]] bool write(std::string_view bytes) override
    {
        if (m_done)
            return false;
        m_bytes.append(bytes);
        return true;
    }

    [[nodiscard]] bool commit() override
    {
        if (m_done)
            return false;
        m_done = true;
        if (auto failure = saveReplacing(m_path, m_bytes)) {
            m_error = std::move(*failure);
            return false;
        }
        return true;
    }

    [[nodiscard]] std::u16string errorText() const override { return m_error; }

private:
    std::string m_path;
    std::string m_bytes;
    std::u16string m_error;
    bool m_done = false;
};

} // namespace

Opened<ByteReader> QtFileSystem::openForReading(std::u16string_view path)
{
    OpenedForReading opened = openRegularFileForReading(nativePath(path));
    if (!opened.file.valid())
        return { nullptr, std::move(opened.refusal) };
    return { std::make_unique<PosixByteReader>(std::move(opened.file)), {} };
}

Opened<AtomicWriter> QtFileSystem::createReplacing(std::u16string_view path)
{
    std::string bytes = nativePath(path);
    if (std::u16string refusal = saveRefusal(bytes); !refusal.empty())
        return { nullptr, std::move(refusal) };
    return { std::make_unique<ReplacingWriter>(std::move(bytes)), {} };
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
