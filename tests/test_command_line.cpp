// The command line: what it asks for, a record file named on it opened in the window as a load opens it, and
// the export run as its own process with no display, against the bitmap the window saves.

#include "app/application.h"
#include "app/command_line.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"

#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    // As the program starts its window, which is also the font the export draws with.
    void initTestCase() { UseJapaneseDefaultFont(); }
    void readsRequest_data();
    void readsRequest();
    void opensFileAsLoadDoes_data();
    void opensFileAsLoadDoes();
    void exportsAsWindowSaves_data();
    void exportsAsWindowSaves();
};

void TestCommandLine::readsRequest_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Task>("task");
    QTest::addColumn<QString>("request"); // "record file|bitmap file", or a part of the error for WrongUsage
    const auto row = [](const char *name, const QStringList &arguments, Task task, const char *request) {
        QTest::newRow(name) << arguments << task << QString(request);
    };
    row("nothing: the window", {}, Task::ShowWindow, "|");
    row("one file: the window with it", { "a b.csv" }, Task::ShowWindow, "a b.csv|");
    row("a dashed name after --", { "--", "-a.csv" }, Task::ShowWindow, "-a.csv|");
    row("export", { "--export", "r.csv", "g.bmp" }, Task::Export, "r.csv|g.bmp");
    row("export named last", { "r.csv", "g.bmp", "--export" }, Task::Export, "r.csv|g.bmp");
    row("help before all", { "--export", "-v", "--help" }, Task::ShowHelp, "|");
    row("version before a file", { "x.csv", "--version" }, Task::ShowVersion, "|");
    row("short version", { "-v" }, Task::ShowVersion, "|");
    row("unknown option", { "a.csv", "--bogus" }, Task::WrongUsage, "「--bogus」");
    row("Qt's own options are not the program's", { "-platform", "xcb" }, Task::WrongUsage, "「-p」");
    row("export of one name", { "--export", "r.csv" }, Task::WrongUsage, "--export");
    row("export of three names", { "--export", "a", "b", "c" }, Task::WrongUsage, "--export");
    row("export given a value", { "--export=r.csv", "g.bmp" }, Task::WrongUsage, "値が付いて");
    row("export to an empty name", { "--export", "r.csv", "" }, Task::WrongUsage, "名前が空");
    row("two files", { "a.csv", "b.csv" }, Task::WrongUsage, "1つだけ");
    row("an empty name", { "" }, Task::WrongUsage, "名前が空");
}

void TestCommandLine::readsRequest()
{
    QFETCH(QStringList, arguments);
    QFETCH(Task, task);
    QFETCH(QString, request);
    const CommandLineRequest read = ParseCommandLine(QStringList { "psa-graph" } + arguments);
    QCOMPARE(read.task, task);
    if (task == Task::WrongUsage)
        QVERIFY2(read.error.contains(request), qPrintable(read.error));
    else
        QCOMPARE(read.recordFile + "|" + read.bitmapFile + read.error, request);
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
    QTest::newRow("none named: the window as started") << "" << 0 << 0;
}

void TestCommandLine::opensFileAsLoadDoes()
{
    QFETCH(QString, argument);
    testing::FakeFileSystem files;
    files.files[u"records.csv"] = testing::recordsText(3);
    files.files[u"long.csv"] = testing::recordsText(36);
    files.files[u"empty.csv"] = "";
    files.files[u"binary.csv"] = std::string("\x01\x02\x03", 3);

    testing::FakeDialogs started;
    Program fromCommandLine(started, files);
    const QStringList named = argument.isEmpty() ? QStringList() : QStringList { argument };
    OpenStartFile(fromCommandLine.form(), ParseCommandLine(QStringList { "psa-graph" } + named));
    testing::FakeDialogs asked;
    Program fromDialog(asked, files);
    asked.fileNames.push_back(argument.toStdU16String());
    fromDialog.form().Command4_Click();

    // The same cells, buttons and messages.
    QCOMPARE(fromCommandLine.window().grab().toImage(), fromDialog.window().grab().toImage());
    QCOMPARE(fromCommandLine.form().records().LastCellIndex, fromDialog.form().records().LastCellIndex);
    QCOMPARE(started.messages.size(), asked.messages.size());
    for (std::size_t i = 0; i < started.messages.size(); ++i)
        QVERIFY(started.messages[i].prompt == asked.messages[i].prompt);
    QTEST(fromCommandLine.form().records().RecordCount, "recordCount");
    QTEST(int(started.messages.size()), "messages");
    QVERIFY(started.fileRequests.empty());
}

