#include "app/form1.h"

#include "app/grid_entry.h"
#include "files/record_file.h"
#include "numbers/val.h"
#include "records/cells.h"

#include <string>

namespace psa {

namespace {

constexpr std::u16string_view kRecordFilter = u"CSVファイル|*.csv";
constexpr std::u16string_view kBitmapFilter = u"ビットマップ|*.bmp";
constexpr std::u16string_view kSaveDataTitle = u"データー保存";
constexpr std::u16string_view kLoadDataTitle = u"データー読み込み";
constexpr std::u16string_view kSaveGraphTitle = u"グラフ保存";
constexpr std::u16string_view kOnlyFirstRecordsLoaded
    = u"最初の35件だけを読み込みました。残りは読み込まれていません。";

} // namespace

void Form1::Command2_Click()
{
    // The kept drawing is what gets saved, so it is switched on even if the user then cancels.
    m_picture1.AutoRedraw(true);
    const std::u16string path = m_dialogs.ShowSave(FileDialogRequest::toSave(kBitmapFilter));
    if (path.empty())
        return;
    const Result<std::string> bitmap = m_picture1.bitmapBytes();
    if (!bitmap) {
        m_dialogs.inform(saveFailedMessage(path, bitmap.reason()), kSaveGraphTitle);
        return;
    }
    if (const Result<void> saved = saveFileReplacing(m_files, path, *bitmap); !saved)
        m_dialogs.inform(saved.reason(), kSaveGraphTitle);
}

void Form1::Command3_Click()
{
    const std::u16string path = m_dialogs.ShowSave(FileDialogRequest::toSave(kRecordFilter));
    if (path.empty())
        return;
    if (const Result<void> saved = saveRecordFile(m_files, path, m_records); !saved) {
        m_dialogs.inform(saved.reason(), kSaveDataTitle);
        return;
    }
    m_recordFile = path;
}

void Form1::Command4_Click()
{
    // The records on screen are replaced only by a file that has been read completely: a cancelled dialog
    // or a file that cannot be read leaves everything the user typed as it was.
    const std::u16string path = m_dialogs.ShowSave(FileDialogRequest::toLoad(kRecordFilter));
    if (path.empty())
        return;
    openRecordFile(path);
}

void Form1::openRecordFile(std::u16string_view path)
{
    const Result<RecordFileContents> read = loadRecordFile(m_files, path);
    if (!read) {
        m_dialogs.inform(read.reason(), kLoadDataTitle);
        return;
    }
    const RecordFileContents &loaded = *read;
    m_recordFile = path;

    ClearRecords(m_records, m_window);
    int row = 1;
    int cell = 1;
    for (const RecordFields &record : loaded.records) {
        for (int column = 1; column <= kGridColumns; ++column) {
            const std::u16string &field = record[static_cast<std::size_t>(column - 1)];
            m_records.RecordTable.set(row, column, Val(field));
            m_window.setCellText(cell, field);
            ++cell;
        }
        ++row;
    }
    m_records.RecordCount = row - 1;
    m_records.LastCellIndex = cell - 1;

    makeAvailable(Button::Command1);
    makeAvailable(Button::Command3);
    makeAvailable(Button::Command8);
    makeUnavailable(Button::Command6);

    if (loaded.moreRecords) {
        const std::u16string message = u"ファイル「" + std::u16string(path)
            + u"」には35件を超える記録があります。\n" + std::u16string(kOnlyFirstRecordsLoaded);
        m_dialogs.inform(message, kLoadDataTitle);
    }
}

} // namespace psa
