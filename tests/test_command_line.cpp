// The command line and the export at their edges: file URIs and options as typed, and the built program as
// its own process without a display: which existing files the export may replace, as an ordinary user, with
// its standard streams closed or full. Only the program's own messages may reach standard error.

#include "app/batch_export.h"
#include "app/export_format.h"
#include "platform/png_file.h"
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

// How the program's process is started besides its arguments and environment, as flags: as the user nobody,
// with standard output on /dev/full, with standard input and output closed, with standard error closed.
enum Start : int { Plainly = 0, AsNobody = 1, OutputOnFullDisk = 2, OutputClosed = 4, ErrorClosed = 8 };

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

// Makes `path` what `existing` describes: "(none)" nothing; "(symbolic link)" or "(hard link)" to
// `recordPath`; "(pipe)" a named pipe; "(unreadable)" a bitmap that its owner may write but not read; else
// a file of these bytes.
bool put(const QByteArray &existing, const QString &path, const QString &recordPath)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray records = QFile::encodeName(recordPath);
    if (existing == "(none)")
        return true;
    if (existing == "(symbolic link)")
        return ::symlink(records.constData(), name.constData()) == 0;
    if (existing == "(hard link)")
        return ::link(records.constData(), name.constData()) == 0;
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
    if (::lstat(QFile::encodeName(path).constData(), &node) != 0)
        return "(missing)";
    if (S_ISFIFO(node.st_mode))
        return "(pipe)";
    return (S_ISLNK(node.st_mode) ? "(symbolic link) " : "") + contentsOf(path);
}

