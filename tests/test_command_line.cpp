// The command line and the export at their edges: file URIs and options as typed, the names of a batch's
// pictures, and the built program as its own process without a display: which existing files the export may
// replace, a batch drawing each graph afresh, its standard streams closed. Only the program's own messages
// may reach standard error. The common cases run on both builds from tests/cross/command_line_cases.txt.

#include "app/batch_export.h"
#include "platform/qt/command_line.h"
#include "platform/qt/native_path.h"
#include "support/record_files.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs the built program to its end: its exit status, or -1 when it crashed or did not end within 30 s.
int run(QProcess &process, const QStringList &arguments, const QProcessEnvironment &environment)
{
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PSA_GRAPH_PATH), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

// The tests' environment as cron or sudo start the program: no display, no platform chosen and no
// XDG_RUNTIME_DIR, so that Qt makes its runtime folder in `folder` and warns; `settings` are NAME=value.
QProcessEnvironment environmentIn(const QString &folder, const QStringList &settings = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name :
        { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR" })
        environment.remove(QString::fromLatin1(name));
    environment.insert("TMPDIR", folder);
    for (const QString &setting : settings)
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    return environment;
}

// What the arguments ask for as the bytes of its names: "record|picture" for the window or an export, "batch
// picture;..." for a batch, "help", or "!" and the error.
QByteArray requestOf(const QStringList &arguments)
{
    std::vector<std::u16string> words { u"psa-graph" };
    for (const QString &argument : arguments)
        words.push_back(argument.toStdU16String());
    const CommandLineRequest read = parseCommandLine(words, nativeFileNames());
    const auto bytes = [](std::u16string_view text) { return QByteArray::fromStdString(nativePath(text)); };
    switch (read.task) {
    case Task::WrongUsage:
        return "!" + bytes(read.error);
    case Task::ShowHelp:
        return "help";
    case Task::Batch: {
        QByteArrayList pictures;
        for (const std::u16string &file : read.recordFiles)
            pictures << bytes(batchPicturePath(file, read.outputFolder, *read.format));
        return "batch " + pictures.join(';');
    }
    default:
        return bytes(read.recordFile) + "|" + bytes(read.bitmapFile);
    }
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    const QByteArray m_records = QByteArray::fromStdString(testing::recordsText(3));
    QByteArray m_bitmap; // the records' graph as the export writes it with nothing in its way

private slots:
    void initTestCase()
    {
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("records.csv"), m_records));
        QProcess process;
        QCOMPARE(run(process, { "--export", folder.filePath("records.csv"), folder.filePath("g.bmp") },
                     environmentIn(folder.path())),
            kExitSuccess);
        m_bitmap = contentsOf(folder.filePath("g.bmp"));
        QVERIFY(m_bitmap.startsWith("BM") && m_bitmap.size() > 1000000);
    }

    // A file named as a URI is the path it names; the decoded bytes are the name's bytes, UTF-8 or not. An
    // option's value is the next word whatever it is, and a word after "--" is a file whatever it looks like.
    // An export's format is the extension of its picture's own name. A batch's picture takes the record
    // file's name without its extension, beside it or in the folder.
    void readsArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected"); // as requestOf gives it; after "!", a part of the error
        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("localhost, any case", { "FILE://LocalHost/tmp/a.csv" }, "/tmp/a.csv|");
        row("no host at all", { "file:/tmp/a.csv" }, "/tmp/a.csv|");
        row("escapes, either case", { "file:///tmp/a%20b%25%2fc%2F.csv" }, "/tmp/a b%/c/.csv|");
        row("escaped Shift_JIS bytes", { "file:///tmp/%93%FA%96%7B.csv" }, "/tmp/\x93\xFA\x96\x7B.csv|");
        row("a plus stays a plus", { "file:///tmp/a+b.csv" }, "/tmp/a+b.csv|");
        row("relative name that starts with file:", { "file:a.csv" }, "file:a.csv|");
        row("escape not hexadecimal", { "file:///tmp/a%zz.csv" }, "!URIとして正しくありません");
        row("escaped zero byte", { "file:///tmp/a%00b.csv" }, "!URIとして正しくありません");
        row("fragment", { "file:///tmp/a.csv#2" }, "!URIとして正しくありません");
        row("query", { "file:///tmp/a.csv?x" }, "!URIとして正しくありません");
        row("no path", { "file://localhost" }, "!URIとして正しくありません");
        row("a value that starts with a dash", { "--batch", "-o", "-x", "a.csv" }, "batch -x/a.bmp");
        row("a file after --", { "--batch", "--", "-a.csv", "--format=png" },
            "batch -a.bmp;--format=png.bmp");
        row("a format with a dot", { "--batch", "--format=.png", "a.csv" }, "!「.png」という形式");
        row("an empty folder", { "--batch", "-o", "", "a.csv" }, "!フォルダーの名前が空です");
        row("an empty record file", { "--batch", "a.csv", "" }, "!記録ファイルの名前が空です");
        row("folder without batch", { "--export", "-o", "out", "a.csv", "g.bmp" },
            "!--output-folder は --batch と一緒に使います");
        row("help before a wrong format", { "--batch", "--format=jpg", "-h" }, "help");
        row("a name that is an extension", { "--export", "r.csv", ".png" }, "r.csv|.png");
        row("bmp with more after it", { "--export", "r.csv", "g.bmpx" }, "!拡張子「.bmpx」");
        row("a dot at the end", { "--export", "r.csv", "graph." }, "!「graph.」には拡張子がないため");
        row("a dot only in the folder's name", { "--export", "r.csv", "out.png/graph" }, "!には拡張子がない");
        row("a Windows folder ending in .png", { "--export", "r.csv", "out.png\\graph" },
            "!には拡張子がない");
        row("a picture without an extension", { "--batch", "--format=png", "d/a" }, "batch d/a.png");
        row("only the last extension", { "--batch", "a.b.csv" }, "batch a.b.bmp");
        row("a dot in the folder only", { "--batch", "d.d/a" }, "batch d.d/a.bmp");
        row("a hidden file", { "--batch", "d/.csv" }, "batch d/.csv.bmp");
        row("into a folder ending in /", { "--batch", "-o", "out/", "d/a.csv" }, "batch out/a.bmp");
        row("a Windows folder", { "--batch", "-o", "C:\\out", "d\\a.csv" }, "batch C:\\out\\a.bmp");
        row("a Windows drive", { "--batch", "-o", "C:\\", "a.csv" }, "batch C:\\a.bmp");
    }

    void readsArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const QByteArray request = requestOf(arguments);
        QVERIFY2(expected.startsWith('!') ? request.startsWith('!') && request.contains(expected.mid(1))
                                          : request == expected,
            request.constData());
    }

    // The built program without a display: the export replaces only a bitmap or an empty file, and a pipe is
    // left to the save, which refuses it without waiting for a writer; one process draws each file of a batch
    // on a cleared picture box, as its own export would; the window says in Japanese that it needs a display;
    // Qt's messages reach standard error only when asked for. D stands for the test's folder, which holds
    // graph.csv and more.csv (other records).
    void runsAsItsOwnProcess_data()
    {
        // graph.bmp beforehand: "(none)" nothing; "(pipe)" a named pipe; "(system)" a link to a file of
        // /proc, which passes for a regular file but cannot be read as one; else a file of these bytes
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // a part of standard error; empty: nothing at all
        const auto row = [](const char *name, const QByteArray &existing, const QStringList &arguments,
                             int status, const QString &said, const QStringList &environment = {}) {
            QTest::newRow(name) << existing << arguments << environment << status << said;
        };
        // A bitmap's file header: "BM", 12 bytes, then the size of its information header.
        const auto head
            = [](char infoSize) { return "BM" + QByteArray(12, '\0') + infoSize + QByteArray(3, '\0'); };
        const QStringList exportRB { "--export", "D/graph.csv", "D/graph.bmp" };
        const QString notBitmap = "ビットマップ画像ではありません";
        row("a named pipe", "(pipe)", exportRB, 1, "名前付きパイプです");
        row("an OS/2 bitmap, 12-byte header", head(12), exportRB, 0, "");
        row("a version 5 bitmap, 124-byte header", head(124), exportRB, 0, "");
        row("cut inside the header size", head(40).left(17), exportRB, 1, notBitmap);
        row("an unknown header size", head(41) + "pixels", exportRB, 1, notBitmap);
        row("lower-case bm", head(40).replace("BM", "bm"), exportRB, 1, notBitmap);
        row("a file that cannot be read as one", "(system)", exportRB, 1,
            "ビットマップ画像かどうかを確かめられない");
        row("a batch, after other records", "(none)", { "--batch", "D/more.csv", "D/graph.csv" }, 0, "");
        row("window, no display named", "(none)", { "D/graph.csv" }, 1,
            "画面が指定されていない（DISPLAY も WAYLAND_DISPLAY "
            "もない）ため、ウィンドウを開けませんでした");
        row("window, a display that cannot be reached and no Wayland compositor", "(none)", { "D/graph.csv" },
            1, "（DISPLAY=:-1、WAYLAND_DISPLAY=wayland-none）に接続できないため",
            { "DISPLAY=:-1", "WAYLAND_DISPLAY=wayland-none" });
        row("Qt's debug messages asked for", "(none)", exportRB, 0, "", { "QT_LOGGING_RULES=*.debug=true" });
        row("Qt's messages asked for", "(none)", exportRB, 0, "XDG_RUNTIME_DIR",
            { "PSA_GRAPH_QT_MESSAGES=1" });
    }

    void runsAsItsOwnProcess()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("graph.csv");
        const QString bitmapPath = folder.filePath("graph.bmp");
        QVERIFY(writeFile(recordPath, m_records));
        if (existing == "(pipe)")
            QVERIFY(::mkfifo(QFile::encodeName(bitmapPath).constData(), 0600) == 0);
        else if (existing == "(system)")
            QVERIFY(QFile::link("/proc/self/comm", bitmapPath));
        else if (existing != "(none)")
            QVERIFY(writeFile(bitmapPath, existing));
        QVERIFY(writeFile(folder.filePath("more.csv"), QByteArray::fromStdString(testing::recordsText(30))));
        // A named pipe is not read, which would wait for a writer.
        const auto snapshot
            = [&] { return QFileInfo(bitmapPath).isFile() ? contentsOf(bitmapPath) : "(not a file)"; };
        const QByteArray before = snapshot();
        for (QString &argument : arguments)
            argument.replace("D", folder.path());

        QProcess process;
        QCOMPARE(run(process, arguments, environmentIn(folder.path(), environment)), status);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        // Each line is the program's own: its name first, or the reason that continues its message.
        const bool onlyOwnMessages = !err.trimmed().contains(QRegularExpression(
            "^(?!psa-graph: |理由: |グラフを画像に書き出すだけなら)", QRegularExpression::MultilineOption));
        QVERIFY2(said.isEmpty()
                ? err.isEmpty()
                : err.contains(said) && (environment.contains("PSA_GRAPH_QT_MESSAGES=1") || onlyOwnMessages),
            qPrintable(err));
        QCOMPARE(contentsOf(recordPath), m_records);
        QCOMPARE(snapshot(), status == kExitSuccess ? m_bitmap : before);
    }

    // Started with its standard streams closed, the window has them on /dev/null, so that none of the files
    // it opens (a record file, fonts, a save) takes their number and receives what is written to them.
    void closedStreamsLeadNowhere()
    {
        QTemporaryDir folder;
        QProcess process;
        process.setChildProcessModifier([] {
            for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO })
                ::close(stream);
        });
        process.setProcessEnvironment(environmentIn(folder.path(), { "QT_QPA_PLATFORM=offscreen" }));
        process.start(QStringLiteral(PSA_GRAPH_PATH), QStringList());
        QVERIFY(process.waitForStarted());
        const auto streams = [&process] {
            QStringList targets;
            for (const int number : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO })
                targets << QFile::symLinkTarget(
                    QStringLiteral("/proc/%1/fd/%2").arg(process.processId()).arg(number));
            return targets;
        };
        // While the system loads the program's libraries they may pass through these numbers.
        QTRY_COMPARE_WITH_TIMEOUT(streams(), QStringList({ "/dev/null", "/dev/null", "/dev/null" }), 5000);
        // Still so once the window is up.
        QTest::qWait(500);
        QCOMPARE(streams(), QStringList({ "/dev/null", "/dev/null", "/dev/null" }));
        process.kill();
        QVERIFY(process.waitForFinished());
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
