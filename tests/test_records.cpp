#include "app/grid_entry.h"
#include "numbers/val.h"
#include "support/fake_window.h"

#include <QtTest>

// The table numbered 1 to 480 row by row, so that a write in the wrong place shows.
static psa::RecordTable numbered()
{
    psa::RecordTable table;
    for (int place = 0; place < 480; ++place)
        table.set(place / 4 + 1, place % 4 + 1, place + 1);
    return table;
}

// The table's elements row by row; QCOMPARE names the first that differs.
static QList<double> elements(const psa::RecordTable &table)
{
    QList<double> all;
    for (int place = 0; place < 480; ++place)
        all << table.at(place / 4 + 1, place % 4 + 1);
    return all;
}

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void tableRefusesPlacesOutsideIt_data();
    void tableRefusesPlacesOutsideIt();
    void cellChangeStoresValueAndNeverLowersCount_data();
    void cellChangeStoresValueAndNeverLowersCount();
    void endInputThenDataInput_data();
    void endInputThenDataInput();
};

void TestRecords::tableRefusesPlacesOutsideIt_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("row 0") << 0 << 1;
    QTest::newRow("row 121") << 121 << 1;
    QTest::newRow("column 0") << 1 << 0;
    // Row 0, column 5 and row 1, column 5 would land on real elements of a flat array.
    QTest::newRow("column 5") << 1 << 5;
    QTest::newRow("row 0, column 5") << 0 << 5;
}

// Every place inside is written by numbered() in the tests below.
void TestRecords::tableRefusesPlacesOutsideIt()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, psa::RecordTable().set(row, column, 1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)psa::RecordTable().at(row, column));
}

void TestRecords::cellChangeStoresValueAndNeverLowersCount_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("count");
    // Correcting an early row must not drop the records after it.
    QTest::newRow("row before the count keeps it") << 5 << " 4.2ng" << 4.2 << 10;
    QTest::newRow("first digit of a year raises it") << 34 << "2" << 2.0 << 12;
    QTest::newRow("whole year") << 34 << "2005" << 2005.0 << 12;
    QTest::newRow("no number in the last cell") << 105 << "abc" << 0.0 << 35;
}

// A change stores the cell's value in its place and touches nothing else.
void TestRecords::cellChangeStoresValueAndNeverLowersCount()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(double, stored);
    psa::Records records { numbered(), 10 };
    psa::RecordTable expected = records.RecordTable;
    expected.set(psa::cellOf(index).row, psa::cellOf(index).column, stored);
    psa::StoreCellChange(records, index, text.toStdU16String());
    QCOMPARE(elements(records.RecordTable), elements(expected));
    QTEST(records.RecordCount, "count");
}

void TestRecords::endInputThenDataInput_data()
{
    QTest::addColumn<QStringList>("cells"); // from cell 1 on; the rest empty
    QTest::addColumn<int>("count");
    QTest::newRow("empty grid") << QStringList {} << 0;
    // Row 3's year is empty, so row 4 stays out.
    QTest::newRow("a blank year is not empty")
        << QStringList { " ", "1", "2", "3", "", "4", "", "5", "6", "7", "8", "9" } << 2;
    QTest::newRow("all 35 rows, reading ends after the last cell")
        << QString("２００５,12,0.01,").repeated(35).split(',') << 35;
}

// "End input" reads rows up to the first exactly empty year cell; then "data input" on the same grid empties
// the cells, running the cell-change handling nested inside ClearRecords as the real window does. MonthIndex,
// rows 36 on and MonthSpan survive.
void TestRecords::endInputThenDataInput()
{
    QFETCH(QStringList, cells);
    QFETCH(int, count);
    psa::Records records { numbered(), 7, 24, 105 };
    psa::RecordTable expected = records.RecordTable;
    psa::testing::FakeWindow window;
    for (int index = 1; index <= psa::kCellCount; ++index) {
        window.cells[index].text = cells.value(index - 1).toStdU16String();
        if (psa::cellOf(index).row <= count)
            expected.set(
                psa::cellOf(index).row, psa::cellOf(index).column, psa::Val(window.cells[index].text));
    }
    psa::ReadGridIntoTable(records, window);
    QCOMPARE(elements(records.RecordTable), elements(expected));
    QCOMPARE(std::pair(records.RecordCount, records.InputRow), std::pair(count, count + 1));

    window.onCellChanged = [&](int i) { psa::StoreCellChange(records, i, window.CellText(i)); };
    psa::ClearRecords(records, window);
    for (int index = 1; index <= psa::kCellCount; ++index) {
        QVERIFY(window.CellText(index).empty());
        expected.set(psa::cellOf(index).row, psa::cellOf(index).column, 0);
    }
    QCOMPARE(elements(records.RecordTable), elements(expected));
    QCOMPARE(std::tuple(records.RecordCount, records.MonthSpan, records.LastCellIndex, records.InputRow),
        std::tuple(0, 24.0, 0, count + 1));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
