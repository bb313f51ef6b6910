// The command line: what it asks for, and a record file named on it, opened in the window as a load opens it.

#include "app/application.h"
#include "app/command_line.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"

#include <QPushButton>
#include <QtTest>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

// Everything the window shows of the records and what it said: cells, table, counters, buttons, messages.
QStringList windowState(Program &program, const testing::FakeDialogs &dialogs)
{
    QStringList state;
    const Records &records = program.form().records();
    for (int cell = 1; cell <= 105; ++cell)
        state << QString::fromStdU16String(program.window().CellText(cell)) + "="
                + QString::number(records.RecordTable.at((cell - 1) / 3 + 1, (cell - 1) % 3 + 1));
    state << QStringLiteral("RecordCount=%1 LastCellIndex=%2")
                 .arg(records.RecordCount)
                 .arg(records.LastCellIndex);
    for (int button = 1; button <= 9; ++button)
        state << QStringLiteral("Command%1 %2")
                     .arg(button)
                     .arg(program.window().button(Button(button))->isEnabled());
    for (const auto &message : dialogs.messages)
        state << QString::fromStdU16String(message.title + u": " + message.prompt);
    return state;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsRequest_data();
    void readsRequest();
    void opensFileAsLoadDoes_data();
    void opensFileAsLoadDoes();
};

void TestCommandLine::initTestCase()
{
    // As the program starts its window.
    UseJapaneseDefaultFont();
}

void TestCommandLine::readsRequest_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Task>("task");
    QTest::addColumn<QString>("recordFile");
    QTest::addColumn<QString>("bitmapFile");
    QTest::addColumn<QString>("errorNames");

    QTest::newRow("nothing: the window") << QStringList {} << Task::ShowWindow << ""
                                         << ""
                                         << "";
    QTest::newRow("one file: the window with it")
        << QStringList { "a b.csv" } << Task::ShowWindow << "a b.csv"
        << ""
        << "";
    QTest::newRow("a dashed name after --") << QStringList { "--", "-a.csv" } << Task::ShowWindow << "-a.csv"
                                            << ""
                                            << "";
    QTest::newRow("export") << QStringList { "--export", "r.csv", "g.bmp" } << Task::Export << "r.csv"
                            << "g.bmp"
                            << "";
    QTest::newRow("export named last")
        << QStringList { "r.csv", "g.bmp", "--export" } << Task::Export << "r.csv"
        << "g.bmp"
        << "";
    QTest::newRow("help before all") << QStringList { "--export", "-v", "--help" } << Task::ShowHelp << ""
                                     << ""
                                     << "";
    QTest::newRow("short help") << QStringList { "-h" } << Task::ShowHelp << ""
                                << ""
                                << "";
    QTest::newRow("version before a file") << QStringList { "x.csv", "--version" } << Task::ShowVersion << ""
                                           << ""
                                           << "";
    QTest::newRow("short version") << QStringList { "-v" } << Task::ShowVersion << ""
                                   << ""
                                   << "";
    QTest::newRow("unknown option") << QStringList { "a.csv", "--bogus" } << Task::WrongUsage << ""
                                    << ""
                                    << "--bogus";
    QTest::newRow("unknown short option") << QStringList { "-x" } << Task::WrongUsage << ""
                                          << ""
                                          << "-x";
    QTest::newRow("Qt's own options are not the program's")
        << QStringList { "-platform", "xcb" } << Task::WrongUsage << ""
        << ""
        << "-p";
    QTest::newRow("export of one name") << QStringList { "--export", "r.csv" } << Task::WrongUsage << ""
                                        << ""
                                        << "--export";
    QTest::newRow("export of three names")
        << QStringList { "--export", "a", "b", "c" } << Task::WrongUsage << ""
        << ""
        << "--export";
    QTest::newRow("export given a value")
        << QStringList { "--export=r.csv", "g.bmp" } << Task::WrongUsage << ""
        << ""
        << "";
    QTest::newRow("export to an empty name")
        << QStringList { "--export", "r.csv", "" } << Task::WrongUsage << ""
        << ""
        << "";
    QTest::newRow("two files") << QStringList { "a.csv", "b.csv" } << Task::WrongUsage << ""
                               << ""
                               << "";
    QTest::newRow("an empty name") << QStringList { "" } << Task::WrongUsage << ""
                                   << ""
                                   << "";
}

void TestCommandLine::readsRequest()
{
    QFETCH(QStringList, arguments);
    QFETCH(Task, task);
    QFETCH(QString, recordFile);
    QFETCH(QString, bitmapFile);
    QFETCH(QString, errorNames);

    const CommandLineRequest request = ParseCommandLine(QStringList { "psa-graph" } + arguments);
    QCOMPARE(request.task, task);
    QCOMPARE(request.recordFile, recordFile);
    QCOMPARE(request.bitmapFile, bitmapFile);
    QCOMPARE(request.error.isEmpty(), task != Task::WrongUsage);
    QVERIFY2(request.error.contains(errorNames), qPrintable(request.error));
}

void TestCommandLine::opensFileAsLoadDoes_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("messages");

    QTest::newRow("three records") << "records.csv" << 3 << 0;
    QTest::newRow("36 records: the first 35, and a message") << "long.csv" << 35 << 1;
    QTest::newRow("no records") << "empty.csv" << 0 << 0;
    QTest::newRow("missing file: a message, the window as started") << "missing.csv" << 0 << 1;
    QTest::newRow("not a record file: a message") << "binary.csv" << 0 << 1;
}

void TestCommandLine::opensFileAsLoadDoes()
{
    QFETCH(QString, argument);
    QFETCH(int, recordCount);
    QFETCH(int, messages);

    testing::FakeFileSystem files;
    files.files[u"records.csv"] = testing::recordsText(3);
    files.files[u"long.csv"] = testing::recordsText(36);
    files.files[u"empty.csv"] = "";
    files.files[u"binary.csv"] = std::string("\x01\x02\x03", 3);

    testing::FakeDialogs started;
    Program fromCommandLine(started, files);
    OpenStartFile(fromCommandLine.form(), ParseCommandLine({ "psa-graph", argument }));

    testing::FakeDialogs asked;
    Program fromDialog(asked, files);
    asked.fileNames.push_back(argument.toStdU16String());
    fromDialog.form().Command4_Click();

    QCOMPARE(windowState(fromCommandLine, started), windowState(fromDialog, asked));
    QCOMPARE(fromCommandLine.form().records().RecordCount, recordCount);
    QCOMPARE(int(started.messages.size()), messages);
    QVERIFY(started.fileRequests.empty());
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
