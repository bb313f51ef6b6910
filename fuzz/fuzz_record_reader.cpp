// The record file reader on arbitrary bytes, read in chunks of varying size: never crashes, keeps at most
// 35 records of bounded fields, and reports either records or a reason.

#include "files/record_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class BytesReader : public psa::ByteReader {
public:
    BytesReader(const std::uint8_t *data, std::size_t size, std::size_t chunk)
        : m_data(data)
        , m_size(size)
        , m_chunk(chunk)
    {
    }
    [[nodiscard]] psa::Result<std::size_t> read(char *buffer, std::size_t size) override
    {
        const std::size_t count = std::min({ size, m_chunk, m_size - m_position });
        std::memcpy(buffer, m_data + m_position, count);
        m_position += count;
        return count;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_chunk;
    std::size_t m_position = 0;
};

// Shift_JIS decoding stands in as one code unit per byte when every lead byte has a trail byte.
class ByteDecodingFiles : public psa::FileSystem {
public:
    [[nodiscard]] psa::Opened<psa::ByteReader> openForReading(std::u16string_view) override
    {
        return psa::Failure {};
    }
    [[nodiscard]] psa::Opened<psa::AtomicWriter> createReplacing(std::u16string_view) override
    {
        return psa::Failure {};
    }
    [[nodiscard]] std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const override
    {
        std::u16string text;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            const bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
            if (lead && ++i >= bytes.size())
                return std::nullopt;
            text.push_back(static_cast<char16_t>(lead ? 0x3000 + byte : byte));
        }
        return text;
    }
};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "record reader: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    BytesReader reader(data + 1, size - 1, chunk);
    ByteDecodingFiles files;
    const psa::Result<psa::RecordFileContents> read = psa::readRecordFile(reader, files);
    if (!read) {
        if (read.reason().empty())
            fail("a failure without a reason");
        return 0;
    }
    if (read->records.size() > psa::kMaxLoadedRecords)
        fail("more than 35 records");
    for (const psa::RecordFields &fields : read->records)
        for (const std::u16string &field : fields)
            if (field.size() > psa::kMaxFieldBytes)
                fail("a field longer than the limit");
    return 0;
}
