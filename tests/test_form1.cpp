// The window's behaviour against fakes: start-up, the button workflow, entry through the grid and exit.

#include "app/form1.h"
#include "records/cells.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/fake_window.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;
using psa::testing::FakeDialogs;
using psa::testing::FakeFileSystem;
using psa::testing::FakeWindow;
using psa::testing::RecordingSurface;

namespace {

// One window with its logic, wired as the real window wires them: every cell change reaches Text1_Change.
struct Rig {
    Rig()
    {
        window.onCellChanged = [this](int index) {
            ++changes;
            form.Text1_Change(index);
        };
    }

    void type(int row, int column, std::u16string_view text) { window.type(indexOf({ row, column }), text); }
    void typeRecord(int row, std::u16string_view year, std::u16string_view month, std::u16string_view value)
    {
        type(row, 1, year);
        type(row, 2, month);
        type(row, 3, value);
    }
    [[nodiscard]] double table(int row, int column) const
    {
        return form.records().RecordTable.at(row, column);
    }

    FakeWindow window;
    RecordingSurface surface;
    FakeDialogs dialogs;
    FakeFileSystem files;
    Form1 form { window, surface, dialogs, files };
    int changes = 0;
};

using ButtonSet = QList<int>;

ButtonSet availableButtons(const FakeWindow &window)
{
    ButtonSet available;
    for (int number = 1; number <= 9; ++number) {
        const auto &state = window.button(static_cast<Button>(number));
        if (state.enabled)
            available.append(number);
    }
    return available;
}

// Every look change sets Enabled and then BackColor of the same button, to a matching pair.
bool looksChangedInPairs(const std::vector<FakeWindow::ButtonOperation> &log, QString &why)
{
    if (log.size() % 2 != 0) {
        why = QStringLiteral("odd number of button operations: %1").arg(log.size());
        return false;
    }
    for (std::size_t i = 0; i < log.size(); i += 2) {
        const auto &first = log[i];
        const auto &second = log[i + 1];
        if (!first.isEnabled || second.isEnabled || first.button != second.button) {
            why = QStringLiteral("operation %1 is not Enabled followed by BackColor of the same button")
                      .arg(i);
            return false;
        }
        const Colour expected = first.enabled ? kAvailableBackColor : kUnavailableBackColor;
        if (second.colour != expected) {
            why = QStringLiteral("button %1 got a colour that does not match its Enabled state")
                      .arg(static_cast<int>(first.button));
            return false;
        }
    }
    return true;
}

const std::string kFourRecords = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n 2006, 1, 0.5\r\n";

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void startUpBuildsTheGrid();
    void startUpCellGeometry_data();
    void startUpCellGeometry();
    void startUpButtons();
    void clickSequence_data();
    void clickSequence();
    void showGraphWithoutRecordsLeavesThePicture();
    void exitQuestion_data();
    void exitQuestion();
    void typingDigitByDigit();
    void endInput_data();
    void endInput();
    void correctingAnEarlierRowKeepsTheRecords();
    void addOrModifyFocus_data();
    void addOrModifyFocus();
    void dataInputEmptiesEverything();
};

void TestForm1::startUpBuildsTheGrid()
{
    Rig rig;
    rig.form.Form_Load();

    for (int index = 1; index <= kCellCount; ++index) {
        const auto &cell = rig.window.cells[static_cast<std::size_t>(index)];
        QVERIFY2(cell.created, qPrintable(QString::number(index)));
        QVERIFY2(cell.text.empty(), qPrintable(QString::number(index)));
        QVERIFY2(cell.visible && cell.enabled && cell.flat, qPrintable(QString::number(index)));
        QCOMPARE(cell.fontSize, 10.0);
        QCOMPARE(cell.height, 15.0);
    }
    // Every cell held its design text, so emptying each one ran the change handler once.
    QCOMPARE(rig.changes, kCellCount);
    QCOMPARE(rig.form.records().RecordCount, 0);
    QCOMPARE(rig.form.records().LastCellIndex, 0);
    for (int row = 1; row <= kGridRows; ++row)
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(rig.table(row, column), 0.0);
    QCOMPARE(rig.form.records().RecordTable.at(kGridRows + 1, 1), 0.0);
}

