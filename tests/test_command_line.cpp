// The command line and the export at their edges: file URIs and options as typed, which existing files the
// export may replace, and the built program as its own process without a display, as an ordinary user,
// with its standard streams closed or full. Only the program's own messages may reach standard error.

#include "app/graph_export.h"
#include "platform/qt/command_line.h"
#include "platform/qt/native_path.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"
#include "support/recording_surface.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

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

// How the program's process is started besides its arguments and environment.
struct ChildSetup {
    bool asNobody = false;
    bool outputToFullDisk = false; // standard output on /dev/full
    bool closeInput = false;
    bool closeOutput = false;
    bool closeError = false;
};

struct Finished {
    bool exited = false; // false when it crashed, was killed or did not end in time
    int status = -1;
    QString out;
    QString err;
};

// Runs the built program and waits for it.
Finished runProgram(
    const QStringList &arguments, const QProcessEnvironment &environment, ChildSetup setup = {})
{
    const passwd *nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 0;
    const gid_t gid = nobody ? nobody->pw_gid : 0;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([setup, uid, gid] {
        if (setup.outputToFullDisk) {
            const int full = ::open("/dev/full", O_WRONLY);
            if (full < 0 || ::dup2(full, STDOUT_FILENO) < 0)
                ::_exit(99);
            ::close(full);
        }
        if (setup.closeInput)
            ::close(STDIN_FILENO);
        if (setup.closeOutput)
            ::close(STDOUT_FILENO);
        if (setup.closeError)
            ::close(STDERR_FILENO);
        if (setup.asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(99);
    });
    process.start(QStringLiteral(PSA_GRAPH_PATH), arguments);
    Finished finished;
    finished.exited = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
    finished.status = process.exitCode();
    finished.out = QString::fromUtf8(process.readAllStandardOutput());
    finished.err = QString::fromUtf8(process.readAllStandardError());
    if (!finished.exited)
        process.kill();
    return finished;
}

// The environment of the tests without any display or platform chosen.
QProcessEnvironment environmentWithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE" })
        environment.remove(QString::fromLatin1(name));
    return environment;
}

// Each line is the program's own: its name first, or the reason that continues its message.
bool onlyOwnMessages(const QString &err)
{
    const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
    return std::all_of(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(u"psa-graph: ") || line.startsWith(u"理由: ") || line.startsWith(u"使い方は")
            || line.startsWith(u"グラフを画像に書き出すだけなら");
    });
}

CommandLineRequest parse(const QStringList &arguments)
{
    std::vector<std::u16string> list { u"psa-graph" };
    for (const QString &argument : arguments)
        list.push_back(argument.toStdU16String());
    return ParseCommandLine(list, NativeFileNames());
}

