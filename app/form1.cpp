#include "app/form1.h"

#include "graph/graph.h"
#include "records/cells.h"
#include "records/grid_entry.h"

namespace psa {

namespace {

// The cells that come with the window are 1 to 50; start-up creates the rest from the hidden template.
constexpr int kFirstCreatedCell = 51;

// Grid geometry in pixels: three abutting columns, rows 16 apart and 15 high from y 65 down.
constexpr double kCellHeight = 15;
constexpr double kRowPitch = 16;
constexpr double kFirstRowTop = 65;
constexpr double kCellFontSize = 10;
constexpr double kColumnWidth[kGridColumns] = { 70, 54, 70 };
constexpr double kColumnLeft[kGridColumns] = { 8, 78, 132 };

// "End input" sits four pixels below the last row, under the value column.
constexpr double kCommand6Top = 628;
constexpr double kCommand6Left = 134;

constexpr char16_t kExitPrompt[] = u"　　　ほんとうにおわりますか？";
constexpr char16_t kExitTitle[] = u"　　　　かくにんメッセージ";

} // namespace

Form1::Form1(Window &window, Surface &picture1, Dialogs &dialogs, FileSystem &files)
    : window_(window)
    , picture1_(picture1)
    , dialogs_(dialogs)
    , files_(files)
{
}

// A button's look always changes Enabled first, then BackColor.
void Form1::makeAvailable(Button button)
{
    window_.SetButtonEnabled(button, true);
    window_.SetButtonBackColor(button, kAvailableBackColor);
}

void Form1::makeUnavailable(Button button)
{
    window_.SetButtonEnabled(button, false);
    window_.SetButtonBackColor(button, kUnavailableBackColor);
}

void Form1::Form_Load()
{
    for (int index = kFirstCreatedCell; index <= kCellCount; ++index)
        window_.CreateCell(index);

    for (int row = 0; row < kGridRows; ++row) {
        // Emptying a cell that still shows its design text runs Text1_Change for it, nested in this loop.
        for (int column = 1; column <= kGridColumns; ++column) {
            const int index = 3 * row + column;
            window_.SetCellHeight(index, kCellHeight);
            window_.SetCellTop(index, kRowPitch * row + kFirstRowTop);
            window_.SetCellText(index, u"");
            window_.SetCellFontSize(index, kCellFontSize);
            window_.SetCellVisible(index, true);
            window_.SetCellEnabled(index, true);
            window_.SetCellFlat(index);
        }
        for (int column = 1; column <= kGridColumns; ++column)
            window_.SetCellWidth(3 * row + column, kColumnWidth[column - 1]);
        for (int column = 1; column <= kGridColumns; ++column)
            window_.SetCellLeft(3 * row + column, kColumnLeft[column - 1]);
    }

    window_.SetButtonTop(Button::Command6, kCommand6Top);
    window_.SetButtonLeft(Button::Command6, kCommand6Left);

    for (Button button : { Button::Command1, Button::Command2, Button::Command3, Button::Command9,
             Button::Command8, Button::Command6 })
        makeUnavailable(button);

    // The emptied cells left RecordCount at the last row; the window starts with no records.
    records_.RecordCount = 0;
}

void Form1::Text1_Change(int index)
{
    // Only grid cells report changes; the hidden template and anything else have no place in the table.
    if (index < 1 || index > kCellCount)
        return;
    StoreCellChange(records_, index, window_.CellText(index));
}

void Form1::Command5_Click()
{
    ClearRecords(records_, window_);
    makeAvailable(Button::Command6);
    window_.SetFocusToCell(1);
}

void Form1::Command6_Click()
{
    for (Button button : { Button::Command1, Button::Command2, Button::Command3, Button::Command8 })
        makeAvailable(button);
    ReadGridIntoTable(records_, window_);
}

void Form1::Command8_Click()
{
    makeAvailable(Button::Command6);
    // After a load that filled every row there is no cell after the last one: stay on the last cell.
    const int next = records_.LastCellIndex + 1;
    window_.SetFocusToCell(next < 1 ? 1 : next > kCellCount ? kCellCount : next);
}

void Form1::Command1_Click()
{
    if (records_.RecordCount == 0) {
        // Nothing to draw: the picture keeps whatever it shows, and only what needs records is disabled.
        for (Button button :
            { Button::Command1, Button::Command2, Button::Command3, Button::Command9, Button::Command8 })
            makeUnavailable(button);
        return;
    }
    DrawGraph(records_, picture1_);
    makeAvailable(Button::Command2);
    makeAvailable(Button::Command9);
}

void Form1::Command7_Click()
{
    if (dialogs_.AskYesNo(kExitPrompt, kExitTitle) == MsgBoxAnswer::No)
        return;
    dialogs_.EndProgram();
}

} // namespace psa
