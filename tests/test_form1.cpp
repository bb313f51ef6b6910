// The window's behaviour against fakes: the record table and the grid read into it, the button workflow, the
// cursor of "add or modify" and exit, one scripted user session per row.

#include "app/grid_entry.h"
#include "numbers/val.h"
#include "records/cells.h"
#include "support/form_rig.h"
#include "support/record_files.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;
using Buttons = QList<int>; // the numbers of the available buttons

namespace {

using Session = testing::FormRig<testing::RecordingSurface>;

// The table numbered 1 to 480 row by row, so that a write in the wrong place shows.
RecordTable numbered()
{
    RecordTable table;
    for (int place = 0; place < 480; ++place)
        table.set(place / 4 + 1, place % 4 + 1, place + 1);
    return table;
}

// The table's elements row by row; QCOMPARE names the first that differs.
QList<double> elements(const RecordTable &table)
{
    QList<double> all;
    for (int place = 0; place < 480; ++place)
        all << table.at(place / 4 + 1, place % 4 + 1);
    return all;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    // Every place inside is written by numbered() in the tests below; row 1, column 5 would land on a real
    // element of a flat array.
    void tableRefusesPlacesOutsideIt()
    {
        for (const auto &[row, column] : { std::pair { 0, 1 }, { 121, 1 }, { 1, 0 }, { 1, 5 } }) {
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, RecordTable().set(row, column, 1));
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)RecordTable().at(row, column));
        }
    }

    // A change stores the cell's value in its place and touches nothing else. Correcting an early row keeps
    // the records after it; a year typed in the row after them raises the count.
    void cellChangeStoresValueAndNeverLowersCount()
    {
        for (const auto &[index, count] : { std::pair { 5, 10 }, { 31, 11 } }) {
            Records records { numbered(), 10 };
            RecordTable expected = records.RecordTable;
            expected.set(cellOf(index).row, cellOf(index).column, 4.2);
            storeCellChange(records, index, u" 4.2ng");
            QCOMPARE(elements(records.RecordTable), elements(expected));
            QCOMPARE(records.RecordCount, count);
        }
    }

    void endInputThenDataInput_data()
    {
        QTest::addColumn<QStringList>("cells"); // from cell 1 on; the rest empty
        QTest::addColumn<int>("count");
        // Row 3's year is empty, so row 4 stays out.
        QTest::newRow("a blank year is not empty")
            << QStringList { " ", "1", "2", "3", "", "4", "", "5", "6", "7", "8", "9" } << 2;
        QTest::newRow("all 35 rows, reading ends after the last cell")
            << QString("２００５,12,0.01,").repeated(35).split(',') << 35;
    }

    // "End input" reads rows up to the first exactly empty year cell; then "data input" on the same grid
    // empties the cells, running the cell-change handling nested inside ClearRecords as the real window does.
    // MonthIndex, rows 36 on and MonthSpan survive.
    void endInputThenDataInput()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, count);
        Records records { numbered(), 7, 24, 105 };
        RecordTable expected = records.RecordTable;
        testing::FakeWindow window;
        for (int index = 1; index <= kCellCount; ++index) {
            window.setCellText(index, cells.value(index - 1).toStdU16String());
            if (cellOf(index).row <= count)
                expected.set(cellOf(index).row, cellOf(index).column, Val(window.cellText(index)));
        }
        readGridIntoTable(records, window);
        QCOMPARE(elements(records.RecordTable), elements(expected));
        QCOMPARE(records.RecordCount, count);

        window.onCellChanged = [&](int i) { storeCellChange(records, i, window.cellText(i)); };
        ClearRecords(records, window);
        for (int index = 1; index <= kCellCount; ++index) {
            QVERIFY(window.cellText(index).empty());
            expected.set(cellOf(index).row, cellOf(index).column, 0);
        }
        QCOMPARE(elements(records.RecordTable), elements(expected));
        QCOMPARE(std::tuple(records.RecordCount, records.MonthSpan, records.LastCellIndex),
            std::tuple(0, 24.0, 0));
    }
    void buttonWorkflow_data()
    {
        QTest::addColumn<Buttons>("clicks");
        // after each "data input": rows 1 to n typed as (2000 + n, n, n)
        QTest::addColumn<QList<int>>("typed");
        QTest::addColumn<int>("loaded"); // records in the file that every load reads
        QTest::addColumn<QList<Buttons>>("available"); // after start-up, then after each click
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("markers"); // drawn in the whole session
        const Buttons startUp { 4, 5, 7 }, input { 4, 5, 6, 7 }, ended { 1, 2, 3, 4, 5, 6, 7, 8 },
            all { 1, 2, 3, 4, 5, 6, 7, 8, 9 }, cleared { 1, 3, 4, 5, 6, 7, 8 }, loaded { 1, 3, 4, 5, 7, 8 },
            loadedOverGraph { 1, 2, 3, 4, 5, 7, 8, 9 };
        // A load over a drawn graph keeps graph save and clear.
        QTest::newRow("input, end, show, clear, show, load, clear, load, show, add or modify")
            << Buttons { 5, 6, 1, 9, 1, 4, 9, 4, 1, 8 } << QList { 2 } << 4
            << QList { startUp, input, ended, all, cleared, all, loadedOverGraph, loaded, loaded,
                   loadedOverGraph, all }
            << 4 << 13 << 8;
        QTest::newRow("add or modify after 35 loaded rows: the last cell")
            << Buttons { 4, 8 } << QList<int> {} << 35
            << QList { startUp, loaded, Buttons { 1, 3, 4, 5, 6, 7, 8 } } << 35 << 105 << 0;
        // The picture keeps the first graph; only what needs records becomes unavailable.
        QTest::newRow("show graph with no records")
            << Buttons { 5, 6, 1, 5, 6, 1 } << QList { 1, 0 } << 0
            << QList { startUp, input, ended, all, all, all, input } << 0 << 1 << 1;
    }

    // Every button not listed is unavailable; every look change sets Enabled and then the matching BackColor.
    void buttonWorkflow()
    {
        QFETCH(Buttons, clicks);
        QFETCH(QList<int>, typed);
        QFETCH(int, loaded);
        Session session;
        session.dialogs.fileNames.assign(9, u"records.csv");
        session.fake.files[u"records.csv"] = testing::recordsText(loaded);
        QList<Buttons> got { session.available() };
        for (const int number : clicks) {
            session.form.Click(Button(number));
            const int rows = number == 5 ? int(typed.takeFirst()) : 0;
            for (int cell = 1; cell <= 3 * rows; ++cell)
                session.window.type(
                    cell, QString::number(cellOf(cell).row + (cell % 3 == 1) * 2000).toStdU16String());
            got << session.available();
        }
        QTEST(got, "available");
        QTEST(session.form.records().RecordCount, "count");
        QTEST(session.window.focusedCell, "focus");
        QTEST(int(session.picture.calls.filter("circle").size()), "markers");
        const auto &log = session.window.buttonLog;
        for (std::size_t i = 0; i < log.size(); i += 2)
            QVERIFY(i + 1 < log.size() && log[i].isEnabled && !log[i + 1].isEnabled
                && log[i].button == log[i + 1].button
                && log[i + 1].colour == (log[i].enabled ? kAvailableBackColor : kUnavailableBackColor));
    }

    // "No" keeps the program running; "Yes" ends it.
    void exitAsksFirst()
    {
        Session session;
        session.dialogs.answers = { MsgBoxAnswer::No, MsgBoxAnswer::Yes };
        for (const int ends : { 0, 1 }) {
            session.form.Command7_Click();
            QCOMPARE(session.dialogs.endRequests, ends);
        }
        const auto &[prompt, title] = session.dialogs.questions.at(1);
        QCOMPARE(QString::fromStdU16String(prompt + title),
            u"\u3000\u3000\u3000ほんとうにおわりますか\uFF1F\u3000\u3000\u3000\u3000かくにんメッセージ");
    }
};

QTEST_GUILESS_MAIN(TestForm1)
#include "test_form1.moc"
