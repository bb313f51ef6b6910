#include "app/form1.h"

#include "app/grid_entry.h"
#include "graph/graph.h"
#include "platform/form1_design.h"
#include "records/cells.h"

namespace psa {

namespace {

// The cells that come with the window are 1 to 50; start-up creates the rest from the hidden template.
constexpr int kFirstCreatedCell = design::kCellsWithTheWindow + 1;

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
    : m_window(window)
    , m_picture1(picture1)
    , m_dialogs(dialogs)
    , m_files(files)
{
}

void Form1::Click(Button button)
{
    switch (button) {
    case Button::Command1:
        return Command1_Click();
    case Button::Command2:
        return Command2_Click();
    case Button::Command3:
        return Command3_Click();
    case Button::Command4:
        return Command4_Click();
    case Button::Command5:
        return Command5_Click();
    case Button::Command6:
        return Command6_Click();
    case Button::Command7:
        return Command7_Click();
    case Button::Command8:
        return Command8_Click();
    case Button::Command9:
        return Command9_Click();
    }
}

// A button's look always changes Enabled first, then BackColor.
void Form1::makeAvailable(Button button)
{
    m_window.setButtonEnabled(button, true);
    m_window.setButtonBackColor(button, kAvailableBackColor);
}

void Form1::makeUnavailable(Button button)
{
    m_window.setButtonEnabled(button, false);
    m_window.setButtonBackColor(button, kUnavailableBackColor);
}

void Form1::Form_Load()
{
    for (int index = kFirstCreatedCell; index <= kCellCount; ++index)
        m_window.createCell(index);

    for (int row = 0; row < kGridRows; ++row) {
        // Emptying a cell that still shows its design text runs Text1_Change for it, nested in this loop.
        for (int column = 1; column <= kGridColumns; ++column) {
            const int index = 3 * row + column;
            m_window.setCellHeight(index, kCellHeight);
            m_window.setCellTop(index, kRowPitch * row + kFirstRowTop);
            m_window.setCellText(index, u"");
            m_window.setCellFontSize(index, kCellFontSize);
            m_window.setCellVisible(index, true);
            m_window.setCellEnabled(index, true);
            m_window.setCellFlat(index);
        }
        for (int column = 1; column <= kGridColumns; ++column)
            m_window.setCellWidth(3 * row + column, kColumnWidth[column - 1]);
        for (int column = 1; column <= kGridColumns; ++column)
            m_window.setCellLeft(3 * row + column, kColumnLeft[column - 1]);
    }

    m_window.setButtonTop(Button::Command6, kCommand6Top);
    m_window.setButtonLeft(Button::Command6, kCommand6Left);

    for (Button button : { Button::Command1, Button::Command2, Button::Command3, Button::Command9,
             Button::Command8, Button::Command6 })
        makeUnavailable(button);

    // The emptied cells left RecordCount at the last row; the window starts with no records.
    m_records.RecordCount = 0;
}

void Form1::Text1_Change(int index)
{
    // Only grid cells report changes; the hidden template and anything else have no place in the table.
    if (index < 1 || index > kCellCount)
        return;
    storeCellChange(m_records, index, m_window.cellText(index));
}

void Form1::Command5_Click()
{
    ClearRecords(m_records, m_window);
    makeAvailable(Button::Command6);
    m_window.setFocusToCell(1);
}

void Form1::Command6_Click()
{
    for (Button button : { Button::Command1, Button::Command2, Button::Command3, Button::Command8 })
        makeAvailable(button);
    readGridIntoTable(m_records, m_window);
}

void Form1::Command8_Click()
{
    makeAvailable(Button::Command6);
    // After a load that filled every row there is no cell after the last one: stay on the last cell.
    const int next = m_records.LastCellIndex + 1;
    m_window.setFocusToCell(next < 1 ? 1 : next > kCellCount ? kCellCount : next);
}

void Form1::Command1_Click()
{
    if (m_records.RecordCount == 0) {
        // Nothing to draw: the picture keeps whatever it shows, and only what needs records is disabled.
        for (Button button :
            { Button::Command1, Button::Command2, Button::Command3, Button::Command9, Button::Command8 })
            makeUnavailable(button);
        return;
    }
    drawGraph(m_records, m_picture1);
    makeAvailable(Button::Command2);
    makeAvailable(Button::Command9);
}

void Form1::Command9_Click()
{
    m_picture1.Cls();
    makeUnavailable(Button::Command2);
    makeUnavailable(Button::Command9);
}

void Form1::Command7_Click()
{
    if (m_dialogs.askYesNo(kExitPrompt, kExitTitle) == MsgBoxAnswer::No)
        return;
    m_dialogs.endProgram();
}

} // namespace psa
