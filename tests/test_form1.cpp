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

// The window after start-up, wired as the real one: every cell change reaches Text1_Change at once.
struct Rig {
    Rig()
    {
        window.onCellChanged = [this](int index) {
            ++changes;
            form.Text1_Change(index);
        };
        form.Form_Load();
    }

    // Types "year|month|value" into a grid row, one cell after the other.
    void typeRow(int row, const QString &fields)
    {
        const QStringList parts = fields.split(u'|');
        for (int column = 1; column <= 3; ++column)
            window.type(indexOf({ row, column }), parts[column - 1].toStdU16String());
    }
    [[nodiscard]] double table(int row, int column) const
    {
        return form.records().RecordTable.at(row, column);
    }
    [[nodiscard]] QList<int> available() const
    {
        QList<int> numbers;
        for (int number = 1; number <= 9; ++number)
            if (window.button(Button(number)).enabled)
                numbers.append(number);
        return numbers;
    }
    // The look changes logged so far as "+6 -1 ...": a sign for available or unavailable, the button's
    // number. A change that is not Enabled followed by the matching BackColor of the same button shows as
    // "?".
    [[nodiscard]] QString looks() const
    {
        QStringList shown;
        const auto &log = window.buttonLog;
        for (std::size_t i = 0; i < log.size(); i += 2) {
            const bool paired = i + 1 < log.size() && log[i].isEnabled && !log[i + 1].isEnabled
                && log[i].button == log[i + 1].button
                && log[i + 1].colour == (log[i].enabled ? kAvailableBackColor : kUnavailableBackColor);
            shown << (paired ? QStringLiteral("%1%2").arg(log[i].enabled ? '+' : '-').arg(int(log[i].button))
                             : QStringLiteral("?"));
        }
        return shown.join(u' ');
    }

    FakeWindow window;
    RecordingSurface surface;
    FakeDialogs dialogs;
    FakeFileSystem files;
    Form1 form { window, surface, dialogs, files };
    int changes = 0;
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void startUp();
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
};

void TestForm1::startUp()
{
    Rig rig;
    const struct {
        int index;
        QRect geometry;
    } edges[] = { { 1, { 8, 65, 70, 15 } }, { 2, { 78, 65, 54, 15 } }, { 3, { 132, 65, 70, 15 } },
        { 4, { 8, 81, 70, 15 } }, { 51, { 132, 321, 70, 15 } }, { 103, { 8, 609, 70, 15 } },
        { 105, { 132, 609, 70, 15 } } };
    for (const auto &edge : edges) {
        const auto &cell = rig.window.cells[std::size_t(edge.index)];
        QCOMPARE(QRectF(cell.left, cell.top, cell.width, cell.height), QRectF(edge.geometry));
    }
    for (int index = 1; index <= kCellCount; ++index) {
        const auto &cell = rig.window.cells[std::size_t(index)];
        QVERIFY2(cell.created && cell.text.empty() && cell.visible && cell.enabled && cell.flat,
            qPrintable(QString::number(index)));
        QCOMPARE(cell.fontSize, 10.0);
    }
    // Every cell held its design text, so emptying it ran the change handler; start-up still has no records.
    QCOMPARE(rig.changes, kCellCount);
    QCOMPARE(rig.form.records().RecordCount, 0);
    QCOMPARE(rig.window.button(Button::Command6).left, 134.0);
    QCOMPARE(rig.window.button(Button::Command6).top, 628.0);
    QCOMPARE(rig.looks(), QStringLiteral("-1 -2 -3 -9 -8 -6"));
}

// The workflow from start-up, one click per step; each row checks the buttons after the steps up to its own.
void TestForm1::clickSequence_data()
{
    QTest::addColumn<int>("lastStep");
    QTest::addColumn<QList<int>>("available");
    QTest::newRow("0 start-up") << 0 << QList<int> { 4, 5, 7 };
    QTest::newRow("1 data input") << 1 << QList<int> { 4, 5, 6, 7 };
    QTest::newRow("2 end input with records typed") << 2 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8 };
    QTest::newRow("3 show graph") << 3 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    QTest::newRow("4 clear graph") << 4 << QList<int> { 1, 3, 4, 5, 6, 7, 8 };
    QTest::newRow("5 load a file") << 5 << QList<int> { 1, 3, 4, 5, 7, 8 };
    QTest::newRow("6 show graph after the load") << 6 << QList<int> { 1, 2, 3, 4, 5, 7, 8, 9 };
    QTest::newRow("7 add or modify") << 7 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9 };
}