bool canBecomeNobody()
{
    return ::geteuid() == 0 && ::getpwnam("nobody");
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

private slots:
    // A file named as a URI is the path it names; the decoded bytes are the name's bytes, UTF-8 or not.
    void readsFileUris_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // The record file's bytes, "|" and the bitmap's; or a part of the error.
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("empty host", { "file:///tmp/a.csv" }, "/tmp/a.csv|");
        row("localhost, any case", { "FILE://LocalHost/tmp/a.csv" }, "/tmp/a.csv|");
        row("no host at all", { "file:/tmp/a.csv" }, "/tmp/a.csv|");
        row("escapes, either case", { "file:///tmp/a%20b%25%2fc%2F.csv" }, "/tmp/a b%/c/.csv|");
        row("escaped UTF-8", { "file:///tmp/%E6%97%A5%E6%9C%AC.csv" }, "/tmp/日本.csv|");
        row("escaped Shift_JIS bytes", { "file:///tmp/%93%FA%96%7B.csv" }, "/tmp/\x93\xFA\x96\x7B.csv|");
        row("a plus stays a plus", { "file:///tmp/a+b.csv" }, "/tmp/a+b.csv|");
        row("relative name that starts with file:", { "file:a.csv" }, "file:a.csv|");
        row("a path, not a URI", { "./file:/a.csv" }, "./file:/a.csv|");
        row("both names of the export", { "--export", "file:///r.csv", "file://localhost/g%20.bmp" },
            "/r.csv|/g .bmp");
        row("after --", { "--", "file:///tmp/-a.csv" }, "/tmp/-a.csv|");
        row("a lone dash is a file name", { "-" }, "-|");
        row("a second -- is a file name", { "--", "--" }, "--|");
        row("another computer", { "file://server/share/a.csv" }, "ほかのコンピューター（server）");
        row("another computer's bitmap", { "--export", "r.csv", "file://pc:8080/g.bmp" },
            "ほかのコンピューター（pc:8080）");
        row("escape cut short", { "file:///tmp/a%2" }, "URIとして正しくありません");
        row("escape not hexadecimal", { "file:///tmp/a%zz.csv" }, "URIとして正しくありません");
        row("escaped zero byte", { "file:///tmp/a%00b.csv" }, "URIとして正しくありません");
        row("fragment", { "file:///tmp/a.csv#2" }, "URIとして正しくありません");
        row("query", { "file:///tmp/a.csv?x" }, "URIとして正しくありません");
        row("no path", { "file://localhost" }, "URIとして正しくありません");
    }

    void readsFileUris()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const CommandLineRequest read = parse(arguments);
        const QString error = QString::fromStdU16String(read.error);
        if (read.task == Task::WrongUsage) {
            QVERIFY2(error.contains(QString::fromUtf8(expected)), qPrintable(error));
            return;
        }
        const auto bytes
            = [](const std::u16string &path) { return QByteArray::fromStdString(NativePath(path)); };
        QCOMPARE(bytes(read.recordFile) + "|" + bytes(read.bitmapFile), expected);
    }

    // Options are named as they were typed; Qt's own options are no options of the program.
    void namesOptionsAsTyped_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("Qt's -platform")
            << QStringList { "-platform", "xcb" } << "「-platform」というオプション";
        QTest::newRow("two dashes and a value")
            << QStringList { "--platform=xcb" } << "「--platform」というオプション";
        QTest::newRow("letters run together") << QStringList { "-hv" } << "「-hv」というオプション";
        QTest::newRow("one letter") << QStringList { "-x", "a.csv" } << "「-x」というオプション";
        QTest::newRow("export given a value")
            << QStringList { "--export=r.csv", "g.bmp" } << "「--export=r.csv」: 値を";
        QTest::newRow("help given a value, one dash") << QStringList { "-help=1" } << "「-help=1」: 値を";
    }

    void namesOptionsAsTyped()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const CommandLineRequest read = parse(arguments);
        QCOMPARE(read.task, Task::WrongUsage);
        const QString error = QString::fromStdU16String(read.error);
        QVERIFY2(error.contains(said), qPrintable(error));
    }

    // Which existing file the export may replace, on fakes: "g.bmp" is the bitmap's name, "r.csv" the
    // records', and `sameAs` gives the bitmap the identity of the record file.
    void replacesOnlyBitmaps_data()
    {
        QTest::addColumn<QByteArray>("existing"); // "(missing)": no file of that name
        QTest::addColumn<bool>("sameAsRecords");
        QTest::addColumn<bool>("replaced");
        const auto row = [](const char *name, const QByteArray &existing, bool replaced, bool same = false) {
            QTest::newRow(name) << existing << same << replaced;
        };
        row("no file yet", "(missing)", true);
        row("an empty file", "", true);
        row("a bitmap, 40-byte information header", bitmapHead(40) + "pixels", true);
        row("an OS/2 bitmap, 12-byte header", bitmapHead(12), true);
        row("a version 5 bitmap, 124-byte header", bitmapHead(124), true);
        row("another name of the record file", bitmapHead(40), false, true);
        row("text", " 2004, 11, 4.2\r\n", false);
        row("BM and no header", "BMW 2004", false);
        row("cut inside the header size", bitmapHead(40).left(17), false);
        row("an unknown header size", bitmapHead(41) + "pixels", false);
        row("a zero header size", bitmapHead(0) + "pixels", false);
        row("lower-case bm", bitmapHead(40).replace("BM", "bm"), false);
        row("one byte", "B", false);
    }

    void replacesOnlyBitmaps()
    {
        QFETCH(QByteArray, existing);
        QFETCH(bool, sameAsRecords);
        QFETCH(bool, replaced);
        testing::FakeFileSystem files;
        const std::string records = testing::recordsText(3);
        files.files[u"r.csv"] = records;
        if (existing != "(missing)")
            files.files[u"g.bmp"] = existing.toStdString();
        const FileIdentifier identify = [&files, sameAsRecords](std::u16string_view path) {
            std::optional<FileIdentity> identity;
            if (files.files.count(std::u16string(path)))
                identity = FileIdentity { 1, path == u"r.csv" || sameAsRecords ? 1u : 2u, true };
            return identity;
        };

        testing::RecordingSurface picture1;
        const ExportOutcome outcome = ExportGraph(picture1, files, identify, u"r.csv", u"g.bmp");
        QCOMPARE(outcome.written, replaced);
        QCOMPARE(files.files.at(u"r.csv"), records);
        const std::string now = files.files.count(u"g.bmp") ? files.files.at(u"g.bmp") : "(missing)";
        QCOMPARE(now != existing.toStdString(), replaced);
        if (replaced) {
            QVERIFY(outcome.messages.empty());
            QVERIFY(now.starts_with("BM"));
            return;
        }
        QCOMPARE(outcome.messages.size(), std::size_t(1));
        const QString message = QString::fromStdU16String(outcome.messages.front());
        QVERIFY2(message.startsWith(u"ファイル「g.bmp」を保存できませんでした。"), qPrintable(message));
        QVERIFY2(message.contains(sameAsRecords ? u"記録ファイル「r.csv」と同じファイル"
                                                : u"ビットマップ画像ではありません"),
            qPrintable(message));
    }

    // The built program never destroys the record file, whatever name leads the bitmap to it, nor a file
    // that is no bitmap. R: the record file, B: the bitmap's name, D: the folder.
    void exportKeepsOtherFiles_data()
    {
        QTest::addColumn<QString>("setUp"); // how B exists beforehand
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const auto row = [](const char *name, const char *setUp, const QStringList &arguments, int status,
                             const char *said, bool asNobody = false) {
            QTest::newRow(name) << QString(setUp) << arguments << asNobody << status << QString(said);
        };
        const QStringList exportRB { "--export", "R", "B" };
        row("the record file itself", "none", { "--export", "R", "R" }, 1, "と同じファイル");
        row("another path to it", "none", { "--export", "R", "D/sub/../records.csv" }, 1, "と同じファイル");
        row("a file URI of it", "none", { "--export", "R", "file://localhost/D/records.csv" }, 1,
            "と同じファイル");
        row("a symbolic link to it", "symlink", exportRB, 1, "と同じファイル");
        row("a hard link to it", "hardlink", exportRB, 1, "と同じファイル");
        row("a text file", "text", exportRB, 1, "ビットマップ画像ではありません");
        row("a named pipe: the save's own refusal, no wait", "fifo", exportRB, 1, "名前付きパイプです");
        row("an empty file", "empty", exportRB, 0, "");
        row("an earlier bitmap", "bitmap", exportRB, 0, "");
        row("no file yet", "none", exportRB, 0, "");
        row("a new file named by a URI", "none",
            { "--export", "R", "file:///D/%E3%82%B0%E3%83%A9%E3%83%95%20.bmp" }, 0, "");
        row("nobody: a file that may be written but not read", "write-only", exportRB, 1, "確かめられない",
            true);
        row("nobody: a text file", "text", exportRB, 1, "ビットマップ画像ではありません", true);
        row("nobody: an earlier bitmap", "bitmap", exportRB, 0, "", true);
    }

    void exportKeepsOtherFiles()
    {
        QFETCH(QString, setUp);
        QFETCH(QStringList, arguments);
        QFETCH(bool, asNobody);
        QFETCH(int, status);
        QFETCH(QString, said);
        if (asNobody && !canBecomeNobody())
            QSKIP("Needs root and the user nobody.");

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkdir("sub"));
        const QString recordPath = folder.filePath("records.csv");
        const QString bitmapPath = folder.filePath("graph.bmp");
        const QByteArray records = QByteArray::fromStdString(testing::recordsText(3));
        QVERIFY(writeFile(recordPath, records));
        const QByteArray earlier = bitmapHead(40) + "earlier";
        const QByteArray text = "notes of the last visit\n";
        if (setUp == "symlink")
            QVERIFY(QFile::link(recordPath, bitmapPath));
        else if (setUp == "hardlink")
            QVERIFY(
                ::link(QFile::encodeName(recordPath).constData(), QFile::encodeName(bitmapPath).constData())
                == 0);
        else if (setUp == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(bitmapPath).constData(), 0600) == 0);
        else if (setUp != "none")
            QVERIFY(writeFile(bitmapPath,
                setUp == "bitmap"      ? earlier
                    : setUp == "empty" ? QByteArray()
                                       : text));
        // Reading a pipe would wait for a writer.
        const auto contentsOrKind = [&setUp](const QString &path) {
            struct stat node { };
            return setUp == "fifo" && ::stat(QFile::encodeName(path).constData(), &node) == 0
                    && S_ISFIFO(node.st_mode)
                ? QByteArray("(pipe)")
                : contentsOf(path);
        };
        const QByteArray before = contentsOrKind(bitmapPath);
        if (asNobody) {
            const passwd *nobody = ::getpwnam("nobody");
            QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0777) == 0);
            QVERIFY(::chown(QFile::encodeName(bitmapPath).constData(), nobody->pw_uid, nobody->pw_gid) == 0
                || setUp == "none");
            if (setUp == "write-only")
                QVERIFY(::chmod(QFile::encodeName(bitmapPath).constData(), 0200) == 0);
        }
        for (QString &argument : arguments)
            argument = argument == "R" ? recordPath
                : argument == "B"      ? bitmapPath
                                       : argument.replace("D", folder.path());

        QProcessEnvironment environment = environmentWithoutDisplay();
        if (asNobody) {
            // Root's runtime folder is not nobody's; Qt then makes one of its own in TMPDIR.
            environment.remove("XDG_RUNTIME_DIR");
            environment.insert("TMPDIR", folder.path());
        }
        const Finished run = runProgram(arguments, environment, { asNobody });
        QVERIFY(run.exited);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(said) && onlyOwnMessages(run.err), qPrintable(run.err));
        QCOMPARE(contentsOf(recordPath), records);
        if (setUp == "symlink")
            QVERIFY(QFileInfo(bitmapPath).isSymLink());
        if (status != 0) {
            QCOMPARE(contentsOrKind(bitmapPath), before);
            return;
        }
        const QByteArray bitmap
            = contentsOf(arguments.last().startsWith("file:") ? folder.filePath("グラフ .bmp") : bitmapPath);
        QVERIFY(bitmap.startsWith("BM") && bitmap.size() > 1000000);
    }

    // The window needs a display; without one it says so in Japanese and ends with status 1, while the
    // export needs none.
    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("said");
        QTest::newRow("no display named") << ""
                                          << ""
                                          << "画面が指定されていない";
        QTest::newRow("Wayland only, no compositor") << "WAYLAND_DISPLAY"
                                                     << "psa-graph-test-none"
                                                     << "（WAYLAND_DISPLAY=psa-graph-test-none）";
        QTest::newRow("an X display that does not answer") << "DISPLAY" << deadDisplay() << "（DISPLAY=:";
    }

    void withoutDisplay()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, said);
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        QVERIFY(writeFile(recordPath, QByteArray::fromStdString(testing::recordsText(3))));
        QProcessEnvironment environment = environmentWithoutDisplay();
        if (!variable.isEmpty())
            environment.insert(variable, value);

        const Finished window = runProgram({ recordPath }, environment);
        QVERIFY2(window.exited, "ended by a signal");
        QCOMPARE(window.status, kExitFailure);
        QVERIFY2(window.err.startsWith("psa-graph: ") && window.err.contains(said)
                && window.err.contains("ウィンドウを開けませんでした") && onlyOwnMessages(window.err),
            qPrintable(window.err));

        const Finished exported
            = runProgram({ "--export", recordPath, folder.filePath("g.bmp") }, environment);
        QVERIFY(exported.exited);
        QCOMPARE(exported.status, kExitSuccess);
        QCOMPARE(exported.err, QString());
        QVERIFY(contentsOf(folder.filePath("g.bmp")).startsWith("BM"));
    }

    // As cron or sudo run the export: no XDG_RUNTIME_DIR, perhaps no home. Qt's own warnings stay off
    // standard error unless asked for.
    void onlyItsOwnMessages_data()
    {
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<QStringList>("environment"); // NAME=value, D standing for the test's folder
        QTest::addColumn<QString>("qtSays"); // what Qt's messages must say; empty: nothing at all
        QTest::newRow("root, no XDG_RUNTIME_DIR") << false << QStringList { "HOME=D", "TMPDIR=D" } << "";
        QTest::newRow("nobody, no home, no XDG_RUNTIME_DIR")
            << true << QStringList { "HOME=/nonexistent", "TMPDIR=D" } << "";
        QTest::newRow("Qt asked for its debug messages too")
            << false << QStringList { "TMPDIR=D", "QT_LOGGING_RULES=*.debug=true" } << "";
        QTest::newRow("Qt's messages asked for")
            << false << QStringList { "TMPDIR=D", "PSA_GRAPH_QT_MESSAGES=1" } << "XDG_RUNTIME_DIR";
    }

    void onlyItsOwnMessages()
    {
        QFETCH(bool, asNobody);
        QFETCH(QStringList, environment);
        QFETCH(QString, qtSays);
        if (asNobody && !canBecomeNobody())
            QSKIP("Needs root and the user nobody.");
        QTemporaryDir folder;
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0777) == 0);
        const QString recordPath = folder.filePath("records.csv");
        QVERIFY(writeFile(recordPath, QByteArray::fromStdString(testing::recordsText(3))));
        QProcessEnvironment variables = environmentWithoutDisplay();
        variables.remove("XDG_RUNTIME_DIR");
        for (const QString &setting : environment)
            variables.insert(setting.section('=', 0, 0), setting.section('=', 1).replace("D", folder.path()));

        for (const QString &bitmap : { folder.filePath("g.bmp"), folder.filePath("none/g.bmp") }) {
            const Finished run = runProgram({ "--export", recordPath, bitmap }, variables, { asNobody });
            QVERIFY(run.exited);
            const bool written = !bitmap.contains("none");
            QCOMPARE(run.status, written ? kExitSuccess : kExitFailure);
            if (!qtSays.isEmpty())
                QVERIFY2(run.err.contains(qtSays), qPrintable(run.err));
            else if (written)
                QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
            else
                QVERIFY2(run.err.contains("保存できませんでした") && onlyOwnMessages(run.err),
                    qPrintable(run.err));
        }
    }

    // Help or version that cannot be written is a failure; an export with closed streams writes the same
    // bitmap as any other.
    void outputThatCannotBeWritten_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("closeOutput");
        QTest::addColumn<bool>("closeError");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const auto row = [](const char *name, const QStringList &arguments, bool full, bool closeOutput,
                             bool closeError, int status, const char *said) {
            QTest::newRow(name) << arguments << full << closeOutput << closeError << status << QString(said);
        };
        const QString fullDisk = "標準出力に書き込めませんでした。理由: ディスクの空き容量が足りません。";
        const QString closed = "標準出力に書き込めませんでした。理由: 標準出力が閉じられています。";
        row("help on a full disk", { "--help" }, true, false, false, 1, qPrintable(fullDisk));
        row("version on a full disk", { "--version" }, true, false, false, 1, qPrintable(fullDisk));
        row("help, output closed", { "-h" }, false, true, false, 1, qPrintable(closed));
        row("version, output closed", { "-v" }, false, true, false, 1, qPrintable(closed));
        row("version, output and error closed", { "-v" }, false, true, true, 1, "");
        row("export, output and error closed", { "--export", "R", "B" }, false, true, true, 0, "");
        row("export failing, error closed", { "--export", "R", "D/none/g.bmp" }, false, false, true, 1, "");
        row("wrong command line, output closed", { "--bogus" }, false, true, false, 2, "「--bogus」");
    }

    void outputThatCannotBeWritten()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, full);
        QFETCH(bool, closeOutput);
        QFETCH(bool, closeError);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        const QString bitmapPath = folder.filePath("g.bmp");
        QVERIFY(writeFile(recordPath, QByteArray::fromStdString(testing::recordsText(3))));
        for (QString &argument : arguments)
            argument = argument == "R" ? recordPath
                : argument == "B"      ? bitmapPath
                                       : argument.replace("D", folder.path());

        ChildSetup setup;
        setup.outputToFullDisk = full;
        setup.closeInput = closeOutput;
        setup.closeOutput = closeOutput;
        setup.closeError = closeError;
        const Finished run = runProgram(arguments, environmentWithoutDisplay(), setup);
        QVERIFY(run.exited);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        if (arguments.first() != "--export" || status != 0)
            return;
        // The same bitmap as an export with every stream open.
        const Finished again = runProgram(
            { "--export", recordPath, folder.filePath("again.bmp") }, environmentWithoutDisplay());
        QCOMPARE(again.status, 0);
        QCOMPARE(contentsOf(bitmapPath), contentsOf(folder.filePath("again.bmp")));
    }

    // Started with its standard streams closed, the window has them on /dev/null, so that none of the files
    // it opens (the record file, fonts, a save) takes their number and receives what is written to them.
    void closedStreamsLeadNowhere()
    {
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        QVERIFY(writeFile(recordPath, QByteArray::fromStdString(testing::recordsText(3))));
        QProcess process;
        QProcessEnvironment environment = environmentWithoutDisplay();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([] {
            for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO })
                ::close(stream);
        });
        process.start(QStringLiteral(PSA_GRAPH_PATH), { recordPath });
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
