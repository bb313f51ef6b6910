#include "files/record_file.h"

#include "files/str_form.h"

#include <algorithm>
#include <array>

namespace psa {

namespace {

constexpr std::u16string_view kNotRecordFile = u"PSAのデーターファイルではありません";

std::u16string loadMessage(std::u16string_view path, std::u16string_view reason)
{
    return u"ファイル「" + std::u16string(path) + u"」を読み込めませんでした。\n理由: "
        + std::u16string(reason);
}

std::u16string saveMessage(std::u16string_view path, std::u16string_view reason)
{
    return u"ファイル「" + std::u16string(path) + u"」を保存できませんでした。\n理由: "
        + std::u16string(reason);
}

// Appends the UTF-16 form of `bytes` when they are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF); returns false otherwise.
bool appendUtf8(std::string_view bytes, std::u16string &out)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1Fu, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0Fu, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FFu));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += length;
    }
    return true;
}

// Bytes from the reader, a chunk at a time, with a few bytes of push-back.
class ByteSource {
public:
    static constexpr int kEnd = -1;

    explicit ByteSource(ByteReader &reader)
        : reader_(reader)
    {
    }

    int get()
    {
        if (pushedBack_ > 0)
            return pushBack_[--pushedBack_];
        if (position_ == length_ && !refill())
            return kEnd;
        return static_cast<unsigned char>(buffer_[position_++]);
    }
    // Returns a byte that get() gave, so that the next get() gives it again; the end is never returned.
    void unget(int byte)
    {
        if (byte != kEnd && pushedBack_ < pushBack_.size())
            pushBack_[pushedBack_++] = byte;
    }
    [[nodiscard]] bool failed() const { return failed_; }

private:
    bool refill()
    {
        if (atEnd_)
            return false;
        const std::ptrdiff_t count = reader_.Read(buffer_.data(), buffer_.size());
        if (count <= 0 || static_cast<std::size_t>(count) > buffer_.size()) {
            failed_ = count != 0;
            atEnd_ = true;
            return false;
        }
        position_ = 0;
        length_ = static_cast<std::size_t>(count);
        return true;
    }

    ByteReader &reader_;
    std::array<char, 16 * 1024> buffer_ {};
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    std::array<int, 4> pushBack_ {};
    std::size_t pushedBack_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

enum class FieldEnd { Comma, LineEnd, FileEnd };

bool isBlank(int c)
{
    return c == ' ' || c == '\t';
}
bool isControl(int c)
{
    return c >= 0 && c < 0x20 && c != '\t' && c != '\r' && c != '\n';
}

class Parser {
public:
    Parser(ByteReader &reader, const FileSystem &files)
        : reader_(reader)
        , source_(reader)
        , files_(files)
    {
    }

    RecordFileContents run()
    {
        RecordFileContents result;
        skipByteOrderMark();
        while (error_.empty()) {
            const int first = skipBlankLines();
            if (first == ByteSource::kEnd || !error_.empty())
                break;
            if (result.records.size() == kMaxLoadedRecords) {
                result.moreRecords = true;
                break;
            }
            source_.unget(first);
            RecordFields record;
            FieldEnd end = FieldEnd::Comma;
            for (std::u16string &field : record) {
                if (end == FieldEnd::FileEnd || !error_.empty())
                    break;
                end = readField(field);
            }
            if (error_.empty())
                result.records.push_back(std::move(record));
        }
        // After a read error every byte reads as the end, so the loop above has stopped; whatever it
        // made of the bytes before, a cut character included, is not to be trusted.
        if (source_.failed()) {
            error_ = reader_.ErrorText();
            if (error_.empty())
                error_ = u"読み込み中にエラーが発生しました。";
        }
        if (!error_.empty()) {
            result.records.clear();
            result.moreRecords = false;
            result.error = error_;
        }
        return result;
    }

private:
    void notRecordFile(std::u16string_view why)
    {
        if (error_.empty())
            error_ = std::u16string(kNotRecordFile) + u"（" + std::u16string(why) + u"）。";
    }

    // get() that fails the file at a control character: no record file holds one.
    int next()
    {
        const int c = source_.get();
        if (isControl(c)) {
            notRecordFile(u"文字ではないバイトを含みます");
            return ByteSource::kEnd;
        }
        return c;
    }

    void skipByteOrderMark()
    {
        static constexpr std::array<int, 3> kMark { 0xEF, 0xBB, 0xBF };
        std::array<int, 3> seen {};
        std::size_t count = 0;
        while (count < kMark.size()) {
            seen[count] = source_.get();
            if (seen[count] != kMark[count])
                break;
            ++count;
        }
        if (count == kMark.size())
            return;
        for (std::size_t k = count + 1; k-- > 0;)
            source_.unget(seen[k]);
    }

    // After CR, a following LF belongs to the same line end.
    void finishLineEnd(int c)
    {
        if (c != '\r')
            return;
        const int following = source_.get();
        if (following != '\n')
            source_.unget(following);
    }

    bool countBlank()
    {
        if (++blankRun_ <= kMaxBlankRun)
            return true;
        notRecordFile(u"空白や空行が続きすぎます");
        return false;
    }