void TestForm1::startUpCellGeometry_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("cell 1, year of row 1") << 1 << QRect(8, 65, 70, 15);
    QTest::newRow("cell 2, month of row 1") << 2 << QRect(78, 65, 54, 15);
    QTest::newRow("cell 3, value of row 1") << 3 << QRect(132, 65, 70, 15);
    QTest::newRow("cell 4, one pixel below row 1") << 4 << QRect(8, 81, 70, 15);
    QTest::newRow("cell 50, last of the design cells") << 50 << QRect(78, 321, 54, 15);
    QTest::newRow("cell 51, first created cell") << 51 << QRect(132, 321, 70, 15);
    QTest::newRow("cell 103, year of row 35") << 103 << QRect(8, 609, 70, 15);
    QTest::newRow("cell 105, last cell") << 105 << QRect(132, 609, 70, 15);
}

void TestForm1::startUpCellGeometry()
{
    QFETCH(int, index);
    QFETCH(QRect, geometry);
    Rig rig;
    rig.form.Form_Load();
    const auto &cell = rig.window.cells[static_cast<std::size_t>(index)];
    QCOMPARE(QRect(int(cell.left), int(cell.top), int(cell.width), int(cell.height)), geometry);
}

void TestForm1::startUpButtons()
{
    Rig rig;
    rig.form.Form_Load();

    const auto &command6 = rig.window.button(Button::Command6);
    QCOMPARE(command6.left, 134.0);
    QCOMPARE(command6.top, 628.0);

    QString why;
    QVERIFY2(looksChangedInPairs(rig.window.buttonLog, why), qPrintable(why));
    std::vector<Button> greyed;
    for (std::size_t i = 0; i < rig.window.buttonLog.size(); i += 2) {
        QVERIFY(!rig.window.buttonLog[i].enabled);
        greyed.push_back(rig.window.buttonLog[i].button);
    }
    const std::vector<Button> expected { Button::Command1, Button::Command2, Button::Command3,
        Button::Command9, Button::Command8, Button::Command6 };
    QVERIFY(greyed == expected);
    QCOMPARE(availableButtons(rig.window), (ButtonSet { 4, 5, 7 }));
    for (int number : { 4, 5, 7 })
        QVERIFY(rig.window.button(static_cast<Button>(number)).backColor == kAvailableBackColor);
}

// The workflow from start-up, one click per step; each row checks the buttons after the steps up to its own.
void TestForm1::clickSequence_data()
{
    QTest::addColumn<int>("lastStep");
    QTest::addColumn<ButtonSet>("available");
    QTest::newRow("0 start-up") << 0 << ButtonSet { 4, 5, 7 };
    QTest::newRow("1 data input") << 1 << ButtonSet { 4, 5, 6, 7 };
    QTest::newRow("2 end input with records typed") << 2 << ButtonSet { 1, 2, 3, 4, 5, 6, 7, 8 };
    QTest::newRow("3 show graph") << 3 << ButtonSet { 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    QTest::newRow("4 clear graph") << 4 << ButtonSet { 1, 3, 4, 5, 6, 7, 8 };
    QTest::newRow("5 load a file") << 5 << ButtonSet { 1, 3, 4, 5, 7, 8 };
    QTest::newRow("6 show graph after the load") << 6 << ButtonSet { 1, 2, 3, 4, 5, 7, 8, 9 };
    QTest::newRow("7 add or modify") << 7 << ButtonSet { 1, 2, 3, 4, 5, 6, 7, 8, 9 };
}

void TestForm1::clickSequence()
{
    QFETCH(int, lastStep);
    QFETCH(ButtonSet, available);

    Rig rig;
    rig.files.files[u"records.csv"] = kFourRecords;
    rig.dialogs.fileNames.push_back(u"records.csv");

    rig.form.Form_Load();
    for (int step = 1; step <= lastStep; ++step) {
        switch (step) {
        case 1:
            rig.form.Command5_Click();
            rig.typeRecord(1, u"2005", u"4", u"3.2");
            rig.typeRecord(2, u"2005", u"10", u"1.1");
            break;
        case 2:
            rig.form.Command6_Click();
            break;
        case 3:
        case 6:
            rig.form.Command1_Click();
            break;
        case 4:
            rig.form.Command9_Click();
            break;
        case 5:
            rig.form.Command4_Click();
            QCOMPARE(rig.form.records().RecordCount, 4);
            break;
        case 7:
            rig.form.Command8_Click();
            break;
        }
    }

    QCOMPARE(availableButtons(rig.window), available);
    for (int number = 1; number <= 9; ++number) {
        const auto &state = rig.window.button(static_cast<Button>(number));
        QVERIFY(state.backColor == (state.enabled ? kAvailableBackColor : kUnavailableBackColor));
    }
    QString why;
    QVERIFY2(looksChangedInPairs(rig.window.buttonLog, why), qPrintable(why));
}

void TestForm1::showGraphWithoutRecordsLeavesThePicture()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    rig.typeRecord(1, u"2005", u"4", u"3.2");
    rig.form.Command6_Click();
    rig.form.Command1_Click();
    const std::size_t drawn = rig.surface.calls.size();
    QVERIFY(drawn > 0);

    // A fresh input ended on an empty grid: no records, but the old graph is still on the picture.
    rig.form.Command5_Click();
    rig.form.Command6_Click();
    QCOMPARE(rig.form.records().RecordCount, 0);
    rig.window.buttonLog.clear();
    rig.form.Command1_Click();

    QCOMPARE(rig.surface.calls.size(), drawn);
    std::vector<Button> greyed;
    for (std::size_t i = 0; i < rig.window.buttonLog.size(); i += 2) {
        QVERIFY(!rig.window.buttonLog[i].enabled);
        greyed.push_back(rig.window.buttonLog[i].button);
    }
    const std::vector<Button> expected { Button::Command1, Button::Command2, Button::Command3,
        Button::Command9, Button::Command8 };
    QVERIFY(greyed == expected);
    QCOMPARE(availableButtons(rig.window), (ButtonSet { 4, 5, 6, 7 }));
}

