#include "records/cells.h"
#include "records/grid_entry.h"
#include "records/record_table.h"
#include "records/val.h"
#include "support/fake_window.h"

#include <QtTest>

#include <algorithm>
#include <stdexcept>

using namespace Qt::StringLiterals;
using psa::Records;
using psa::RecordTable;
using psa::testing::FakeWindow;

namespace {

// Every cell maps to a distinct grid place and back.
constexpr bool mappingRoundTrips()
{
    for (int index = 1; index <= psa::kCellCount; ++index) {
        const psa::Cell cell = psa::cellOf(index);
        if (cell.row < 1 || cell.row > psa::kGridRows || cell.column < 1 || cell.column > psa::kGridColumns
            || psa::indexOf(cell) != index)
            return false;
    }
    return psa::cellOf(3).row == 1 && psa::cellOf(3).column == 3;
}
static_assert(mappingRoundTrips());

// A table whose every element differs, so that a write in the wrong place shows.
Records numberedRecords()
{
    Records records;
    for (int row = 1; row <= RecordTable::kRows; ++row)
        for (int column = 1; column <= RecordTable::kColumns; ++column)
            records.RecordTable.set(row, column, row * 10 + column);
    return records;
}

void fillGrid(FakeWindow &window, const QList<QStringList> &rows)
{
    for (int index = 1; index <= psa::kCellCount; ++index)
        window.cells[static_cast<std::size_t>(index)].text.clear();
    for (int row = 1; row <= rows.size(); ++row)
        for (int column = 1; column <= psa::kGridColumns; ++column)
            window.cells[static_cast<std::size_t>(psa::indexOf({ row, column }))].text
                = rows[row - 1].value(column - 1).toStdU16String();
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void table_checks_bounds_data();
    void table_checks_bounds();
    void clear_records_data();
    void clear_records();
    void typing_stores_each_keystroke();
    void cell_change_raises_record_count_data();
    void cell_change_raises_record_count();
    void end_input_reads_grid_data();
    void end_input_reads_grid();
};

void TestRecords::table_checks_bounds_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("inside");
    QTest::newRow("first element") << 1 << 1 << true;
    QTest::newRow("last element") << 120 << 4 << true;
    QTest::newRow("last row, first column") << 120 << 1 << true;
    QTest::newRow("first row, MonthIndex") << 1 << 4 << true;
    QTest::newRow("row 0") << 0 << 1 << false;
    QTest::newRow("row 121") << 121 << 1 << false;
    QTest::newRow("negative row") << -1 << 2 << false;
    QTest::newRow("column 0") << 1 << 0 << false;
    QTest::newRow("column 5 would wrap into the next row") << 1 << 5 << false;
    QTest::newRow("row 0, column 5 would land on row 1") << 0 << 5 << false;
}

void TestRecords::table_checks_bounds()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, inside);
    RecordTable table;
    if (inside) {
        table.set(row, column, 4.2);
        QCOMPARE(table.at(row, column), 4.2);
        return;
    }
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.set(row, column, 4.2));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)table.at(row, column));
    // A refused write left no trace anywhere.
    for (int r = 1; r <= RecordTable::kRows; ++r)
        for (int c = 1; c <= RecordTable::kColumns; ++c)
            QCOMPARE(table.at(r, c), 0.0);
}

void TestRecords::clear_records_data()
{
    QTest::addColumn<bool>("gridFilled");
    QTest::newRow("all 35 rows filled") << true;
    QTest::newRow("grid already empty") << false;
}

void TestRecords::clear_records()
{
    QFETCH(bool, gridFilled);
    Records records = numberedRecords();
    records.RecordCount = 3;
    records.MonthSpan = 24;
    records.LastCellIndex = 105;
    records.InputRow = 4;
    FakeWindow window;
    fillGrid(window, {});
    if (gridFilled)
        fillGrid(window, QList<QStringList>(psa::kGridRows, { u"2005"_s, u"3"_s, u"4.2"_s }));
    int highestCount = 0;
    window.onCellChanged = [&](int index) {
        psa::StoreCellChange(records, index, window.CellText(index));
        highestCount = std::max(highestCount, records.RecordCount);
    };

    psa::ClearRecords(records, window);

    // Emptying a filled cell raised the count as it went; only the final assignment brings it to 0.
    QCOMPARE(highestCount, gridFilled ? psa::kGridRows : 0);
    QCOMPARE(records.RecordCount, 0);
    QCOMPARE(records.LastCellIndex, 0);
    QCOMPARE(records.MonthSpan, 24.0);
    QCOMPARE(records.InputRow, 4);
    for (int index = 1; index <= psa::kCellCount; ++index)
        QVERIFY2(window.CellText(index).empty(), qPrintable(u"cell %1"_s.arg(index)));
    for (int row = 1; row <= RecordTable::kRows; ++row) {
        for (int column = 1; column <= RecordTable::kColumns; ++column) {
            const bool emptied = row <= psa::kGridRows && column != psa::kMonthIndexColumn;
            QCOMPARE(records.RecordTable.at(row, column), emptied ? 0.0 : row * 10 + column);
        }
    }
}

