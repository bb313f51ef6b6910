#pragma once

#include "platform/toolkit.h"
#include "records/record_table.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace psa {

// A load fills at most one record per grid row.
inline constexpr std::size_t kMaxLoadedRecords = 35;
// No year, month or PSA value needs more; anything longer is not a record.
inline constexpr std::size_t kMaxFieldBytes = 1024;
// Blanks and empty lines in a row that a reader wades through before it gives up on a file.
inline constexpr std::size_t kMaxBlankRun = 64 * 1024;

// Year, month and PSA value of one record, as the file spells them.
using RecordFields = std::array<std::u16string, 3>;

// What a record file holds.
struct RecordFileContents {
    // At most kMaxLoadedRecords records, in file order, each field without its surrounding blanks.
    std::vector<RecordFields> records;
    // More records followed the last one kept; they were not read.
    bool moreRecords = false;
};

// The record file of rows 1 to RecordCount: per row Str(year) "," Str(month) "," Str(value) and CR LF, the
// last line included; empty for no records. Rows beyond the table's 120 do not exist and are never written.
[[nodiscard]] std::string recordFileText(const Records &records);

// Reads records from `reader` in small chunks, never holding more than one field:
// - a field ends at a comma, a line end (CR LF, LF or CR) or the end of the file; each record has three
//   fields, so a record may span lines and a line with more fields continues into the next record;
// - blanks (space, tab) before a field are skipped, and trailing blanks of a field dropped;
// - a field that starts with a double quote runs to the closing quote, "" inside standing for one quote;
//   the quotes are removed and text after the closing quote, up to the comma or line end, is kept;
// - a UTF-8 byte-order mark at the start is skipped; empty or blank lines where a record would start are
//   skipped; a file ending inside a record leaves the missing fields empty;
// - fields are UTF-8, or else Shift_JIS decoded by `files`.
// Stops after kMaxLoadedRecords records, setting moreRecords when anything but blanks follows. Fails,
// after reading little of it, with a file that is not a record file: a field over kMaxFieldBytes, a control
// character other than tab, text in neither encoding, or a blank run over kMaxBlankRun. A read error fails
// with the reader's reason. Never throws on any bytes.
[[nodiscard]] Result<RecordFileContents> readRecordFile(ByteReader &reader, const FileSystem &files);

// Opens the file at `path` and reads it as readRecordFile does. A failure's reason is a message for the user
// naming the file and the reason.
[[nodiscard]] Result<RecordFileContents> loadRecordFile(FileSystem &files, std::u16string_view path);

// Writes the record file of `records` to `path`, replacing an existing file only once everything has been
// written. On any failure the old file is left as it was and the failure's reason is a message for the user
// naming the file and the reason.
[[nodiscard]] Result<void> saveRecordFile(
    FileSystem &files, std::u16string_view path, const Records &records);

// The message for a save that failed: the file's name and the reason, in Japanese.
[[nodiscard]] std::u16string saveFailedMessage(std::u16string_view path, std::u16string_view reason);

// As saveRecordFile, for any bytes (the graph's bitmap).
[[nodiscard]] Result<void> saveFileReplacing(
    FileSystem &files, std::u16string_view path, std::string_view bytes);

} // namespace psa
