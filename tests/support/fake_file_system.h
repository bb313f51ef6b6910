#pragma once

#include "platform/toolkit.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace psa::testing {

// Files kept in memory by name; reads hand out at most `readChunk` bytes, and fail once `readFailAt` bytes
// have been read. Opening a writer, each Write and each Commit are counted in `steps`; the one numbered
// `failAtStep` fails, and with it the rest of that writer's work. A writer's bytes reach `files` only on a
// Commit that succeeds. Shift_JIS is decoded from a table that the test fills.
class FakeFileSystem : public FileSystem {
public:
    [[nodiscard]] Opened<ByteReader> openForReading(std::u16string_view path) override
    {
        const auto found = files.find(std::u16string(path));
        if (found == files.end())
            return Failure { u"ファイルが見つかりません。" };
        auto reader = std::make_unique<Reader>();
        reader->owner = this;
        reader->bytes = found->second;
        return reader;
    }
    [[nodiscard]] Opened<AtomicWriter> createReplacing(std::u16string_view path) override
    {
        if (++steps == failAtStep)
            return Failure { writeError };
        auto writer = std::make_unique<Writer>();
        writer->owner = this;
        writer->path = path;
        return writer;
    }
    [[nodiscard]] std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const override
    {
        const auto found = shiftJis.find(std::string(bytes));
        return found == shiftJis.end() ? std::nullopt : std::optional(found->second);
    }

    std::map<std::u16string, std::string> files;
    std::map<std::string, std::u16string> shiftJis;
    std::size_t readChunk = SIZE_MAX;
    std::size_t readFailAt = SIZE_MAX;
    int steps = 0;
    int failAtStep = 0;
    std::u16string writeError = u"ディスクの空き容量が足りません。";

private:
    struct Reader : ByteReader {
        Result<std::size_t> read(char *buffer, std::size_t size) override
        {
            if (at >= owner->readFailAt)
                return Failure { u"装置の入出力エラーが発生しました。" };
            const std::size_t count
                = bytes.copy(buffer, std::min({ size, owner->readChunk, owner->readFailAt - at }), at);
            at += count;
            return count;
        }

        const FakeFileSystem *owner = nullptr;
        std::string bytes;
        std::size_t at = 0;
    };

    struct Writer : AtomicWriter {
        Result<void> write(std::string_view bytes) override
        {
            if (!step())
                return Failure { owner->writeError };
            pending += bytes;
            return {};
        }
        Result<void> commit() override
        {
            if (!step())
                return Failure { owner->writeError };
            owner->files[path] = pending;
            return {};
        }
        // Counts one step of a writer that has not failed yet; false once it has.
        bool step() { return !(failed = failed || ++owner->steps == owner->failAtStep); }

        FakeFileSystem *owner = nullptr;
        std::u16string path;
        std::string pending;
        bool failed = false;
    };
};

} // namespace psa::testing