void TestForm1::clickSequence()
{
    QFETCH(int, lastStep);
    QFETCH(QList<int>, available);
    Rig rig;
    rig.files.files[u"records.csv"]
        = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n 2006, 1, 0.5\r\n";
    rig.dialogs.fileNames.push_back(u"records.csv");

    const std::function<void()> steps[] = {
        [&] {
            rig.form.Command5_Click();
            rig.typeRow(1, "2005|4|3.2");
            rig.typeRow(2, "2005|10|1.1");
        },
        [&] { rig.form.Command6_Click(); },
        [&] { rig.form.Command1_Click(); },
        [&] { rig.form.Command9_Click(); },
        [&] { rig.form.Command4_Click(); },
        [&] { rig.form.Command1_Click(); },
        [&] { rig.form.Command8_Click(); },
    };
    for (int step = 1; step <= lastStep; ++step)
        steps[step - 1]();

    if (lastStep >= 5)
        QCOMPARE(rig.form.records().RecordCount, 4);
    QCOMPARE(rig.available(), available);
    QVERIFY2(!rig.looks().contains(u'?'), qPrintable(rig.looks()));
}

void TestForm1::showGraphWithoutRecordsLeavesThePicture()
{
    Rig rig;
    rig.form.Command5_Click();
    rig.typeRow(1, "2005|4|3.2");
    rig.form.Command6_Click();
    rig.form.Command1_Click();
    const std::size_t drawn = rig.surface.calls.size();
    QVERIFY(drawn > 0);

    // A fresh input ended on an empty grid: no records, while the old graph is still shown.
    rig.form.Command5_Click();
    rig.form.Command6_Click();
    rig.window.buttonLog.clear();
    rig.form.Command1_Click();

    QCOMPARE(rig.surface.calls.size(), drawn);
    QCOMPARE(rig.looks(), QStringLiteral("-1 -2 -3 -9 -8"));
    QCOMPARE(rig.available(), (QList<int> { 4, 5, 6, 7 }));
}

void TestForm1::exitQuestion_data()
{
    QTest::addColumn<MsgBoxAnswer>("answer");
    QTest::newRow("no keeps everything") << MsgBoxAnswer::No;
    QTest::newRow("yes ends the program") << MsgBoxAnswer::Yes;
}

void TestForm1::exitQuestion()
{
    QFETCH(MsgBoxAnswer, answer);
    Rig rig;
    rig.form.Command5_Click();
    rig.typeRow(1, "2005|4|3.2");
    const auto before = rig.window.buttonLog.size();
    rig.dialogs.answers.push_back(answer);

    rig.form.Command7_Click();

    QCOMPARE(rig.dialogs.questions.size(), std::size_t(1));
    // Ideographic spaces lead both texts; the question ends in a full-width question mark.
    QVERIFY(rig.dialogs.questions[0].prompt == u"\u3000\u3000\u3000ほんとうにおわりますか\uFF1F");
    QVERIFY(rig.dialogs.questions[0].title == u"\u3000\u3000\u3000\u3000かくにんメッセージ");
    QCOMPARE(rig.dialogs.endRequests, answer == MsgBoxAnswer::Yes ? 1 : 0);
    QCOMPARE(rig.window.buttonLog.size(), before);
    QVERIFY(rig.window.CellText(3) == u"3.2");
    QCOMPARE(rig.form.records().RecordCount, 1);
}

