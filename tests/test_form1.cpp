// The window's behaviour against fakes: the button workflow, the cursor of "add or modify" and exit, one
// scripted user session per row.

#include "records/cells.h"
#include "support/form_rig.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;
using Buttons = QList<int>; // the numbers of the available buttons

namespace {

void (Form1::*const kClicks[])() = { nullptr, &Form1::Command1_Click, &Form1::Command2_Click,
    &Form1::Command3_Click, &Form1::Command4_Click, &Form1::Command5_Click, &Form1::Command6_Click,
    &Form1::Command7_Click, &Form1::Command8_Click, &Form1::Command9_Click };

using Session = testing::FormRig<testing::RecordingSurface>;

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void buttonWorkflow_data();
    void buttonWorkflow();
    void exitAsksFirst_data();
    void exitAsksFirst();
};

void TestForm1::buttonWorkflow_data()
{
    QTest::addColumn<Buttons>("clicks");
    QTest::addColumn<QList<int>>("typed"); // after each "data input": rows 1 to n typed as (2000 + n, n, n)
    QTest::addColumn<int>("loaded"); // records in the file that every load reads
    QTest::addColumn<QList<Buttons>>("available"); // after start-up, then after each click
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("markers"); // drawn in the whole session
    const Buttons startUp { 4, 5, 7 }, input { 4, 5, 6, 7 }, ended { 1, 2, 3, 4, 5, 6, 7, 8 },
        all { 1, 2, 3, 4, 5, 6, 7, 8, 9 }, cleared { 1, 3, 4, 5, 6, 7, 8 }, loaded { 1, 3, 4, 5, 7, 8 },
        loadedOverGraph { 1, 2, 3, 4, 5, 7, 8, 9 };
    QTest::newRow("input, end, show, clear, load, show, add or modify")
        << Buttons { 5, 6, 1, 9, 4, 1, 8 } << QList { 2 } << 4
        << QList { startUp, input, ended, all, cleared, loaded, loadedOverGraph, all } << 4 << 13 << 6;
    QTest::newRow("a load over a drawn graph keeps graph save and clear")
        << Buttons { 5, 6, 1, 4 } << QList { 2 } << 4 << QList { startUp, input, ended, all, loadedOverGraph }
        << 4 << 1 << 2;
    QTest::newRow("add or modify after data input: cell 1")
        << Buttons { 5, 6, 8 } << QList { 1 } << 0 << QList { startUp, input, ended, ended } << 1 << 1 << 0;
    QTest::newRow("add or modify after 35 loaded rows: the last cell")
        << Buttons { 4, 8 } << QList<int> {} << 35
        << QList { startUp, loaded, Buttons { 1, 3, 4, 5, 6, 7, 8 } } << 35 << 105 << 0;
    QTest::newRow("end input on an empty grid")
        << Buttons { 5, 6 } << QList { 0 } << 0 << QList { startUp, input, ended } << 0 << 1 << 0;
    // The picture keeps the first graph; only what needs records becomes unavailable.
    QTest::newRow("show graph with no records")
        << Buttons { 5, 6, 1, 5, 6, 1 } << QList { 1, 0 } << 0
        << QList { startUp, input, ended, all, all, all, input } << 0 << 1 << 1;
}

// Every button not listed is unavailable; every look change sets Enabled and then the matching BackColor.
void TestForm1::buttonWorkflow()
{
    QFETCH(Buttons, clicks);
    QFETCH(QList<int>, typed);
    QFETCH(int, loaded);
    Session session;
    session.dialogs.fileNames.assign(9, u"records.csv");
    for (int record = 1; record <= loaded; ++record)
        session.fake.files[u"records.csv"] += " 2005, " + std::to_string(record % 12 + 1) + ", 1.5\r\n";
    QList<Buttons> got { session.available() };
    for (const int number : clicks) {
        (session.form.*kClicks[number])();
        const int rows = number == 5 ? int(typed.takeFirst()) : 0;
        for (int cell = 1; cell <= 3 * rows; ++cell)
            session.window.type(
                cell, QString::number(cellOf(cell).row + (cell % 3 == 1) * 2000).toStdU16String());
        got << session.available();
    }
    QTEST(got, "available");
    QTEST(session.form.records().RecordCount, "count");
    QTEST(session.window.focusedCell, "focus");
    QTEST(int(session.picture.callsOf<testing::RecordingSurface::CircleCall>().size()), "markers");
    const auto &log = session.window.buttonLog;
    for (std::size_t i = 0; i < log.size(); i += 2)
        QVERIFY(i + 1 < log.size() && log[i].isEnabled && !log[i + 1].isEnabled
            && log[i].button == log[i + 1].button
            && log[i + 1].colour == (log[i].enabled ? kAvailableBackColor : kUnavailableBackColor));
}

void TestForm1::exitAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps everything") << false;
    QTest::newRow("Yes ends") << true;
}

void TestForm1::exitAsksFirst()
{
    QFETCH(bool, yes);
    Session session;
    session.form.Command5_Click();
    session.window.type(1, u"2005");
    session.dialogs.answers.push_back(yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No);
    session.form.Command7_Click();
    QCOMPARE(session.dialogs.questions.size(), 1u);
    QCOMPARE(
        QString::fromStdU16String(session.dialogs.questions[0].prompt + session.dialogs.questions[0].title),
        u"\u3000\u3000\u3000ほんとうにおわりますか\uFF1F\u3000\u3000\u3000\u3000かくにんメッセージ");
    QCOMPARE(session.dialogs.endRequests, yes ? 1 : 0);
    QCOMPARE(session.available(), Buttons({ 4, 5, 6, 7 }));
    QVERIFY(session.window.CellText(1) == u"2005");
}

QTEST_GUILESS_MAIN(TestForm1)
#include "test_form1.moc"