void TestRecords::typing_stores_each_keystroke()
{
    Records records;
    FakeWindow window;
    window.onCellChanged = [&](int index) { psa::StoreCellChange(records, index, window.CellText(index)); };
    QList<double> stored;
    for (const char16_t *text : { u"2", u"20", u"200", u"2005" }) {
        window.type(4, text);
        stored << records.RecordTable.at(2, psa::kYearColumn);
    }
    QCOMPARE(stored, (QList<double> { 2, 20, 200, 2005 }));
    window.type(4, u"");
    QCOMPARE(records.RecordTable.at(2, psa::kYearColumn), 0.0);
}

void TestRecords::cell_change_raises_record_count_data()
{
    QTest::addColumn<int>("countBefore");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("countAfter");
    QTest::newRow("correcting row 2 keeps 10 records") << 10 << 5 << 2 << 2 << 10;
    QTest::newRow("a change in row 12 raises the count to 12") << 10 << 34 << 12 << 1 << 12;
    QTest::newRow("first keystroke of a fresh entry") << 0 << 1 << 1 << 1 << 1;
    QTest::newRow("last cell") << 0 << 105 << 35 << 3 << 35;
    QTest::newRow("the count's own row") << 7 << 21 << 7 << 3 << 7;
}

void TestRecords::cell_change_raises_record_count()
{
    QFETCH(int, countBefore);
    QFETCH(int, index);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, countAfter);
    Records records = numberedRecords();
    records.RecordCount = countBefore;
    const Records before = records;

    psa::StoreCellChange(records, index, u" 4.2ng");

    QCOMPARE(records.RecordCount, countAfter);
    for (int r = 1; r <= RecordTable::kRows; ++r)
        for (int c = 1; c <= RecordTable::kColumns; ++c)
            QCOMPARE(
                records.RecordTable.at(r, c), r == row && c == column ? 4.2 : before.RecordTable.at(r, c));
}

void TestRecords::end_input_reads_grid_data()
{
    QTest::addColumn<QList<QStringList>>("grid");
    QTest::addColumn<int>("recordCount");
    QTest::newRow("empty grid") << QList<QStringList> {} << 0;
    QTest::newRow("reading stops at the first empty year")
        << QList<QStringList> { { u"2004"_s, u"11"_s, u"4.2"_s }, { u"2005"_s, u"2"_s, u"5"_s },
               { u"2005"_s, u"8"_s, u"6.5"_s }, { u""_s, u"9"_s, u"7"_s }, { u"2006"_s, u"11"_s, u"9"_s } }
        << 3;
    QTest::newRow("a blank year is not empty and reads as 0")
        << QList<QStringList> { { u" "_s, u"3"_s, u"1"_s }, { u"2005"_s, u"4"_s, u"2"_s } } << 2;
    QTest::newRow("empty month and value read as 0")
        << QList<QStringList> { { u"2005"_s, u""_s, u""_s } } << 1;
    QTest::newRow("all 35 rows filled")
        << QList<QStringList>(psa::kGridRows, { u"２００５"_s, u"12"_s, u"0.01"_s }) << psa::kGridRows;
}

void TestRecords::end_input_reads_grid()
{
    QFETCH(QList<QStringList>, grid);
    QFETCH(int, recordCount);
    Records records = numberedRecords();
    records.RecordCount = 1;
    FakeWindow window;
    fillGrid(window, grid);
    window.textAssignments = 0;

    // The fake refuses any cell beyond 105 with an exception.
    psa::ReadGridIntoTable(records, window);

    QCOMPARE(records.RecordCount, recordCount);
    QCOMPARE(records.InputRow, recordCount + 1);
    QCOMPARE(window.textAssignments, 0);
    for (int row = 1; row <= RecordTable::kRows; ++row) {
        for (int column = 1; column <= RecordTable::kColumns; ++column) {
            const bool read = row <= recordCount && column != psa::kMonthIndexColumn;
            const double expected
                = read ? psa::Val(grid[row - 1][column - 1].toStdU16String()) : row * 10 + column;
            QCOMPARE(records.RecordTable.at(row, column), expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