// Starts the built program as `how` says.
void start(QProcess &process, const QStringList &arguments, const QProcessEnvironment &environment, int how)
{
    const passwd *nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 0;
    const gid_t gid = nobody ? nobody->pw_gid : 0;
    process.setProcessEnvironment(environment);
    if (how & OutputOnFullDisk)
        process.setStandardOutputFile("/dev/full");
    process.setChildProcessModifier([how, uid, gid] {
        if (how & OutputClosed) {
            ::close(STDIN_FILENO);
            ::close(STDOUT_FILENO);
        }
        if (how & ErrorClosed)
            ::close(STDERR_FILENO);
        if ((how & AsNobody) && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
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
        return line.startsWith(u"psa-graph: ") || line.startsWith(u"理由: ") || line.startsWith(u"使い方は")
            || line.startsWith(u"グラフを画像に書き出すだけなら");
    });
}

CommandLineRequest parse(const QStringList &arguments)
{
    std::vector<std::u16string> list { u"psa-graph" };
    for (const QString &argument : arguments)
        list.push_back(argument.toStdU16String());
    return parseCommandLine(list, nativeFileNames());
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

    // A file named as a URI is the path it names; the decoded bytes are the name's bytes, UTF-8 or not.
    // Options are named as they were typed; Qt's own options are no options of the program.
    void readsArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // The record file's bytes, "|" and the bitmap's; or a part of the error.
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("localhost, any case", { "FILE://LocalHost/tmp/a.csv" }, "/tmp/a.csv|");
        row("no host at all", { "file:/tmp/a.csv" }, "/tmp/a.csv|");
        row("escapes, either case", { "file:///tmp/a%20b%25%2fc%2F.csv" }, "/tmp/a b%/c/.csv|");
        row("escaped Shift_JIS bytes", { "file:///tmp/%93%FA%96%7B.csv" }, "/tmp/\x93\xFA\x96\x7B.csv|");
        row("a plus stays a plus", { "file:///tmp/a+b.csv" }, "/tmp/a+b.csv|");
        row("relative name that starts with file:", { "file:a.csv" }, "file:a.csv|");
        row("another computer's bitmap", { "--export", "r.csv", "file://pc:8080/g.bmp" },
            "ほかのコンピューター（pc:8080）");
        row("escape not hexadecimal", { "file:///tmp/a%zz.csv" }, "URIとして正しくありません");
        row("escaped zero byte", { "file:///tmp/a%00b.csv" }, "URIとして正しくありません");
        row("fragment", { "file:///tmp/a.csv#2" }, "URIとして正しくありません");
        row("query", { "file:///tmp/a.csv?x" }, "URIとして正しくありません");
        row("no path", { "file://localhost" }, "URIとして正しくありません");
        row("letters run together", { "-hv" }, "「-hv」というオプション");
        row("one letter", { "-x", "a.csv" }, "「-x」というオプション");
        row("export given a value", { "--export=r.csv", "g.bmp" }, "「--export=r.csv」: 値を");
    }

    void readsArguments()
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
            = [](const std::u16string &path) { return QByteArray::fromStdString(nativePath(path)); };
        QCOMPARE(bytes(read.recordFile) + "|" + bytes(read.bitmapFile), expected);
    }

    // The batch's options in either spelling, its files in order; what is wrong is named as typed.
    void readsBatchOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // The format's extension, "|", the folder, "|" and the record files joined by ";"; or a part of the
        // error.
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QStringList &arguments, const QString &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("bitmaps beside the files", { "--batch", "a.csv", "d/b.csv" }, ".bmp||a.csv;d/b.csv");
        row("format with =", { "--batch", "--format=png", "a.csv" }, ".png||a.csv");
        row("format as the next word", { "--batch", "--format", "svg", "a.csv" }, ".svg||a.csv");
        row("format in capitals", { "a.csv", "--format=PDF", "--batch" }, ".pdf||a.csv");
        row("folder with -o", { "--batch", "-o", "out", "a.csv" }, ".bmp|out|a.csv");
        row("folder with =", { "--batch", "--output-folder=out", "a.csv" }, ".bmp|out|a.csv");
        row("folder as the next word", { "--batch", "--output-folder", "o d", "a.csv" }, ".bmp|o d|a.csv");
        row("a value that starts with a dash", { "--batch", "-o", "-x", "a.csv" }, ".bmp|-x|a.csv");
        row("a file after --", { "--batch", "--", "-a.csv", "--format=png" }, ".bmp||-a.csv;--format=png");
        row("URIs", { "--batch", "-o", "file:///tmp/o%20d", "file:///tmp/a.csv" },
            ".bmp|/tmp/o d|/tmp/a.csv");
        row("a format twice", { "--batch", "--format=png", "--format", "png", "a.csv" },
            "「--format」が2回指定されています");
        row("a folder twice", { "--batch", "-o", "a", "--output-folder=b", "a.csv" },
            "「--output-folder」が2回指定されています");
        row("an unknown format", { "--batch", "--format=jpg", "a.csv" },
            "「jpg」という形式では書き出せません。書き出せる形式はbmp、png、svg、pdfです。");
        row("a format with a dot", { "--batch", "--format=.png", "a.csv" }, "「.png」という形式");
        row("a file name as format", { "--batch", "--format=x.png", "a.csv" }, "「x.png」という形式");
        row("an empty format", { "--batch", "--format=", "a.csv" }, "「」という形式");
        row("a format without value", { "--batch", "a.csv", "--format" }, "「--format」の後に値がありません");
        row("-o without value", { "--batch", "a.csv", "-o" }, "「-o」の後に値がありません");
        row("an empty folder", { "--batch", "-o", "", "a.csv" }, "フォルダーの名前が空です");
        row("no record file", { "--batch", "-o", "out" }, "1つ以上要ります");
        row("an empty record file", { "--batch", "a.csv", "" }, "記録ファイルの名前が空です");
        row("batch given a value", { "--batch=a.csv" }, "「--batch=a.csv」: 値を");
        row("export and batch", { "--export", "--batch", "a.csv", "g.bmp" }, "一緒に使えません");
        row("format without batch", { "--format=png", "a.csv" }, "--format は --batch と一緒に使います");
        row("folder without batch", { "--export", "-o", "out", "a.csv", "g.bmp" },
            "--output-folder は --batch と一緒に使います");
        row("a record file of another computer", { "--batch", "file://pc/a.csv" },
            "ほかのコンピューター（pc）");
        row("help before a wrong format", { "--batch", "--format=jpg", "-h" }, "help");
    }

    void readsBatchOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const CommandLineRequest read = parse(arguments);
        if (read.task == Task::ShowHelp) {
            QCOMPARE(QStringLiteral("help"), expected);
            return;
        }
        if (read.task == Task::WrongUsage) {
            const QString error = QString::fromStdU16String(read.error);
            QVERIFY2(error.contains(expected), qPrintable(error));
            return;
        }
        QCOMPARE(read.task, Task::Batch);
        QStringList files;
        for (const std::u16string &file : read.recordFiles)
            files.append(QString::fromStdU16String(file));
        QCOMPARE(QString::fromStdU16String(std::u16string(read.format->extension)) + "|"
                + QString::fromStdU16String(read.outputFolder) + "|" + files.join(';'),
            expected);
    }

    // A batch's picture takes the record file's name without its extension, beside it or in the folder.
    void namesBatchPictures_data()
    {
        QTest::addColumn<QString>("recordFile");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("picture"); // for the PNG format
        QTest::newRow("beside") << "d/a.csv"
                                << ""
                                << "d/a.png";
        QTest::newRow("no folder") << "a.csv"
                                   << ""
                                   << "a.png";
        QTest::newRow("no extension") << "d/a"
                                      << ""
                                      << "d/a.png";
        QTest::newRow("only the last extension") << "a.b.csv"
                                                 << ""
                                                 << "a.b.png";
        QTest::newRow("a dot in the folder only") << "d.d/a"
                                                  << ""
                                                  << "d.d/a.png";
        QTest::newRow("a hidden file") << "d/.csv"
                                       << ""
                                       << "d/.csv.png";
        QTest::newRow("into a folder") << "d/a.csv"
                                       << "out"
                                       << "out/a.png";
        QTest::newRow("into a folder ending in /") << "d/a.csv"
                                                   << "out/"
                                                   << "out/a.png";
        QTest::newRow("a Windows folder") << "d\\a.csv"
                                          << "C:\\out"
                                          << "C:\\out\\a.png";
        QTest::newRow("a Windows drive") << "a.csv"
                                         << "C:\\"
                                         << "C:\\a.png";
    }

    void namesBatchPictures()
    {
        QFETCH(QString, recordFile);
        QFETCH(QString, folder);
        QFETCH(QString, picture);
        const ExportFormatInfo *png = exportFormatOf(u"x.png");
        QCOMPARE(QString::fromStdU16String(
                     batchPicturePath(recordFile.toStdU16String(), folder.toStdU16String(), *png)),
            picture);
    }

    // One process draws each file as its own export would, byte for byte, though it reuses the picture box;
    // a file that fails is one line on standard error and keeps the others from nothing.
    void batchDrawsEachFileAsItsOwnExport()
    {
        QTemporaryDir folder;
        const QByteArray more = QByteArray::fromStdString(testing::recordsText(30));
        QVERIFY(writeFile(folder.filePath("a.csv"), m_records));
        QVERIFY(writeFile(folder.filePath("b.csv"), more));
        QVERIFY(writeFile(folder.filePath("empty.csv"), ""));
        QVERIFY(QDir(folder.path()).mkdir("out"));
        QProcess process;
        start(process,
            { "--batch", "-o", folder.filePath("out"), folder.filePath("a.csv"),
                folder.filePath("missing.csv"), folder.filePath("empty.csv"), folder.filePath("b.csv") },
            environmentIn(folder.path()), Plainly);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), kExitFailure);
        const QStringList lines
            = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(
            lines[0].startsWith("psa-graph: ") && lines[0].contains("missing.csv"), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith("psa-graph: ") && lines[1].contains("empty.csv"), qPrintable(lines[1]));
        QCOMPARE(contentsOf(folder.filePath("out/a.bmp")), m_bitmap);
        QVERIFY(!QFile::exists(folder.filePath("out/missing.bmp")));
        QVERIFY(!QFile::exists(folder.filePath("out/empty.bmp")));

        start(process, { "--export", folder.filePath("b.csv"), folder.filePath("b.bmp") },
            environmentIn(folder.path()), Plainly);
        QVERIFY(process.waitForFinished(30000) && process.exitCode() == kExitSuccess);
        QCOMPARE(contentsOf(folder.filePath("out/b.bmp")), contentsOf(folder.filePath("b.bmp")));
    }

    // A PNG export holds the very pixels and resolution of the bitmap export, and is the PNG the encoder
    // makes of that bitmap.
    void exportsPngOfTheBitmapsPixels()
    {
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("records.csv"), m_records));
        QProcess process;
        start(process, { "--export", folder.filePath("records.csv"), folder.filePath("g.png") },
            environmentIn(folder.path()), Plainly);
        QVERIFY(process.waitForFinished(30000) && process.exitCode() == kExitSuccess);
        const QByteArray png = contentsOf(folder.filePath("g.png"));
        QCOMPARE(png, QByteArray::fromStdString(pngFromBitmap(m_bitmap.toStdString()).value()));
        const QImage fromPng = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
        const QImage fromBitmap = QImage::fromData(m_bitmap, "BMP").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fromPng.size(), QSize(849, 521));
        QCOMPARE(fromPng, fromBitmap);
        QCOMPARE(fromPng.dotsPerMeterX(), fromBitmap.dotsPerMeterX());
    }

    // The export's format is its picture's extension in any case; any other extension, or none, is a wrong
    // command line that names the extension and the formats there are.
    void picksTheFormatByExtension_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("expected"); // the format's extension, or a part of the error
        const auto row = [](const char *name, const QString &picture, const QString &expected) {
            QTest::newRow(name) << picture << expected;
        };
        const QString noExtension = "には拡張子がないため";
        row("bmp", "g.bmp", ".bmp");
        row("BMP in capitals", "G.BMP", ".bmp");
        row("Png mixed case", "g.Png", ".png");
        row("the last extension counts", "g.bmp.png", ".png");
        row("png before bmp", "g.png.bmp", ".bmp");
        row("a folder with a dot", "out.d/g.png", ".png");
        row("a name that is an extension", ".png", ".png");
        row("a file URI", "file:///tmp/G.PNG", ".png");
        row("jpg", "g.jpg",
            "「g.jpg」の拡張子「.jpg」の形式では書き出せません。書き出せる形式は.bmp（ビットマップ画像）、."
            "png（PNG画像）、.svg（SVG画像）、.pdf（PDF文書）です。");
        row("svg", "g.svg", ".svg");
        row("PDF in capitals", "G.PDF", ".pdf");
        row("bmp with more after it", "g.bmpx", "拡張子「.bmpx」");
        row("an extension full-width", "g.ｐｎｇ", "拡張子「.ｐｎｇ」");
        row("no extension", "graph", noExtension);
        row("a dot at the end", "graph.", noExtension);
        row("a folder name ending in .png", "out.png/", noExtension);
        row("a dot only in the folder's name", "out.png/graph", noExtension);
        row("a Windows folder ending in .png", "out.png\\graph", noExtension);
    }

    void picksTheFormatByExtension()
    {
        QFETCH(QString, picture);
        QFETCH(QString, expected);
        const CommandLineRequest read = parse({ "--export", "r.csv", picture });
        if (expected.startsWith('.')) {
            QCOMPARE(read.task, Task::Export);
            const ExportFormatInfo *format = exportFormatOf(read.bitmapFile);
            QVERIFY(format);
            QCOMPARE(QString::fromStdU16String(std::u16string(format->extension)), expected);
        } else {
            QCOMPARE(read.task, Task::WrongUsage);
            const QString error = QString::fromStdU16String(read.error);
            QVERIFY2(error.contains(expected), qPrintable(error));
            QVERIFY2(error.contains(".bmp（ビットマップ画像）、.png（PNG画像）"), qPrintable(error));
        }
    }

    // The built program without a display: the export replaces only a bitmap or an empty file, never the
    // record file by any name; the window says in Japanese that it needs a display; Qt's messages reach
    // standard error only when asked for; help or version that cannot be written is a failure. D stands for
    // the test's folder, which holds records.csv.
    void runsAsItsOwnProcess_data()
    {
        QTest::addColumn<QByteArray>("existing"); // graph.bmp beforehand, as `put` makes it
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<int>("how"); // Start flags
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // a part of standard error; empty: nothing at all
        const auto row
            = [](const char *name, const QByteArray &existing, const QStringList &arguments, int status,
                  const QString &said, const QStringList &environment = {}, int how = Plainly) {
                  QTest::newRow(name) << existing << arguments << environment << how << status << said;
              };
        const QStringList exportRB { "--export", "D/records.csv", "D/graph.bmp" };
        const QString notBitmap = "ビットマップ画像ではありません";
        row("another path to the record file, as a URI", "(symbolic link)",
            { "--export", "D/records.csv", "file://localhost/D/./graph.bmp" }, 1, "と同じファイル");
        row("a symbolic link to the record file", "(symbolic link)", exportRB, 1, "と同じファイル");
        row("a hard link to the record file", "(hard link)", exportRB, 1, "と同じファイル");
        row("a named pipe: the save's own refusal, no wait", "(pipe)", exportRB, 1, "名前付きパイプです");
        row("an empty file", "", exportRB, 0, "");
        row("a bitmap, 40-byte information header", bitmapHead(40) + "earlier", exportRB, 0, "");
        row("an OS/2 bitmap, 12-byte header", bitmapHead(12), exportRB, 0, "");
        row("a version 5 bitmap, 124-byte header", bitmapHead(124), exportRB, 0, "");
        row("cut inside the header size", bitmapHead(40).left(17), exportRB, 1, notBitmap);
        row("an unknown header size", bitmapHead(41) + "pixels", exportRB, 1, notBitmap);
        row("lower-case bm", bitmapHead(40).replace("BM", "bm"), exportRB, 1, notBitmap);
        row("nobody: a bitmap it may write but not read", "(unreadable)", exportRB, 1, "確かめられない", {},
            AsNobody);
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
        row("help on a full disk", "(none)", { "--help" }, 1,
            "標準出力に書き込めませんでした。理由: ディスクの空き容量が足りません。", {}, OutputOnFullDisk);
        row("version, output closed", "(none)", { "-v" }, 1,
            "標準出力に書き込めませんでした。理由: 標準出力が閉じられています。", {}, OutputClosed);
    }

    void runsAsItsOwnProcess()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(int, how);
        QFETCH(int, status);
        QFETCH(QString, said);
        if ((how & AsNobody) && (::geteuid() != 0 || !::getpwnam("nobody")))
            QSKIP("Needs root and the user nobody.");

        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv");
        const QString bitmapPath = folder.filePath("graph.bmp");
        QVERIFY(writeFile(recordPath, m_records));
        QVERIFY(put(existing, bitmapPath, recordPath));
        const QByteArray before = snapshot(bitmapPath);
        if (how & AsNobody) {
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
            OutputClosed | ErrorClosed);
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