    // Skips blanks and line ends where a record would start; returns the first other byte, or the end.
    int skipBlankLines()
    {
        blankRun_ = 0;
        int c = next();
        while (isBlank(c) || c == '\r' || c == '\n') {
            if (!countBlank())
                return ByteSource::kEnd;
            c = next();
        }
        return c;
    }

    bool append(int c)
    {
        if (bytes_.size() < kMaxFieldBytes) {
            bytes_ += static_cast<char>(c);
            return true;
        }
        notRecordFile(u"長すぎる項目があります");
        return false;
    }

    // Reads one field into `field`; returns what ended it. Sets error_ and returns FileEnd on failure.
    FieldEnd readField(std::u16string &field)
    {
        bytes_.clear();
        blankRun_ = 0;
        int c = next();
        while (isBlank(c)) {
            if (!countBlank())
                return FieldEnd::FileEnd;
            c = next();
        }
        // Blanks after the closing quote are dropped, blanks inside the quotes kept.
        std::size_t kept = 0;
        if (c == '"') {
            for (c = next();; c = next()) {
                if (c == ByteSource::kEnd || c == '\r' || c == '\n')
                    break; // an unclosed quote ends with its line
                if (c == '"') {
                    c = next();
                    if (c != '"')
                        break;
                }
                if (!append(c))
                    return FieldEnd::FileEnd;
            }
            kept = bytes_.size();
        }
        FieldEnd end = FieldEnd::FileEnd;
        for (;; c = next()) {
            if (c == ByteSource::kEnd) {
                end = FieldEnd::FileEnd;
                break;
            }
            if (c == ',') {
                end = FieldEnd::Comma;
                break;
            }
            if (c == '\r' || c == '\n') {
                finishLineEnd(c);
                end = FieldEnd::LineEnd;
                break;
            }
            if (!append(c))
                return FieldEnd::FileEnd;
        }
        if (!error_.empty())
            return FieldEnd::FileEnd;
        while (bytes_.size() > kept && isBlank(static_cast<unsigned char>(bytes_.back())))
            bytes_.pop_back();
        if (!decode(field))
            return FieldEnd::FileEnd;
        return end;
    }

    bool decode(std::u16string &field)
    {
        if (appendUtf8(bytes_, field))
            return true;
        field.clear();
        if (std::optional<std::u16string> text = files_.DecodeShiftJis(bytes_)) {
            field = std::move(*text);
            return true;
        }
        notRecordFile(u"文字コードを判別できません");
        return false;
    }

    ByteReader &reader_;
    ByteSource source_;
    const FileSystem &files_;
    std::string bytes_;
    std::size_t blankRun_ = 0;
    std::u16string error_;
};

// Writes `pieces` one Write each and commits; the old file stays unless all of it succeeded.
template <typename Pieces>
std::optional<std::u16string> writeReplacing(
    FileSystem &files, std::u16string_view path, const Pieces &pieces)
{
    Opened<AtomicWriter> opened = files.CreateReplacing(path);
    if (!opened.file)
        return saveMessage(path, opened.error);
    for (std::string_view piece : pieces)
        if (!opened.file->Write(piece))
            return saveMessage(path, opened.file->ErrorText());
    if (!opened.file->Commit())
        return saveMessage(path, opened.file->ErrorText());
    return std::nullopt;
}

std::vector<std::string> recordLines(const Records &records)
{
    std::vector<std::string> lines;
    const int rows = std::clamp(records.RecordCount, 0, RecordTable::kRows);
    lines.reserve(static_cast<std::size_t>(rows));
    for (int row = 1; row <= rows; ++row) {
        const RecordTable &table = records.RecordTable;
        lines.push_back(Str(table.at(row, kYearColumn)) + ',' + Str(table.at(row, kMonthColumn)) + ','
            + Str(table.at(row, kValueColumn)) + "\r\n");
    }
    return lines;
}

} // namespace

std::string RecordFileText(const Records &records)
{
    std::string text;
    for (const std::string &line : recordLines(records))
        text += line;
    return text;
}

RecordFileContents ReadRecordFile(ByteReader &reader, const FileSystem &files)
{
    return Parser(reader, files).run();
}

RecordFileContents LoadRecordFile(FileSystem &files, std::u16string_view path)
{
    Opened<ByteReader> opened = files.OpenForReading(path);
    if (!opened.file) {
        RecordFileContents failed;
        failed.error = loadMessage(path, opened.error);
        return failed;
    }
    RecordFileContents result = ReadRecordFile(*opened.file, files);
    if (!result.ok())
        result.error = loadMessage(path, result.error);
    return result;
}

std::optional<std::u16string> SaveRecordFile(
    FileSystem &files, std::u16string_view path, const Records &records)
{
    return writeReplacing(files, path, recordLines(records));
}

std::optional<std::u16string> SaveFileReplacing(
    FileSystem &files, std::u16string_view path, std::string_view bytes)
{
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::string_view> chunks;
    for (std::size_t at = 0; at < bytes.size(); at += kChunk)
        chunks.push_back(bytes.substr(at, kChunk));
    return writeReplacing(files, path, chunks);
}

} // namespace psa
