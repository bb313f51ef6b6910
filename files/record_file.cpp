#include "files/record_file.h"

#include "numbers/str_form.h"

#include <algorithm>
#include <array>

namespace psa {

namespace {

// Writes `pieces` one Write each and commits; the old file stays unless all of it succeeded.
template <typename Pieces>
Result<void> writeReplacing(FileSystem &files, std::u16string_view path, const Pieces &pieces)
{
    Opened<AtomicWriter> opened = files.createReplacing(path);
    if (!opened)
        return Failure { saveFailedMessage(path, opened.reason()) };
    AtomicWriter &writer = **opened;
    for (std::string_view piece : pieces)
        if (Result<void> written = writer.write(piece); !written)
            return Failure { saveFailedMessage(path, written.reason()) };
    if (Result<void> committed = writer.commit(); !committed)
        return Failure { saveFailedMessage(path, committed.reason()) };
    return {};
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

std::u16string saveFailedMessage(std::u16string_view path, std::u16string_view reason)
{
    return u"ファイル「" + std::u16string(path) + u"」を保存できませんでした。\n理由: "
        + std::u16string(reason);
}

std::string recordFileText(const Records &records)
{
    std::string text;
    for (const std::string &line : recordLines(records))
        text += line;
    return text;
}

Result<void> saveRecordFile(FileSystem &files, std::u16string_view path, const Records &records)
{
    return writeReplacing(files, path, recordLines(records));
}

Result<void> saveFileReplacing(FileSystem &files, std::u16string_view path, std::string_view bytes)
{
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::string_view> chunks;
    for (std::size_t at = 0; at < bytes.size(); at += kChunk)
        chunks.push_back(bytes.substr(at, kChunk));
    return writeReplacing(files, path, chunks);
}

} // namespace psa
