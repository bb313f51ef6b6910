// The command line and the export at their edges: file URIs and options as typed, the names of a batch's
// pictures, and the built program as its own process without a display: which existing files the export may
// replace, as an ordinary user, with its standard streams closed. Only the program's own messages may reach
// standard error. The common cases run on both builds from tests/cross/command_line_cases.txt.

#include "app/batch_export.h"
#include "app/export_format.h"
#include "platform/qt/command_line.h"
#include "platform/qt/native_path.h"
#include "support/record_files.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

// How the program's process is started besides its arguments and environment.
enum Start : int { Plainly, AsNobody, StreamsClosed };

// The file header of a bitmap and its information header's size; "BM" and 12 bytes, then `infoSize`.
QByteArray bitmapHead(quint32 infoSize)
{
    QByteArray head = QByteArray("BM", 2) + QByteArray(12, '\0');
    for (int i = 0; i < 4; ++i)
        head += char((infoSize >> (8 * i)) & 0xFF);
    return head;
}

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

// Makes `path` what `existing` describes: "(none)" nothing; "(pipe)" a named pipe; "(unreadable)" a bitmap
// that its owner may write but not read; else a file of these bytes.
bool put(const QByteArray &existing, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (existing == "(none)")
        return true;
    if (existing == "(pipe)")
        return ::mkfifo(name.constData(), 0600) == 0;
    if (existing == "(unreadable)")
        return writeFile(path, bitmapHead(40)) && ::chmod(name.constData(), 0200) == 0;
    return writeFile(path, existing);
}

// What is at `path`, to be compared before and after; a named pipe is not read, which would wait for a
// writer.
QByteArray snapshot(const QString &path)
{
    struct stat node { };
    if (::lstat(QFile::encodeName(path).constData(), &node) == 0 && S_ISFIFO(node.st_mode))
        return "(pipe)";
    return contentsOf(path);
}

// Starts the built program as `how` says.
void start(QProcess &process, const QStringList &arguments, const QProcessEnvironment &environment, Start how)
{
    const passwd *nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 0;
    const gid_t gid = nobody ? nobody->pw_gid : 0;
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([how, uid, gid] {
        if (how == StreamsClosed)
            for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO })
                ::close(stream);
        if (how == AsNobody && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(99);
    });
    process.start(QStringLiteral(PSA_GRAPH_PATH), arguments);
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

// Each line is the program's own: its name first, or the reason that continues its message.
bool onlyOwnMessages(const QString &err)
{
    const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
    return std::all_of(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(u"psa-graph: ") || line.startsWith(u"理由: ")
            || line.startsWith(u"グラフを画像に書き出すだけなら");
    });
}

// What the arguments ask for as the bytes of its names: "record|picture" for the window or an export,
// "batch extension|folder|files;..." for a batch, "help", or "!" and the error.
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
        QByteArrayList files;
        for (const std::u16string &file : read.recordFiles)
            files << bytes(file);
        return "batch " + bytes(read.format->extension) + "|" + bytes(read.outputFolder) + "|"
            + files.join(';');
    }
    default:
        return bytes(read.recordFile) + "|" + bytes(read.bitmapFile);
    }
}