void TestForm1::exitQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no keeps everything") << false;
    QTest::newRow("yes ends the program") << true;
}

void TestForm1::exitQuestion()
{
    QFETCH(bool, yes);
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    rig.typeRecord(1, u"2005", u"4", u"3.2");
    const auto logBefore = rig.window.buttonLog.size();
    const auto cellsBefore = rig.window.cells;
    const int focusBefore = rig.window.focusedCell;

    rig.dialogs.answers.push_back(yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No);
    rig.form.Command7_Click();

    QCOMPARE(rig.dialogs.questions.size(), std::size_t(1));
    // Ideographic spaces lead both texts; the question ends in a full-width question mark.
    QVERIFY(rig.dialogs.questions[0].prompt == u"\u3000\u3000\u3000ほんとうにおわりますか\uFF1F");
    QVERIFY(rig.dialogs.questions[0].title == u"\u3000\u3000\u3000\u3000かくにんメッセージ");
    QCOMPARE(rig.dialogs.endRequests, yes ? 1 : 0);
    QCOMPARE(rig.window.buttonLog.size(), logBefore);
    QCOMPARE(rig.window.focusedCell, focusBefore);
    QCOMPARE(rig.form.records().RecordCount, 1);
    QCOMPARE(rig.table(1, 3), 3.2);
    for (int index = 1; index <= kCellCount; ++index)
        QVERIFY(rig.window.cells[std::size_t(index)].text == cellsBefore[std::size_t(index)].text);
    QVERIFY(rig.dialogs.messages.empty());
}

void TestForm1::typingDigitByDigit()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    QCOMPARE(rig.window.focusedCell, 1);

    std::u16string text;
    QList<double> seen;
    for (char16_t digit : std::u16string_view(u"2005")) {
        text += digit;
        rig.type(1, 1, text);
        seen.append(rig.table(1, 1));
    }
    QCOMPARE(seen, (QList<double> { 2, 20, 200, 2005 }));
    QCOMPARE(rig.form.records().RecordCount, 1);

    // Deleting the text stores 0 again.
    rig.type(1, 1, u"");
    QCOMPARE(rig.table(1, 1), 0.0);
}

// Rows typed into the grid, one "year|month|value" entry per row from row 1; "-" leaves a row untouched.
void TestForm1::endInput_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("inputRow");
    QTest::addColumn<int>("checkRow");
    QTest::addColumn<QList<double>>("checkValues");

    QTest::newRow("empty grid") << QStringList {} << 0 << 1 << 1 << QList<double> { 0, 0, 0 };
    QTest::newRow("gap row ends the reading") << QStringList { "2005|1|4", "2005|2|5", "2005|3|6", "-",
        "2005|5|8" } << 3 << 4 << 5 << QList<double> { 2005, 5, 8 };
    QTest::newRow("blank year is not empty")
        << QStringList { "2005|1|4", " |2|5", "2005|3|6" } << 3 << 4 << 2 << QList<double> { 0, 2, 5 };
    QTest::newRow("empty month and value read as 0")
        << QStringList { "2005|1|4", "2006||" } << 2 << 3 << 2 << QList<double> { 2006, 0, 0 };
    QStringList full;
    for (int row = 1; row <= kGridRows; ++row)
        full << QStringLiteral("%1|%2|%3").arg(2000 + row).arg(row % 12 + 1).arg(row);
    QTest::newRow("all 35 rows stop at the last row")
        << full << 35 << 36 << 35 << QList<double> { 2035, 12, 35 };
}

