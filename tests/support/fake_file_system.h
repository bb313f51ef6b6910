#pragma once

#include "platform/toolkit.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>

namespace psa::testing {

// Bytes handed out at most `chunk` at a time; after `failAfter` bytes every read fails. The bytes come from
// a function of their position, so a file of any length costs no memory.
class GeneratedReader : public ByteReader {
public:
    GeneratedReader(std::function<char(std::size_t)> byteAt, std::size_t length)
        : byteAt_(std::move(byteAt))
        , length_(length)
    {
    }

    [[nodiscard]] std::ptrdiff_t Read(char *buffer, std::size_t size) override
    {
        if (failAfter && bytesRead >= *failAfter)
            return -1;
        std::size_t count = std::min({ size, chunk, length_ - bytesRead });
        if (failAfter)
            count = std::min(count, *failAfter - bytesRead);
        for (std::size_t k = 0; k < count; ++k)
            buffer[k] = byteAt_(bytesRead + k);
        bytesRead += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    [[nodiscard]] std::u16string ErrorText() const override { return errorText; }

    std::size_t chunk = std::numeric_limits<std::size_t>::max();
    std::optional<std::size_t> failAfter;
    std::u16string errorText = u"装置の入出力エラーが発生しました。";
    std::size_t bytesRead = 0;

private:
    std::function<char(std::size_t)> byteAt_;
    std::size_t length_;
};

// A reader over the bytes of a string.
class StringReader : public GeneratedReader {
public:
    explicit StringReader(std::string bytes)
        : GeneratedReader([this](std::size_t at) { return bytes_[at]; }, bytes.size())
        , bytes_(std::move(bytes))
    {
    }

private:
    std::string bytes_;
};

// Files kept in memory by name. A writer's bytes reach `files` only on a successful Commit, as with a real
// atomic replacement; writers can be told to fail when opened, at their k-th Write or at Commit, and readers
// to fail after some bytes. Shift_JIS is decoded from a table that the test fills.
class FakeFileSystem : public FileSystem {
public:
    enum class WriteFailure { None, Open, Write, Commit };

    class Writer : public AtomicWriter {
    public:
        explicit Writer(FakeFileSystem &owner, std::u16string path)
            : owner_(owner)
            , path_(std::move(path))
        {
        }
        [[nodiscard]] bool Write(std::string_view bytes) override
        {
            ++writes_;
            if (failed_ || (owner_.writeFailure == WriteFailure::Write && writes_ == owner_.failingWrite))
                return fail();
            pending_ += bytes;
            return true;
        }
        [[nodiscard]] bool Commit() override
        {
            if (failed_ || owner_.writeFailure == WriteFailure::Commit)
                return fail();
            owner_.files[path_] = pending_;
            ++owner_.commits;
            return true;
        }
        [[nodiscard]] std::u16string ErrorText() const override { return failed_ ? owner_.writeError : u""; }

    private:
        bool fail()
        {
            failed_ = true;
            return false;
        }

        FakeFileSystem &owner_;
        std::u16string path_;
        std::string pending_;
        int writes_ = 0;
        bool failed_ = false;
    };

    [[nodiscard]] Opened<ByteReader> OpenForReading(std::u16string_view path) override
    {
        const auto found = files.find(std::u16string(path));
        if (found == files.end())
            return { nullptr, u"ファイルが見つかりません。" };
        auto reader = std::make_unique<StringReader>(found->second);
        reader->chunk = readChunk;
        reader->failAfter = readFailAfter;
        return { std::move(reader), {} };
    }

    [[nodiscard]] Opened<AtomicWriter> CreateReplacing(std::u16string_view path) override
    {
        if (writeFailure == WriteFailure::Open)
            return { nullptr, writeError };
        return { std::make_unique<Writer>(*this, std::u16string(path)), {} };
    }

    [[nodiscard]] std::optional<std::u16string> DecodeShiftJis(std::string_view bytes) const override
    {
        const auto found = shiftJis.find(std::string(bytes));
        if (found == shiftJis.end())
            return std::nullopt;
        return found->second;
    }

    std::map<std::u16string, std::string> files;
    std::map<std::string, std::u16string> shiftJis;
    WriteFailure writeFailure = WriteFailure::None;
    int failingWrite = 1;
    std::u16string writeError = u"ディスクの空き容量が足りません。";
    std::size_t readChunk = std::numeric_limits<std::size_t>::max();
    std::optional<std::size_t> readFailAfter;
    int commits = 0;
};

} // namespace psa::testing