// An X display number with no server: neither its socket nor its lock file exists.
QString deadDisplay()
{
    for (int number = 4000;; ++number)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            && !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            return QStringLiteral(":%1").arg(number);
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
        start(process, { "--export", folder.filePath("records.csv"), folder.filePath("g.bmp") },
            environmentIn(folder.path()), Plainly);
        QVERIFY(process.waitForFinished(30000) && process.exitCode() == kExitSuccess);
        m_bitmap = contentsOf(folder.filePath("g.bmp"));
        QVERIFY(m_bitmap.startsWith("BM") && m_bitmap.size() > 1000000);
    }

    // A file named as a URI is the path it names; the decoded bytes are the name's bytes, UTF-8 or not. An
    // option's value is the next word whatever it is, and a word after "--" is a file whatever it looks like.
    // An export's format is the extension of its picture's own name.
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
        row("a value that starts with a dash", { "--batch", "-o", "-x", "a.csv" }, "batch .bmp|-x|a.csv");
        row("a file after --", { "--batch", "--", "-a.csv", "--format=png" },
            "batch .bmp||-a.csv;--format=png");
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
    }

    void readsArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const QByteArray request = requestOf(arguments);
        if (expected.startsWith('!'))
            QVERIFY2(request.startsWith('!') && request.contains(expected.mid(1)), request.constData());
        else
            QCOMPARE(request, expected);
    }

    // A batch's picture takes the record file's name without its extension, beside it or in the folder.
    void namesBatchPictures_data()
    {
        QTest::addColumn<QString>("recordFile");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("picture"); // for the PNG format
        const auto row
            = [](const char *name, const char *recordFile, const char *folder, const char *picture) {
                  QTest::newRow(name) << QString(recordFile) << QString(folder) << QString(picture);
              };
        row("no extension", "d/a", "", "d/a.png");
        row("only the last extension", "a.b.csv", "", "a.b.png");
        row("a dot in the folder only", "d.d/a", "", "d.d/a.png");
        row("a hidden file", "d/.csv", "", "d/.csv.png");
        row("into a folder ending in /", "d/a.csv", "out/", "out/a.png");
        row("a Windows folder", "d\\a.csv", "C:\\out", "C:\\out\\a.png");
        row("a Windows drive", "a.csv", "C:\\", "C:\\a.png");
    }

    void namesBatchPictures()
    {
        QFETCH(QString, recordFile);
        QFETCH(QString, folder);
        const std::u16string picture = batchPicturePath(
            recordFile.toStdU16String(), folder.toStdU16String(), *exportFormatOf(u".png"));
        QTEST(QString::fromStdU16String(picture), "picture");
    }

    // One process draws each file of a batch on a cleared picture box, as its own export would: a PNG holds
    // the very pixels and resolution of the bitmap export.
    void batchDrawsEachGraphAfresh()
    {
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("a.csv"), m_records));
        QVERIFY(writeFile(folder.filePath("b.csv"), QByteArray::fromStdString(testing::recordsText(30))));
        QVERIFY(QDir(folder.path()).mkdir("out"));
        QProcess process;
        start(process,
            { "--batch", "--format=png", "-o", folder.filePath("out"), folder.filePath("b.csv"),
                folder.filePath("a.csv") },
            environmentIn(folder.path()), Plainly);
        QVERIFY(process.waitForFinished(30000) && process.exitCode() == kExitSuccess);
        const QImage png = QImage(folder.filePath("out/a.png")).convertToFormat(QImage::Format_RGB32);
        const QImage bitmap = QImage::fromData(m_bitmap, "BMP").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(png, bitmap);
        QCOMPARE(png.dotsPerMeterX(), bitmap.dotsPerMeterX());
    }

    // The built program without a display: the export replaces only a bitmap or an empty file, and a pipe
    // is left to the save, which refuses it without waiting for a writer; the window says in Japanese that it
    // needs a display; Qt's messages reach standard error only when asked for. D stands for the test's
    // folder, which holds records.csv.
    void runsAsItsOwnProcess_data()
    {
        // graph.bmp beforehand, as `put` makes it; the program runs as nobody for "(unreadable)"
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // a part of standard error; empty: nothing at all
        const auto row = [](const char *name, const QByteArray &existing, const QStringList &arguments,
                             int status, const QString &said, const QStringList &environment = {}) {
            QTest::newRow(name) << existing << arguments << environment << status << said;
        };
        const QStringList exportRB { "--export", "D/records.csv", "D/graph.bmp" };
        const QString notBitmap = "ビットマップ画像ではありません";
        row("a named pipe", "(pipe)", exportRB, 1, "名前付きパイプです");
        row("an OS/2 bitmap, 12-byte header", bitmapHead(12), exportRB, 0, "");
        row("a version 5 bitmap, 124-byte header", bitmapHead(124), exportRB, 0, "");
        row("cut inside the header size", bitmapHead(40).left(17), exportRB, 1, notBitmap);
        row("an unknown header size", bitmapHead(41) + "pixels", exportRB, 1, notBitmap);
        row("lower-case bm", bitmapHead(40).replace("BM", "bm"), exportRB, 1, notBitmap);
        row("as nobody, a bitmap it may write but not read", "(unreadable)", exportRB, 1, "確かめられない");
        row("window, no display named", "(none)", { "D/records.csv" }, 1,
            "画面が指定されていない（DISPLAY も WAYLAND_DISPLAY もない）ため、ウィンドウを開けませんでした");
        const QString dead = deadDisplay();
        row("window, an X display that does not answer and no Wayland compositor", "(none)",
            { "D/records.csv" }, 1,
            "（DISPLAY=" + dead + "、WAYLAND_DISPLAY=wayland-none）に接続できないため",
            { "DISPLAY=" + dead, "WAYLAND_DISPLAY=wayland-none" });
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
        const Start how = existing == "(unreadable)" ? AsNobody : Plainly;
        if (how == AsNobody && (::geteuid() != 0 || !::getpwnam("nobody")))
            QSKIP("Needs root and the user nobody.");

        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        const QString bitmapPath = folder.filePath("graph.bmp");
        QVERIFY(writeFile(recordPath, m_records) && put(existing, bitmapPath));
        const QByteArray before = snapshot(bitmapPath);
        if (how == AsNobody) {
            // The bitmap is nobody's own, in a folder it may write; nobody has no home.
            const passwd *nobody = ::getpwnam("nobody");
            QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0777) == 0);
            QVERIFY(::chown(QFile::encodeName(bitmapPath).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
            environment << "HOME=/nonexistent";
        }
        for (QString &argument : arguments)
            argument.replace("D", folder.path());

        QProcess process;
        start(process, arguments, environmentIn(folder.path(), environment), how);
        QVERIFY(process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const bool qtMessagesShown = environment.contains("PSA_GRAPH_QT_MESSAGES=1");
        QVERIFY2(
            said.isEmpty() ? err.isEmpty() : err.contains(said) && (qtMessagesShown || onlyOwnMessages(err)),
            qPrintable(err));
        QCOMPARE(contentsOf(recordPath), m_records);
        QCOMPARE(snapshot(bitmapPath), status == kExitSuccess ? m_bitmap : before);
    }

    // Started with its standard streams closed, the window has them on /dev/null, so that none of the files
    // it opens (the record file, fonts, a save) takes their number and receives what is written to them.
    void closedStreamsLeadNowhere()
    {
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        QVERIFY(writeFile(recordPath, m_records));
        QProcess process;
        start(process, { recordPath }, environmentIn(folder.path(), { "QT_QPA_PLATFORM=offscreen" }),
            StreamsClosed);
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
        // Still so once the window is up and has read the record file.
        QTest::qWait(500);
        QCOMPARE(streams(), QStringList({ "/dev/null", "/dev/null", "/dev/null" }));
        process.kill();
        QVERIFY(process.waitForFinished());
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
