// The window's behaviour against fakes: the button workflow, entry through the grid and exit, one scripted
// user session per case.

#include "app/form1.h"
#include "records/cells.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/fake_window.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;
using namespace Qt::Literals::StringLiterals;

namespace {

void (Form1::*const kClicks[])() = { nullptr, &Form1::Command1_Click, &Form1::Command2_Click,
    &Form1::Command3_Click, &Form1::Command4_Click, &Form1::Command5_Click, &Form1::Command6_Click,
    &Form1::Command7_Click, &Form1::Command8_Click, &Form1::Command9_Click };

// Runs a session from start-up, wired as the real window: every cell change reaches Text1_Change at once.
// Steps, separated by blanks: a button's number clicks it; "4=n" loads a file of n records; "7=yes" and
// "7=no" answer the exit question; "c9=3.2" types into cell 9 ('_' types a blank); "r5" types records into
// rows 1 to 5, each (2000 + row, row, row); "?9" notes the table element of cell 9.
// Returns the available buttons' numbers, RecordCount, the focused cell and the markers drawn so far; then
// "touched" when the last step changed the picture, "asked" for an exit question with its exact texts,
// "ended", and "wrong look" when a look changed other than by Enabled and then the matching BackColor; then
// the noted elements.
QString run(const QString &script)
{
    testing::FakeWindow window;
    testing::RecordingSurface surface;
    testing::FakeDialogs dialogs;
    testing::FakeFileSystem files;
    Form1 form { window, surface, dialogs, files };
    window.onCellChanged = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();
    dialogs.fileNames.assign(9, u"records.csv"); // what every load chooses
    QString notes;
    std::size_t drawn = 0;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        drawn = surface.calls.size();
        const int number = step.mid(step[0].isDigit() ? 0 : 1).section(u'=', 0, 0).toInt();
        const QString text = step.section(u'=', 1);
        for (int cell = 1; step[0] == u'r' && cell <= 3 * number; ++cell)
            window.type(cell, QString::number(cellOf(cell).row + (cell % 3 == 1) * 2000).toStdU16String());
        if (step[0] == u'c')
            window.type(number, QString(text).replace(u'_', u' ').toStdU16String());
        if (step[0] == u'?')
            notes += u" %1=%2"_s.arg(step,
                QString::number(form.records().RecordTable.at(cellOf(number).row, cellOf(number).column)));
        for (int record = 1; step.startsWith(u"4=") && record <= text.toInt(); ++record)
            files.files[u"records.csv"] += " 2005, " + std::to_string(record % 12 + 1) + ", 1.5\r\n";
        if (step.startsWith(u"7="))
            dialogs.answers.push_back(text == u"yes" ? MsgBoxAnswer::Yes : MsgBoxAnswer::No);
        if (step[0].isDigit())
            (form.*kClicks[number])();
    }

    QString outcome;
    for (int number = 1; number <= 9; ++number)
        outcome += window.button(Button(number)).enabled ? QString::number(number) : QString();
    outcome += QString::asprintf(" count%d focus%d markers%zu", form.records().RecordCount,
        window.focusedCell, surface.callsOf<testing::RecordingSurface::CircleCall>().size());
    outcome += surface.calls.size() != drawn ? u" touched"_s : QString();
    for (const auto &[prompt, title] : dialogs.questions)
        if (prompt == u"\u3000\u3000\u3000ほんとうにおわりますか\uFF1F"
            && title == u"\u3000\u3000\u3000\u3000かくにんメッセージ")
            outcome += u" asked"_s;
    outcome += dialogs.endRequests > 0 ? u" ended"_s : QString();
    const auto &log = window.buttonLog;
    for (std::size_t i = 0; i < log.size(); i += 2)
        if (i + 1 == log.size() || !log[i].isEnabled || log[i + 1].isEnabled
            || log[i].button != log[i + 1].button
            || log[i + 1].colour != (log[i].enabled ? kAvailableBackColor : kUnavailableBackColor))
            return outcome + u" wrong look"_s;
    return outcome + notes;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void sessions();
};

void TestForm1::sessions()
{
    // Each case: its name, the session's script and the outcome.
    static const std::tuple<const char *, const char *, const char *> cases[] = {
        // The workflow one click at a time: the buttons available after each step, all others unavailable.
        { "0 start-up", "", "457 count0 focus0 markers0" },
        { "1 data input", "5 r2", "4567 count2 focus1 markers0" },
        { "2 end input", "5 r2 6", "12345678 count2 focus1 markers0" },
        { "3 show graph", "5 r2 6 1", "123456789 count2 focus1 markers2 touched" },
        { "4 clear graph", "5 r2 6 1 9", "1345678 count2 focus1 markers2 touched" },
        { "5 load", "5 r2 6 1 9 4=4", "134578 count4 focus1 markers2" },
        { "6 show graph", "5 r2 6 1 9 4=4 1", "12345789 count4 focus1 markers6 touched" },
        { "7 add or modify", "5 r2 6 1 9 4=4 1 8", "123456789 count4 focus13 markers6" },
        { "add or modify after data input: cell 1", "5 r1 6 8", "12345678 count1 focus1 markers0" },
        { "add or modify after 35 loaded rows", "4=35 8", "1345678 count35 focus105 markers0" },
        { "show graph with no records", "5 r1 6 1 5 6 1", "4567 count0 focus1 markers1" },
        { "exit answered No keeps everything", "5 r1 7=no", "4567 count1 focus1 markers0 asked" },
        { "exit answered Yes ends", "5 r1 7=yes", "4567 count1 focus1 markers0 asked ended" },
        { "2005 typed digit by digit", "5 c1=2 ?1 c1=20 ?1 c1=200 ?1 c1=2005 ?1",
            "4567 count1 focus1 markers0 ?1=2 ?1=20 ?1=200 ?1=2005" },
        // End input reads the grid until the first empty year cell.
        { "end input on an empty grid", "5 6", "12345678 count0 focus1 markers0" },
        { "a gap row", "5 r3 c13=2005 c14=5 c15=8 6 ?15", "12345678 count3 focus1 markers0 ?15=8" },
        { "a blank year is not empty", "5 r3 c4=_ 6 ?4 ?7", "12345678 count3 focus1 markers0 ?4=0 ?7=2003" },
        { "all 35 rows", "5 r35 6 ?105 ?106", "12345678 count35 focus1 markers0 ?105=35 ?106=0" },
        // Correcting an earlier row after end input must not drop the later records from the graph.
        { "edit row 2 of 10", "5 r10 6 c5=3 ?5 1", "123456789 count10 focus1 markers10 touched ?5=3" },
    };
    for (const auto &[name, script, expected] : cases) {
        const QString outcome = run(QString::fromUtf8(script));
        QVERIFY2(outcome == QString::fromUtf8(expected), qPrintable(u"%1: %2"_s.arg(name, outcome)));
    }
}

QTEST_GUILESS_MAIN(TestForm1)
#include "test_form1.moc"