void TestForm1::endInput()
{
    QFETCH(QStringList, rows);
    QFETCH(int, recordCount);
    QFETCH(int, inputRow);
    QFETCH(int, checkRow);
    QFETCH(QList<double>, checkValues);

    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    for (int row = 1; row <= rows.size(); ++row) {
        const QString &entry = rows[row - 1];
        if (entry == "-")
            continue;
        const QStringList fields = entry.split('|');
        for (int column = 1; column <= 3; ++column)
            rig.type(row, column, fields[column - 1].toStdU16String());
    }
    const int changesBefore = rig.changes;

    rig.form.Command6_Click();

    QCOMPARE(rig.form.records().RecordCount, recordCount);
    QCOMPARE(rig.form.records().InputRow, inputRow);
    QCOMPARE(rig.changes, changesBefore); // the grid is only read
    for (int column = 1; column <= 3; ++column)
        QCOMPARE(rig.table(checkRow, column), checkValues[column - 1]);
    QCOMPARE(rig.table(kGridRows + 1, 1), 0.0); // nothing spills past the grid's rows
    QCOMPARE(availableButtons(rig.window), (ButtonSet { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

void TestForm1::correctingAnEarlierRowKeepsTheRecords()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    for (int row = 1; row <= 10; ++row)
        rig.typeRecord(row, u"2005", QString::number(row).toStdU16String(), u"1.5");
    rig.form.Command6_Click();
    QCOMPARE(rig.form.records().RecordCount, 10);

    // Correcting the month of row 2 must not drop rows 3 to 10 from the graph.
    rig.type(2, 2, u"3");
    QCOMPARE(rig.table(2, 2), 3.0);
    QCOMPARE(rig.form.records().RecordCount, 10);

    rig.form.Command1_Click();
    QCOMPARE(rig.surface.callsOf<RecordingSurface::CircleCall>().size(), std::size_t(10));
    QCOMPARE(rig.form.records().MonthSpan, 9.0);
    QCOMPARE(rig.table(10, kMonthIndexColumn), 9.0);

    // Typing below the records still extends them.
    rig.typeRecord(12, u"2006", u"1", u"2");
    QCOMPARE(rig.form.records().RecordCount, 12);
}

void TestForm1::addOrModifyFocus_data()
{
    QTest::addColumn<int>("lastCellIndex");
    QTest::addColumn<int>("focus");
    QTest::newRow("after data input: cell 1") << -1 << 1;
    QTest::newRow("after four loaded records: cell 13") << 12 << 13;
    QTest::newRow("all 35 rows loaded: stays on cell 105") << 105 << 105;
}

void TestForm1::addOrModifyFocus()
{
    QFETCH(int, lastCellIndex);
    QFETCH(int, focus);
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    rig.typeRecord(1, u"2005", u"4", u"3.2");
    rig.form.Command6_Click();
    rig.window.SetFocusToCell(50);
    if (lastCellIndex >= 0)
        rig.form.records().LastCellIndex = lastCellIndex;
    rig.window.buttonLog.clear();

    rig.form.Command8_Click();

    QCOMPARE(rig.window.focusedCell, focus);
    QCOMPARE(rig.window.buttonLog.size(), std::size_t(2));
    QVERIFY(rig.window.buttonLog[0].button == Button::Command6 && rig.window.buttonLog[0].enabled);
    QCOMPARE(rig.form.records().RecordCount, 1);
}

void TestForm1::dataInputEmptiesEverything()
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    for (int row = 1; row <= kGridRows; ++row)
        rig.typeRecord(row, QString::number(2000 + row).toStdU16String(), u"1", u"3");
    rig.form.Command6_Click();
    rig.form.Command1_Click();
    const double monthIndex = rig.table(2, kMonthIndexColumn);
    rig.form.records().RecordTable.set(40, 1, 7);
    rig.window.SetFocusToCell(60);

    rig.form.Command5_Click();

    for (int index = 1; index <= kCellCount; ++index)
        QVERIFY(rig.window.cells[std::size_t(index)].text.empty());
    for (int row = 1; row <= kGridRows; ++row)
        QCOMPARE(rig.table(row, 1) + rig.table(row, 2) + rig.table(row, 3), 0.0);
    QCOMPARE(rig.form.records().RecordCount, 0);
    QCOMPARE(rig.form.records().LastCellIndex, 0);
    QCOMPARE(rig.table(2, kMonthIndexColumn), monthIndex);
    QCOMPARE(rig.table(40, 1), 7.0);
    QCOMPARE(rig.window.focusedCell, 1);
    QVERIFY(rig.window.button(Button::Command6).enabled);
}

QTEST_GUILESS_MAIN(TestForm1)
#include "test_form1.moc"