void TestForm1::typingDigitByDigit()
{
    Rig rig;
    rig.form.Command5_Click();
    QCOMPARE(rig.window.focusedCell, 1);
    QList<double> seen;
    for (const char16_t *text : { u"2", u"20", u"200", u"2005", u"" }) {
        rig.window.type(1, text);
        seen.append(rig.table(1, 1));
    }
    QCOMPARE(seen, (QList<double> { 2, 20, 200, 2005, 0 }));
    QCOMPARE(rig.form.records().RecordCount, 1);
}

// Rows typed into the grid from row 1, as "year|month|value"; "-" leaves a row untouched.
void TestForm1::endInput_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("checkRow");
    QTest::addColumn<QList<double>>("checkValues");

    QTest::newRow("empty grid") << QStringList {} << 0 << 1 << QList<double> { 0, 0, 0 };
    QTest::newRow("gap row ends the reading") << QStringList { "2005|1|4", "2005|2|5", "2005|3|6", "-",
        "2005|5|8" } << 3 << 5 << QList<double> { 2005, 5, 8 };
    QTest::newRow("blank year is not empty")
        << QStringList { "2005|1|4", " |2|5", "2005|3|6" } << 3 << 2 << QList<double> { 0, 2, 5 };
    QTest::newRow("empty month and value read as 0")
        << QStringList { "2005|1|4", "2006||" } << 2 << 2 << QList<double> { 2006, 0, 0 };
    QStringList full;
    for (int row = 1; row <= kGridRows; ++row)
        full << QStringLiteral("%1|%2|%3").arg(2000 + row).arg(row % 12 + 1).arg(row);
    QTest::newRow("all 35 rows stop at the last row") << full << 35 << 35 << QList<double> { 2035, 12, 35 };
}

void TestForm1::endInput()
{
    QFETCH(QStringList, rows);
    QFETCH(int, recordCount);
    QFETCH(int, checkRow);
    QFETCH(QList<double>, checkValues);
    Rig rig;
    rig.form.Command5_Click();
    for (int row = 1; row <= rows.size(); ++row)
        if (rows[row - 1] != "-")
            rig.typeRow(row, rows[row - 1]);
    const int changesBefore = rig.changes;

    rig.form.Command6_Click();

    QCOMPARE(rig.form.records().RecordCount, recordCount);
    QCOMPARE(rig.form.records().InputRow, recordCount + 1);
    QCOMPARE(rig.changes, changesBefore); // the grid is only read
    for (int column = 1; column <= 3; ++column)
        QCOMPARE(rig.table(checkRow, column), checkValues[column - 1]);
    QCOMPARE(rig.table(kGridRows + 1, 1), 0.0); // nothing spills past the grid's rows
    QCOMPARE(rig.available(), (QList<int> { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

void TestForm1::correctingAnEarlierRowKeepsTheRecords()
{
    Rig rig;
    rig.form.Command5_Click();
    for (int row = 1; row <= 10; ++row)
        rig.typeRow(row, QStringLiteral("2005|%1|1.5").arg(row));
    rig.form.Command6_Click();

    // Correcting the month of row 2 must not drop rows 3 to 10 from the graph.
    rig.window.type(5, u"3");
    QCOMPARE(rig.table(2, 2), 3.0);
    QCOMPARE(rig.form.records().RecordCount, 10);
    rig.form.Command1_Click();
    QCOMPARE(rig.surface.callsOf<RecordingSurface::CircleCall>().size(), std::size_t(10));
    QCOMPARE(rig.form.records().MonthSpan, 9.0);

    // Typing below the records still extends them.
    rig.typeRow(12, "2006|1|2");
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
    rig.form.Command5_Click();
    rig.typeRow(1, "2005|4|3.2");
    rig.form.Command6_Click();
    rig.window.SetFocusToCell(50);
    if (lastCellIndex >= 0)
        rig.form.records().LastCellIndex = lastCellIndex;
    rig.window.buttonLog.clear();

    rig.form.Command8_Click();

    QCOMPARE(rig.window.focusedCell, focus);
    QCOMPARE(rig.looks(), QStringLiteral("+6"));
    QCOMPARE(rig.form.records().RecordCount, 1);
}

QTEST_GUILESS_MAIN(TestForm1)
#include "test_form1.moc"
