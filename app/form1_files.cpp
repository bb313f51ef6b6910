#include "app/form1.h"

#include "files/record_file.h"
#include "records/cells.h"
#include "records/grid_entry.h"
#include "records/val.h"

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
constexpr std::u16string_view kNoBitmap = u"グラフの画像を作れませんでした。";

} // namespace

void Form1::Command2_Click()
{
    // The kept drawing is what gets saved, so it is switched on even if the user then cancels.
    picture1_.AutoRedraw(true);
    const std::u16string path = dialogs_.ShowSave({ std::u16string(kBitmapFilter) });
    if (path.empty())
        return;
    const std::string bitmap = picture1_.BitmapBytes();
    if (bitmap.empty()) {
        const std::u16string message
            = u"ファイル「" + path + u"」を保存できませんでした。\n理由: " + std::u16string(kNoBitmap);
        dialogs_.Inform(message, kSaveGraphTitle);
        return;
    }
    if (const auto error = SaveFileReplacing(files_, path, bitmap))
        dialogs_.Inform(*error, kSaveGraphTitle);
}

void Form1::Command3_Click()
{
    const std::u16string path = dialogs_.ShowSave({ std::u16string(kRecordFilter) });
    if (path.empty())
        return;
    if (const auto error = SaveRecordFile(files_, path, records_))
        dialogs_.Inform(*error, kSaveDataTitle);
}

void Form1::Command4_Click()
{
    // The records on screen are replaced only by a file that has been read completely: a cancelled dialog
    // or a file that cannot be read leaves everything the user typed as it was.
    const std::u16string path = dialogs_.ShowSave({ std::u16string(kRecordFilter), false });
    if (path.empty())
        return;
    const RecordFileContents loaded = LoadRecordFile(files_, path);
    if (!loaded.ok()) {
        dialogs_.Inform(loaded.error, kLoadDataTitle);
        return;
    }

    ClearRecords(records_, window_);
    int row = 1;
    int cell = 1;
    for (const RecordFields &record : loaded.records) {
        for (int column = 1; column <= kGridColumns; ++column) {
            const std::u16string &field = record[static_cast<std::size_t>(column - 1)];
            records_.RecordTable.set(row, column, Val(field));
            window_.SetCellText(cell, field);
            ++cell;
        }
        ++row;
    }
    records_.RecordCount = row - 1;
    records_.LastCellIndex = cell - 1;

    makeAvailable(Button::Command1);
    makeAvailable(Button::Command3);
    makeAvailable(Button::Command8);
    makeUnavailable(Button::Command6);

    if (loaded.moreRecords) {
        const std::u16string message = u"ファイル「" + path + u"」には35件を超える記録があります。\n"
            + std::u16string(kOnlyFirstRecordsLoaded);
        dialogs_.Inform(message, kLoadDataTitle);
    }
}

void Form1::Command9_Click()
{
    picture1_.Cls();
    makeUnavailable(Button::Command2);
    makeUnavailable(Button::Command9);
}

} // namespace psa
