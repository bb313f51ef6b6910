#include "files/record_file.h"

#include "files/byte_source.h"

#include "numbers/str_form.h"

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
        : m_reader(reader)
        , m_source(reader)
        , m_files(files)
    {
    }

    Result<RecordFileContents> run()
    {
        RecordFileContents result;
        skipByteOrderMark();
        while (m_error.empty()) {
            const int first = skipBlankLines();
            if (first == ByteSource::kEnd || !m_error.empty())
                break;
            if (result.records.size() == kMaxLoadedRecords) {
                result.moreRecords = true;
                break;
            }
            m_source.unget(first);
            RecordFields record;
            FieldEnd end = FieldEnd::Comma;
            for (std::u16string &field : record) {
                if (end == FieldEnd::FileEnd || !m_error.empty())
                    break;
                end = readField(field);
            }
            if (m_error.empty())
                result.records.push_back(std::move(record));
        }
        // After a read error every byte reads as the end, so the loop above has stopped; whatever it
        // made of the bytes before, a cut character included, is not to be trusted.
        if (!m_source.status()) {
            m_error = m_source.status().reason();
            if (m_error.empty())
                m_error = u"読み込み中にエラーが発生しました。";
        }
        if (!m_error.empty())
            return Failure { m_error };
        return result;
    }

private:
    void notRecordFile(std::u16string_view why)
    {
        if (m_error.empty())
            m_error = std::u16string(kNotRecordFile) + u"（" + std::u16string(why) + u"）。";
    }

    // get() that fails the file at a control character: no record file holds one.
    int next()
    {
        const int c = m_source.get();
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
            seen[count] = m_source.get();
            if (seen[count] != kMark[count])
                break;
            ++count;
        }
        if (count == kMark.size())
            return;
        for (std::size_t k = count + 1; k-- > 0;)
            m_source.unget(seen[k]);
    }

    // After CR, a following LF belongs to the same line end.
    void finishLineEnd(int c)
    {
        if (c != '\r')
            return;
        const int following = m_source.get();
        if (following != '\n')
            m_source.unget(following);
    }

    bool countBlank()
    {
        if (++m_blankRun <= kMaxBlankRun)
            return true;
        notRecordFile(u"空白や空行が続きすぎます");
        return false;
    }

    // Skips blanks and line ends where a record would start; returns the first other byte, or the end.
    int skipBlankLines()
    {
        m_blankRun = 0;
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
        if (m_bytes.size() < kMaxFieldBytes) {
            m_bytes += static_cast<char>(c);
            return true;
        }
        notRecordFile(u"長すぎる項目があります");
        return false;
    }

    // Reads one field into `field`; returns what ended it. Sets m_error and returns FileEnd on failure.
    FieldEnd readField(std::u16string &field)
    {
        m_bytes.clear();
        m_blankRun = 0;
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
            kept = m_bytes.size();
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
        if (!m_error.empty())
            return FieldEnd::FileEnd;
        while (m_bytes.size() > kept && isBlank(static_cast<unsigned char>(m_bytes.back())))
            m_bytes.pop_back();
        if (!decode(field))
            return FieldEnd::FileEnd;
        return end;
    }

    bool decode(std::u16string &field)
    {
        if (appendUtf8(m_bytes, field))
            return true;
        field.clear();
        if (std::optional<std::u16string> text = m_files.decodeShiftJis(m_bytes)) {
            field = std::move(*text);
            return true;
        }
        notRecordFile(u"文字コードを判別できません");
        return false;
    }

    ByteReader &m_reader;
    ByteSource m_source;
    const FileSystem &m_files;
    std::string m_bytes;
    std::size_t m_blankRun = 0;
    std::u16string m_error;
};

} // namespace

Result<RecordFileContents> readRecordFile(ByteReader &reader, const FileSystem &files)
{
    return Parser(reader, files).run();
}

Result<RecordFileContents> loadRecordFile(FileSystem &files, std::u16string_view path)
{
    Opened<ByteReader> opened = files.openForReading(path);
    if (!opened)
        return Failure { loadMessage(path, opened.reason()) };
    Result<RecordFileContents> read = readRecordFile(**opened, files);
    if (!read)
        return Failure { loadMessage(path, read.reason()) };
    return read;
}

} // namespace psa
