#pragma once

#include "platform/toolkit.h"
#include "records/record_table.h"

#include <string>

namespace psa {

// The main window's behaviour: its start-up, one handler per button and the cell-change handler, working on
// the window's records through the toolkit interface only.
class Form1 {
public:
    Form1(Window &window, Surface &picture1, Dialogs &dialogs, FileSystem &files);

    void Form_Load();
    // The text of cell `index` (1 to 105) has changed, by typing or by the program.
    void Text1_Change(int index);

    void Command1_Click(); // "グラフ表示": draw the graph
    void Command2_Click(); // "グラフ保存": save the graph as a bitmap
    void Command3_Click(); // "データー保存": save the records
    void Command4_Click(); // "データー読み込み": load records
    void Command5_Click(); // "データー入力": start a fresh input
    void Command6_Click(); // "入力終了": end the input
    void Command7_Click(); // "終了": exit after confirmation
    void Command8_Click(); // "データー追加・修正": back to the grid
    void Command9_Click(); // "グラフ消去": clear the graph
    // The handler of `button`'s click: Command1 to Command9 above.
    void Click(Button button);

    // Loads the record file at `path` as "データー読み込み" does once its dialog has given the name: on
    // success the grid, the table and the buttons show the file's records; a file that cannot be read
    // leaves everything as it was and says why.
    void openRecordFile(std::u16string_view path);

    // Where the form's messages go, for the guarded runs of its handlers.
    [[nodiscard]] Dialogs &dialogs() { return m_dialogs; }
    [[nodiscard]] const Records &records() const { return m_records; }
    [[nodiscard]] Records &records() { return m_records; }
    // The record file last loaded or saved, as its path was given; empty while there has been none.
    [[nodiscard]] const std::u16string &recordFile() const { return m_recordFile; }

private:
    void makeAvailable(Button button);
    void makeUnavailable(Button button);

    Window &m_window;
    Surface &m_picture1;
    Dialogs &m_dialogs;
    FileSystem &m_files;
    Records m_records;
    std::u16string m_recordFile;
};

} // namespace psa
