#include "app/grid_entry.h"
#include "numbers/val.h"
#include "support/fake_window.h"

#include <QtTest>

using Row = std::array<const char16_t *, 3>;

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
    void table_refuses_places_outside_it();
    void cell_change_stores_value_and_never_lowers_count();
    void end_input_reads_up_to_first_empty_year_and_data_input_clears();
};

// Every place inside is written by numbered() in the tests below. Row 0, column 5 and row 1, column 5 would
// land on real elements of a flat array.
void TestRecords::table_refuses_places_outside_it()
{
    for (const auto &[row, column] : { psa::Cell { 0, 1 }, { 121, 1 }, { 1, 0 }, { 1, 5 }, { 0, 5 } }) {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, psa::RecordTable().set(row, column, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)psa::RecordTable().at(row, column));
    }
}

// A change stores the cell's value in its place and raises RecordCount to its row, never lowering it:
// correcting an early row must not drop the records after it.
void TestRecords::cell_change_stores_value_and_never_lowers_count()
{
    psa::Records records { numbered(), 10 };
    const std::tuple<int, const char16_t *, double, int> steps[] = {
        { 5, u" 4.2ng", 4.2, 10 },
        // Typing 2005 into row 12 stores each stage
        { 34, u"2", 2, 12 },
        { 34, u"20", 20, 12 },
        { 34, u"200", 200, 12 },
        { 34, u"2005", 2005, 12 },
        { 105, u"abc", 0, 35 },
    };
    for (const auto &[index, text, stored, count] : steps) {
        psa::StoreCellChange(records, index, text);
        QCOMPARE(records.RecordTable.at(psa::cellOf(index).row, psa::cellOf(index).column), stored);
        QCOMPARE(records.RecordCount, count);
    }
}

// "End input" and then "data input" on the same grid. Emptying the cells runs the cell-change handling nested
// inside ClearRecords, as the real window does; MonthIndex, rows 36 on and MonthSpan survive.
void TestRecords::end_input_reads_up_to_first_empty_year_and_data_input_clears()
{
    const std::pair<std::vector<Row>, int> cases[] = {
        { {}, 0 },
        // A blank year is not empty and reads as 0; row 3's year is empty, so row 4 stays out
        { { { u" ", u"1", u"2" }, { u"3", u"", u"4" }, { u"", u"5", u"6" }, { u"7", u"8", u"9" } }, 2 },
        // All 35 rows: reading ends after the last cell
        { std::vector<Row>(35, { u"２００５", u"12", u"0.01" }), 35 },
    };
    for (const auto &[rows, count] : cases) {
        psa::Records records { numbered(), 7, 24, 105 };
        psa::RecordTable expected = records.RecordTable;
        psa::testing::FakeWindow window;
        for (int index = 1; index <= psa::kCellCount; ++index) {
            const auto [row, column] = psa::cellOf(index);
            window.cells[index].text = row <= std::ssize(rows) ? rows[row - 1][column - 1] : u"";
            if (row <= count)
                expected.set(row, column, psa::Val(window.cells[index].text));
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
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
