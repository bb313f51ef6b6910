// The batch export, run as its own process with no display: its bitmap against the one the window saves, its
// exit status and messages, and the old bitmap kept whenever it fails.

#include "app/application.h"
#include "app/command_line.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace psa;
using testing::recordsText;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Runs the built program with no display at all; `fileSizeLimit` bytes, if given, is the most it may write.
Run runProgram(const QStringList &arguments, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([fileSizeLimit] {
        // A full disk: the program itself turns writes beyond the limit into errors instead of being ended.
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(PSA_GRAPH_PATH), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exportsWindowBitmap_data();
    void exportsWindowBitmap();
    void reportsExportOutcome_data();
    void reportsExportOutcome();
};

void TestExport::initTestCase()
{
    // As the program starts its window.
    UseJapaneseDefaultFont();
}

void TestExport::exportsWindowBitmap_data()
{
    QTest::addColumn<QByteArray>("records");

    QTest::newRow("three records") << QByteArray(" 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n");
    QTest::newRow("35 records, every label") << QByteArray::fromStdString(recordsText(35));
    QTest::newRow("36 records: the first 35") << QByteArray::fromStdString(recordsText(36));
    QTest::newRow("below 0.01, no blanks, LF") << QByteArray("2003,1,0.001\n2003,12,0.5\n2006,6,300\n");
}

void TestExport::exportsWindowBitmap()
{
    QFETCH(QByteArray, records);

    // The window: load, show the graph, save it.
    testing::FakeFileSystem files;
    files.files[u"records.csv"] = records.toStdString();
    testing::FakeDialogs dialogs;
    Program program(dialogs, files);
    dialogs.fileNames = { u"records.csv", u"graph.bmp" };
    program.form().Command4_Click();
    program.form().Command1_Click();
    program.form().Command2_Click();
    const QByteArray saved = QByteArray::fromStdString(files.files.at(u"graph.bmp"));

    QTemporaryDir folder;
    QFile recordFile(folder.filePath("records.csv"));
    QVERIFY(recordFile.open(QIODevice::WriteOnly) && recordFile.write(records) == records.size());
    recordFile.close();
    const Run run = runProgram({ "--export", recordFile.fileName(), folder.filePath("graph.bmp") });
    QCOMPARE(run.status, kExitSuccess);
    const QByteArray exported = readFile(folder.filePath("graph.bmp"));
    QCOMPARE(QImage::fromData(exported).size(), QSize(849, 521));
    QVERIFY2(exported == saved, "the exported bitmap differs from the one the window saves");
}

void TestExport::reportsExportOutcome_data()
{
    QTest::addColumn<QStringList>("arguments"); // R: the record file, B: the bitmap, D: the folder
    QTest::addColumn<QByteArray>("records"); // "(none)": no record file
    QTest::addColumn<int>("fileSizeLimit");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>(
        "said"); // on standard output for status 0 and no bitmap, else on standard error
    QTest::addColumn<bool>("bitmapWritten"); // otherwise the old one stays as it was

    const QByteArray three = QByteArray::fromStdString(recordsText(3));
    const QStringList exportRB { "--export", "R", "B" };
    QTest::newRow("written, nothing said") << exportRB << three << 0 << 0 << "" << true;
    QTest::newRow("36 records: written, says so")
        << exportRB << QByteArray::fromStdString(recordsText(36)) << 0 << 0 << "35件" << true;
    QTest::newRow("records missing") << exportRB << QByteArray("(none)") << 0 << 1 << "読み込めませんでした"
                                     << false;
    QTest::newRow("not a record file")
        << exportRB << QByteArray("\x01\x02") << 0 << 1 << "読み込めませんでした" << false;
    QTest::newRow("no records") << exportRB << QByteArray() << 0 << 1 << "記録が1件もない" << false;
    QTest::newRow("bitmap's folder missing") << QStringList { "--export", "R", "D/none/g.bmp" } << three << 0
                                             << 1 << "保存できませんでした" << false;
    QTest::newRow("bitmap named as a folder")
        << QStringList { "--export", "R", "D" } << three << 0 << 1 << "保存できませんでした" << false;
    QTest::newRow("disk full while writing")
        << exportRB << three << 100000 << 1 << "保存できませんでした" << false;
    QTest::newRow("export of one name")
        << QStringList { "--export", "R" } << three << 0 << 2 << "2つの名前" << false;
    QTest::newRow("unknown option") << QStringList { "--bogus", "R" } << three << 0 << 2 << "--bogus"
                                    << false;
    QTest::newRow("version") << QStringList { "--version" } << three << 0 << 0 << "psa-graph 0.1.0\n"
                             << false;
    QTest::newRow("help") << QStringList { "-h" } << three << 0 << 0 << "--export 記録ファイル 画像ファイル"
                          << false;
}

void TestExport::reportsExportOutcome()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, records);
    QFETCH(int, fileSizeLimit);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(bool, bitmapWritten);

    QTemporaryDir folder;
    const QString recordPath = folder.filePath("records.csv");
    const QString bitmapPath = folder.filePath("graph.bmp");
    QFile recordFile(recordPath);
    QVERIFY(records == "(none)" || (recordFile.open(QIODevice::WriteOnly) && recordFile.write(records) >= 0));
    recordFile.close();
    QFile oldBitmap(bitmapPath);
    QVERIFY(oldBitmap.open(QIODevice::WriteOnly) && oldBitmap.write("old") == 3);
    oldBitmap.close();
    for (QString &argument : arguments)
        argument = argument == "R" ? recordPath
            : argument == "B"      ? bitmapPath
                                   : argument.replace("D", folder.path());

    const Run run = runProgram(arguments, fileSizeLimit > 0 ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
    QCOMPARE(run.status, status);
    const bool toStandardOutput = status == kExitSuccess && !bitmapWritten;
    QVERIFY2((toStandardOutput ? run.out : run.err).contains(said), qPrintable(run.out + run.err));
    if (said.isEmpty())
        QVERIFY2(!run.err.contains("psa-graph"), qPrintable(run.err));
    const QByteArray bitmap = readFile(bitmapPath);
    QCOMPARE(bitmap != "old", bitmapWritten);
    if (bitmapWritten)
        QCOMPARE(QImage::fromData(bitmap, "BMP").size(), QSize(849, 521));
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