void TestCommandLine::exportsAsWindowSaves_data()
{
    QTest::addColumn<QByteArray>("records"); // "(none)": no record file
    QTest::addColumn<QStringList>("arguments"); // R: the record file, B: the bitmap, D: the folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output for help and version, else on standard error
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    const auto row = [](const char *name, const std::string &records, const QStringList &arguments,
                         int status, const char *said, int fileSizeLimit = 0) {
        QTest::newRow(name) << QByteArray::fromStdString(records) << arguments << status << QString(said)
                            << fileSizeLimit;
    };
    const std::string three = testing::recordsText(3);
    const QStringList exportRB { "--export", "R", "B" };
    row("three records, nothing said", " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n", exportRB, 0,
        "");
    row("35 records, every label", testing::recordsText(35), exportRB, 0, "");
    row("36 records: the first 35, says so", testing::recordsText(36), exportRB, 0, "35件");
    row("below 0.01, no blanks, LF", "2003,1,0.001\n2003,12,0.5\n2006,6,300\n", exportRB, 0, "");
    row("records missing", "(none)", exportRB, 1, "読み込めませんでした");
    row("not a record file", "\x01\x02", exportRB, 1, "読み込めませんでした");
    row("no records", "", exportRB, 1, "記録が1件もない");
    row("bitmap's folder missing", three, { "--export", "R", "D/none/g.bmp" }, 1, "保存できませんでした");
    row("bitmap named as a folder", three, { "--export", "R", "D" }, 1, "保存できませんでした");
    row("beyond the file-size limit", three, exportRB, 1, "保存できませんでした", 100000);
    row("export of one name", three, { "--export", "R" }, 2, "2つの名前");
    row("unknown option", three, { "--bogus", "R" }, 2, "「--bogus」");
    row("version", three, { "--version" }, 0, "psa-graph 0.1.0\n");
    row("help", three, { "-h" }, 0, "--export 記録ファイル 画像ファイル");
}

// Whenever the export fails the old bitmap stays as it was.
void TestCommandLine::exportsAsWindowSaves()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(int, fileSizeLimit);
    const bool written = status == kExitSuccess && arguments.first() == "--export";

    QTemporaryDir folder;
    const QString recordPath = folder.filePath("records.csv");
    const QString bitmapPath = folder.filePath("graph.bmp");
    QVERIFY(records == "(none)" || writeFile(recordPath, records));
    QVERIFY(writeFile(bitmapPath, "old"));
    for (QString &argument : arguments)
        argument = argument == "R" ? recordPath
            : argument == "B"      ? bitmapPath
                                   : argument.replace("D", folder.path());
    // The built program with no display at all.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([fileSizeLimit] {
        // As on a full disk: the program itself turns writes beyond the limit into errors instead of ending.
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { rlim_t(fileSizeLimit), rlim_t(fileSizeLimit) };
        if (fileSizeLimit > 0)
            setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(PSA_GRAPH_PATH), arguments);
    QVERIFY(process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2((status == kExitSuccess && !written ? out : err).contains(said), qPrintable(err));
    if (said.isEmpty())
        QVERIFY2(!err.contains("psa-graph"), qPrintable(err));
    QFile bitmapFile(bitmapPath);
    QVERIFY(bitmapFile.open(QIODevice::ReadOnly));
    const QByteArray bitmap = bitmapFile.readAll();
    QCOMPARE(bitmap != "old", written);
    if (!written)
        return;

    // The window: load, show the graph, save it.
    testing::FakeFileSystem files;
    files.files[u"records.csv"] = records.toStdString();
    testing::FakeDialogs dialogs;
    Program program(dialogs, files);
    dialogs.fileNames = { u"records.csv", u"graph.bmp" };
    program.form().Command4_Click();
    program.form().Command1_Click();
    program.form().Command2_Click();
    QCOMPARE(QImage::fromData(bitmap, "BMP").size(), QSize(849, 521));
    QVERIFY2(bitmap == QByteArray::fromStdString(files.files.at(u"graph.bmp")),
        "the exported bitmap differs from the one the window saves");
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
