// The record file's reader and writer. The file commands of the window: with the in-memory file system, and
// against real files in temporary folders for what only a real file system has: its failures, names that are
// not regular files, folders and files of root's that an ordinary user saves into, owners, permissions and
// attributes a replaced file keeps, symbolic links planted in shared folders, files of /proc and /sys, and
// names that are no UTF-8. The file dialog browsing folders whose files could block a reader for ever (/proc,
// /dev, named pipes): the window's event loop must keep answering (a dialog that blocks it for good ends in
// the test's time-out), and no entry's type may come from its contents. The drawing surface: the example
// graph pixel by pixel, clearing, and its Windows bitmap, which for every row padding and pixel ratio holds
// the very bytes Qt's own BMP writer makes of the same picture: a bitmap knows pixels only, not the ratio of
// the screen they were drawn for.

#include "files/record_file.h"
#include "platform/qt/native_path.h"
#include "platform/qt/posix_files.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"
#include "support/form_rig.h"
#include "support/record_files.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace psa;
using namespace Qt::StringLiterals;
using Handler = void (Form1::*)();

namespace {

using Rig = testing::FormRig<ImageSurface>;
const QStringList kExample { "2004", "11", "4.2", "2005", "03", "12.50", "2005", "9", "8.75" };
const QByteArray kSaved = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n";
const QString kExampleLoaded
    = "2004=2004 11=11 4.2=4.2 2005=2005 3=3 12.5=12.5 2005=2005 9=9 8.75=8.75 12345789 3 9";
const Handler kCommands[]
    = { nullptr, nullptr, &Form1::Command2_Click, &Form1::Command3_Click, &Form1::Command4_Click };

QByteArray encoded(const QString &file)
{
    return QFile::encodeName(file);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Gives the file, or the link itself, the owner "user:group".
bool setOwner(const QString &path, const QString &owner)
{
    const passwd *user = ::getpwnam(qPrintable(owner.section(':', 0, 0)));
    const group *group = ::getgrnam(qPrintable(owner.section(':', 1)));
    return user && group && ::lchown(encoded(path), user->pw_uid, group->gr_gid) == 0;
}

// Writes the file, then gives it the owner (unless empty) and the mode.
bool makeFile(const QString &path, const QByteArray &bytes, int mode, const QString &owner)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && (owner.isEmpty() || setOwner(path, owner)) && ::chmod(encoded(path), mode_t(mode)) == 0;
}

// Clicks in a child process, as the user nobody if `asNobody`, with writes beyond `limit` bytes (0: none)
// failing with EFBIG instead of ending it and the umask 022; returns the messages shown, or "(failed)" when
// the click failed or has not returned within ten seconds.
QString clickInChild(Rig &rig, Handler handler, const QString &path, rlim_t limit = 0, bool asNobody = false)
{
    constexpr std::size_t kSize = 1 << 16;
    const passwd *nobody = ::getpwnam("nobody");
    auto *shown = static_cast<char *>(
        ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    const auto unmap = qScopeGuard([shown] { ::munmap(shown, kSize); });
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGALRM, SIG_DFL);
        ::alarm(10);
        const rlimit size { limit ? limit : RLIM_INFINITY, limit ? limit : RLIM_INFINITY };
        std::signal(SIGXFSZ, SIG_IGN);
        ::umask(022);
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0
            || (asNobody
                && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0
                    || ::setuid(nobody->pw_uid) != 0)))
            std::_Exit(2);
        qstrncpy(shown, rig.click(handler, path).toUtf8().constData(), kSize);
        std::_Exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(shown) : "(failed)";
}

// The extended attributes of the file, name and value, one a line.
QStringList attributesOf(const QString &path)
{
    QStringList attributes;
    QByteArray names(4096, '\0'), value(4096, '\0');
    names.resize(std::max<ssize_t>(::listxattr(encoded(path), names.data(), 4096), 0));
    for (const QByteArray &name : names.split('\0'))
        if (!name.isEmpty())
            attributes << name + "="
                    + value.left(::getxattr(encoded(path), name, value.data(), 4096)).toHex();
    return attributes;
}

// Names in the folder as the system gives them, bytes and all.
QList<QByteArray> rawEntries(const QByteArray &folder)
{
    QList<QByteArray> names;
    DIR *directory = ::opendir(folder.constData());
    while (const dirent *entry = directory ? ::readdir(directory) : nullptr)
        if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
            names << QByteArray(entry->d_name);
    if (directory)
        ::closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

// For each system file system mounted here, one regular file in it (at most two levels down), by type.
std::map<QString, QString> systemFilesMounted()
{
    const QStringList kTypes { "proc", "sysfs", "debugfs", "tracefs", "securityfs", "cgroup", "cgroup2",
        "configfs", "devpts", "efivarfs", "bpf", "pstore", "selinuxfs", "fusectl", "binfmt_misc", "mqueue",
        "rpc_pipefs", "nfsd" };
    std::map<QString, QString> found;
    QFile mounts("/proc/self/mounts");
    for (const QByteArray &line :
        mounts.open(QIODevice::ReadOnly) ? mounts.readAll().split('\n') : QByteArrayList()) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3 || !kTypes.contains(fields[2]))
            continue;
        QDirIterator entries(
            fields[1], QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        for (int looked = 0; entries.hasNext() && looked < 200 && !found.contains(fields[2]); ++looked)
            if (const QFileInfo file = entries.nextFileInfo();
                file.isFile() && !file.isSymLink() && file.filePath().count('/') <= fields[1].count('/') + 3)
                found[fields[2]] = file.filePath();
    }
    return found;
}

// The longest pause of the event loop while it runs for `milliseconds`.
qint64 longestPause(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 longest = 0;
    QTimer ping;
    ping.callOnTimeout([&] { longest = std::max(longest, clock.restart()); });
    ping.start(10);
    QTest::qWait(milliseconds);
    return std::max(longest, clock.elapsed());
}

// The records as "year|month|value" joined by "/", "+" when more followed; "!" and the reason for a refusal.
QString summary(const RecordFileContents &read)
{
    QStringList records;
    for (const RecordFields &f : read.records)
        records << QString::fromStdU16String(f[0] + u"|" + f[1] + u"|" + f[2]);
    const QString text = records.join('/') + (read.moreRecords ? "+" : "");
    return read.ok() ? text : "!" + QString::fromStdU16String(read.error) + text;
}

// The pixel of a position in the graph's coordinates, on the default 849 x 521 image.
const auto pixelOf
    = [](double x, double y) { return QPoint(int(x / 910 * 849), int((700 - y) / 700 * 521)); };
const auto yOfPsa = [](double psa) { return 250 + 100 * std::log10(psa); };
const auto isBlack = [](QRgb pixel) { return qRed(pixel) < 64 && qGreen(pixel) < 64 && qBlue(pixel) < 64; };
const auto isRed = [](QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 64 && qBlue(pixel) < 64; };
int count(const QImage &image, const QRect &area, const auto &is)
{
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            found += is(image.pixel(x, y)) ? 1 : 0;
    return found;
}

// An access list as the system keeps it: version 2, then (tag, permissions, id) entries in order of tag and
// id: the owner's read and write, read for the user of id 1, the group's read, the mask, nothing for others.
const QByteArray kAccessList = QByteArray::fromHex(
    "02000000 01000600ffffffff 0200040001000000 04000400ffffffff 10000400ffffffff 20000000ffffffff");

// A file command of the window on real files, clicked as root or as the user nobody in a temporary folder of
// root's: its folder "f" holds the folder "sub", the file "x" and what `name` needs.
struct OnDisk {
    int command = 3; // 2: save the graph, 3: save the data, 4: load
    // in "f", or from "/"; "device", "block", "pipe" and "socket" are made as such; "link" and "planted"
    // are symbolic links to "x", "planted-folder" one to "f" itself, "dangling" one to "none/x"; "planted"
    // ones are nobody's
    QString name = "x";
    QString reason {}; // in the message shown; empty when done
    int folder = 0755; // the mode of "f"
    bool nobody = false; // clicked by the user nobody, else by root
    int mode = 0644; // of "x"; -1: no "x"
    QString owner {}; // of "x", "user:group"; empty: root
    QByteArray old = "old\r\n"; // in "x"
    // "second": a second hard link to "x" beside "f"; "attributes": an access list and a user attribute on
    // "x"; "default": a default access list on "f"
    QString extra {};
    rlim_t limit = 0; // writes beyond it fail; 0: none
    bool replaced = false; // "x" is a new file afterwards, else the old one, written in place or untouched
    int modeAfter = -1; // of "x"; -1: as before
};

} // namespace

Q_DECLARE_METATYPE(OnDisk)

class TestForm1Files : public QObject {
    Q_OBJECT

private slots:
    void readerRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // "!" and a reason: refused as not a record file, for that reason
        QTest::addColumn<QString>("expected");
        const QString one = "2004|11|4.2", two = "2004|11|4.2/2005|3|12.5",
                      all35 = QStringList(35, one).join('/');
        const QByteArray full = QByteArray("2004,11,4.2\r\n").repeated(35);
        const auto row = [](const char *name, const QByteArray &bytes, const QString &expected) {
            QTest::newRow(name) << bytes << expected;
        };
        row("LF, blanks and tabs", " 2004 ,\t11, 4 .2 \n 2005, 3 ,12.5\t\n", "2004|11|4 .2/2005|3|12.5");
        row("CR, last line unended", "2004,11,4.2\r2005,3,12.5", two);
        row("byte-order mark", "\xEF\xBB\xBF 2004, 11, 4.2\r\n", one);
        row("quotes", "\"2004\",\"11\", \"4.2\"\r\n\"a\"\"b\",\"1,5\",\" x \"y \r\n", one + "/a\"b|1,5| x y");
        row("unclosed quote", "\"2004,11\n5,6\n", "2004,11|5|6");
        row("blank lines", "\r\n \r\n2004,11,4.2\r\n\r\n\t\r\n2005,3,12.5\r\n\r\n \n\r", two);
        row("ends inside a record", "2004,11,4.2\r\n2005", one + "/2005||");
        row("one field per line", "2004\r\n11\r\n4.2\r\n2005\r\n3\r\n12.5\r\n", two);
        row("four fields on a line", "2004,11,4.2,2005,3\r\n12.5\r\n", two);
        row("UTF-8 and Shift_JIS", "２００４,１１,４．２ ㍻\r\n\x82\x51\x82\x4f,\x82\x50,x",
            "２００４|１１|４．２ ㍻/２０|１|x");
        row("longest field", QByteArray(1024, '7'), QString(1024, '7') + "||");
        row("35 records, blanks after", full + "\r\n \r\n\t\n", all35);
        row("36 records", full + "2005,3,1\r\n", all35 + "+");
        row("over-long field", "1," + QByteArray(1025, '7'), "!長すぎる項目があります");
        row("binary", "2004,11,4.2\r\n\x7f\x45\x4c\x46\x02\x01", "!文字ではないバイトを含みます");
        row("neither encoding", "1,\xFF\xFE,3", "!文字コードを判別できません");
        row("cut UTF-8", "\xE3\x81,1,2", "!文字コードを判別できません");
        row("endless blank lines", "1,2,3" + QByteArray(70000, '\n') + "4", "!空白や空行が続きすぎます");
    }

    void readerRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        if (expected.startsWith('!'))
            expected = "!ファイル「f」を読み込めませんでした。\n理由: PSAのデーターファイルではありません（"
                + expected.mid(1) + "）。";
        psa::testing::FakeFileSystem files;
        files.shiftJis = { { "\x82\x51\x82\x4f", u"２０" }, { "\x82\x50", u"１" } };
        files.files[u"f"] = bytes.toStdString();
        for (const std::size_t chunk : { 1, 3, 1 << 20 }) { // reads split line ends, marks and characters
            files.readChunk = chunk;
            QCOMPARE(summary(LoadRecordFile(files, u"f")) + QString::number(chunk),
                expected + QString::number(chunk));
        }
        // A read failing after any number of bytes gives only the reason.
        const qsizetype end = expected.startsWith('!') ? 0 : std::min(bytes.size(), qsizetype(40));
        for (files.readFailAt = 0; files.readFailAt < std::size_t(end); ++files.readFailAt)
            QCOMPARE(summary(LoadRecordFile(files, u"f")),
                "!ファイル「f」を読み込めませんでした。\n理由: 装置の入出力エラーが発生しました。");
    }

    // The table filled in all its 120 rows: only rows 1 to RecordCount are written, every line ending in CR
    // LF.
    void writerRules()
    {
        Records records;
        for (int row = 1; row <= RecordTable::kRows; ++row) {
            records.RecordTable.set(row, kYearColumn, 2000 + row);
            records.RecordTable.set(row, kMonthColumn, row);
            records.RecordTable.set(row, kValueColumn, row * 0.5 - 1.5);
        }
        for (const int count : { -1, 0, 2, 500 }) {
            records.RecordCount = count;
            const QByteArray written = QByteArray::fromStdString(RecordFileText(records));
            QCOMPARE(written.count("\r\n"), std::clamp(count, 0, RecordTable::kRows));
            QCOMPARE(written.left(28), count > 0 ? " 2001, 1,-1\r\n 2002, 2,-0.5\r\n" : "");
        }
    }

    void saveAndLoad()
    {
        Rig rig;
        rig.fake.files[u"r.csv"] = "old";
        rig.type(kExample);
        QCOMPARE(rig.click(&Form1::Command3_Click, "r.csv"), "");
        QCOMPARE(rig.fake.files[u"r.csv"], kSaved.toStdString());
        // Loaded back, the cells show the numbers as saved; a cancelled or failed load changes nothing.
        QCOMPARE(rig.click(&Form1::Command4_Click, "r.csv") + rig.click(&Form1::Command4_Click, ""), "");
        QCOMPARE(rig.click(&Form1::Command4_Click, "none"),
            "ファイル「none」を読み込めませんでした。\n理由: ファイルが見つかりません。");
        QCOMPARE(rig.records(3), kExampleLoaded);
        QVERIFY(
            rig.dialogs.fileRequests[0].confirmOverwrite && !rig.dialogs.fileRequests[1].confirmOverwrite);
        QCOMPARE(QtNameFilters(rig.dialogs.fileRequests[1].filter), QStringList { "CSVファイル (*.csv)" });

        // No records: an empty file, whose load empties the grid and makes the load's button changes.
        rig.type({});
        QCOMPARE(rig.click(&Form1::Command3_Click, "r.csv"), "");
        QCOMPARE(rig.fake.files[u"r.csv"], "");
        rig.type({ "2004", "11", "4.2" });
        QCOMPARE(rig.click(&Form1::Command4_Click, "r.csv"), "");
        QCOMPARE(rig.records(1), "=0 =0 =0 12345789 0 0");

        // Other programs' fields show as written and store their value; only 35 records fit.
        rig.fake.files[u"o.csv"] = "abc, 04,12.50\r\n" + testing::recordsText(35);
        QCOMPARE(rig.click(&Form1::Command4_Click, "o.csv"),
            "ファイル「o.csv」には35件を超える記録があります。\n最初の35件だけを読み込みました。"
            "残りは読み込まれていません。");
        QVERIFY(rig.records(2).startsWith("abc=0 04=4 12.50=12.5 2004=2004 1=1 4.2=4.2 "));
        QVERIFY(rig.records(35).endsWith(" 2006=2006 10=10 37.2=37.2 12345789 35 105"));
        // Shift_JIS as the system decodes it; a lead byte without its second byte is not a character.
        QCOMPARE(QtFileSystem().DecodeShiftJis("\x82\x51\x82\x4f\x82\x53\x81\x44\x82\x51"), u"２０４．２");
        QVERIFY(!QtFileSystem().DecodeShiftJis("\x82\x51\x82"));
    }

    // A step that fails is reported, whichever it is; the file system then keeps the old file by itself.
    void saveFailingAtEveryStepIsReported()
    {
        Rig rig;
        rig.type(kExample);
        for (const Handler handler : { &Form1::Command2_Click, &Form1::Command3_Click }) {
            rig.fake.steps = rig.fake.failAtStep = 0;
            // Counts the steps of a save: opening, each write, the commit.
            QCOMPARE(rig.click(handler, "x"), "");
            const int steps = rig.fake.steps;
            QVERIFY(steps >= 3 && rig.fake.files[u"x"].size() > 3);
            for (rig.fake.failAtStep = 1; rig.fake.failAtStep <= steps; ++rig.fake.failAtStep) {
                rig.fake.steps = 0;
                QCOMPARE(rig.click(handler, "x"),
                    "ファイル「x」を保存できませんでした。\n理由: ディスクの空き容量が足りません。");
            }
        }
    }

    void filesOnDisk_data()
    {
        QTest::addColumn<OnDisk>("on");
        const QString regular = "保存先には通常のファイルを選んでください。",
                      denied = "アクセスする権限がありません。";
        const QString noFolder = "保存先のフォルダーが見つかりません。",
                      tooLarge = "ファイルの大きさの上限を超えました。";
        const QString system
            = "システムの内部の状態を表す特殊なファイルです（/proc や /sys の中のファイルなど）。";
        const QString planted = "共有のフォルダーにある、他の利用者が作ったシンボリックリンクです。"
                                "リンク先のファイルを守るため、保存しませんでした。";
        const auto row = [](const char *title, const OnDisk &on) { QTest::newRow(title) << on; };
        row("load, missing", { .command = 4, .name = "none", .reason = "ファイルが見つかりません。" });
        row("load, a folder", { .command = 4, .name = "sub", .reason = "ファイルではなくフォルダーです。" });
        for (const auto &[type, path] : systemFilesMounted())
            row(qPrintable("load from " + type + ": " + path),
                { .command = 4, .name = path, .reason = system });
        // Only regular files are replaced, in a folder that exists.
        row("data save, missing folder", { .name = "none/x", .reason = noFolder });
        row("data through a link into a missing folder", { .name = "dangling", .reason = noFolder });
        row("graph over a folder",
            { .command = 2, .name = "sub", .reason = "同じ名前のフォルダーがあります。" });
        row("data to a device", { .name = "device", .reason = "装置ファイルです。" + regular });
        row("graph to a block device",
            { .command = 2, .name = "block", .reason = "装置ファイルです。" + regular });
        row("graph to a named pipe",
            { .command = 2, .name = "pipe", .reason = "名前付きパイプです。" + regular });
        row("data to a socket", { .name = "socket", .reason = "ソケットです。" + regular });
        row("graph among a process's files",
            { .command = 2, .name = "/proc/self/g.bmp", .reason = system + regular });
        // Root replacing the file whole.
        row("data through a link to the file", { .name = "link", .replaced = true });
        row("file too large: the old file stays", { .reason = tooLarge, .limit = 16 });
        row("nobody's file: owner, group, mode, access list and user attribute kept",
            { .mode = 0640, .owner = "nobody:nogroup", .extra = "attributes", .replaced = true });
        row("the folder's default access list not added", { .extra = "default", .replaced = true });
        row("set-user and set-group bits dropped", { .mode = 06755, .replaced = true, .modeAfter = 0755 });
        row("a new file has what the umask gives", { .mode = -1, .replaced = true, .modeAfter = 0644 });
        row("a second hard link: written in place, both names see it", { .extra = "second" });
        row("a second hard link in a shared sticky folder: replaced whole",
            { .folder = 01777, .owner = "nobody:nogroup", .extra = "second", .replaced = true });
        // The user nobody, who cannot replace root's file whole.
        row("in place over a longer file", { .nobody = true, .mode = 0666, .old = QByteArray(500, 'x') });
        row("in place, write failing: old bytes back",
            { .reason = tooLarge, .nobody = true, .mode = 0666, .limit = 20 });
        row("no file yet in a folder of root's", { .reason = denied, .nobody = true, .mode = -1 });
        row("nobody's file of root's group: the group cannot be kept, written in place",
            { .folder = 0777, .nobody = true, .mode = 0664, .owner = "nobody:root" });
        row("nobody's read-only file is not replaced",
            { .reason = denied, .folder = 0777, .nobody = true, .mode = 0444, .owner = "nobody:nogroup" });
        // A link another user put in a shared folder such as /tmp must not have the program replace the file
        // it points at.
        row("another user's link in a shared sticky folder",
            { .name = "planted", .reason = planted, .folder = 01777 });
        row("the same as a folder on the way",
            { .name = "planted-folder/x", .reason = planted, .folder = 01777 });
        row("the saver's own link: followed",
            { .name = "planted", .folder = 01777, .nobody = true, .mode = 0666 });
        row("the folder owner's link: followed",
            { .name = "link", .folder = 01777, .nobody = true, .mode = 0666 });
        row("a folder that is not sticky: followed", { .name = "planted", .folder = 0777, .replaced = true });
        row("a sticky folder only its owner may write: followed",
            { .command = 2, .name = "planted-folder/x", .folder = 01755, .replaced = true });
    }

    // Whatever fails, the records, the old file and the folder stay as they were, with no temporary file
    // left; a file replaced whole keeps its owner, group, mode and attributes.
    void filesOnDisk()
    {
        QFETCH(OnDisk, on);
        if (::geteuid() != 0 || !::getpwnam("nobody") || !::getgrnam("nogroup"))
            QSKIP("Needs root, the user nobody and the group nogroup.");

        QTemporaryDir top;
        const QString folder = top.filePath("f"), x = folder + "/x", first = on.name.section('/', 0, 0);
        const QString path = on.name.startsWith('/') ? on.name : folder + "/" + on.name,
                      made = folder + "/" + first;
        QVERIFY(::chmod(encoded(top.path()), 0755) == 0 && QDir(top.path()).mkpath("f/sub"));
        QVERIFY(on.mode < 0 || makeFile(x, on.old, on.mode, on.owner));
        const std::map<QString, mode_t> nodes { { "device", S_IFCHR }, { "block", S_IFBLK },
            { "pipe", S_IFIFO }, { "socket", S_IFSOCK } };
        if (nodes.contains(first))
            QVERIFY(::mknod(encoded(made), nodes.at(first) | 0666, makedev(1, 3)) == 0);
        const std::map<QString, QByteArray> links { { "link", "x" }, { "dangling", "none/x" },
            { "planted", "x" }, { "planted-folder", "." } };
        if (links.contains(first))
            QVERIFY(::symlink(links.at(first), encoded(made)) == 0
                && (!first.startsWith("planted") || setOwner(made, "nobody:nogroup")));
        if (on.extra == "second")
            QVERIFY(::link(encoded(x), encoded(top.filePath("second"))) == 0);
        const auto set = [](const QString &file, const char *name, const QByteArray &value) {
            return ::setxattr(encoded(file), name, value.data(), std::size_t(value.size()), 0) == 0;
        };
        if (on.extra == "attributes"
                ? !set(x, "system.posix_acl_access", kAccessList) || !set(x, "user.psa", "kept")
                : on.extra == "default" && !set(folder, "system.posix_acl_default", kAccessList))
            QSKIP("The temporary folder's file system keeps no access lists or user attributes.");
        QVERIFY(::chmod(encoded(folder), mode_t(on.folder)) == 0);
        // Every name in the folder but "x", whose fate the row tells.
        const auto others = [&] {
            QList<QByteArray> names = rawEntries(encoded(folder));
            names.removeAll("x");
            return names;
        };
        const QList<QByteArray> listing = others();
        const QStringList attributes = attributesOf(x);
        struct stat before = {}, after = {};
        ::stat(encoded(x), &before);

        QtFileSystem disk;
        Rig rig(&disk);
        rig.type(kExample);
        const QString failed
            = on.command == 4 ? "」を読み込めませんでした。\n理由: " : "」を保存できませんでした。\n理由: ";
        QCOMPARE(clickInChild(rig, kCommands[on.command], path, on.limit, on.nobody),
            on.reason.isEmpty() ? "" : "ファイル「" + path + failed + on.reason);
        const QByteArray written
            = on.command == 3 ? kSaved : QByteArray::fromStdString(rig.picture.BitmapBytes());
        const QByteArray old = on.mode < 0 ? "(missing)" : on.old;
        QCOMPARE(contentsOf(x), on.reason.isEmpty() && on.command != 4 ? written : old);
        if (on.extra == "second")
            QCOMPARE(contentsOf(top.filePath("second")), on.replaced ? old : written);
        ::stat(encoded(x), &after); // left at 0 when nothing is there
        QCOMPARE(after.st_ino != before.st_ino, on.replaced);
        QVERIFY(after.st_uid == before.st_uid && after.st_gid == before.st_gid);
        QCOMPARE(after.st_mode & 07777, on.modeAfter < 0 ? before.st_mode & 07777 : mode_t(on.modeAfter));
        QCOMPARE(attributesOf(x), attributes);
        QCOMPARE(others(), listing);
        // The opened file is checked as well as the name.
        if (on.name == "pipe") {
            const FileDescriptor opened(::open(encoded(folder), O_PATH | O_DIRECTORY));
            QCOMPARE(OverwriteInPlace(opened.get(), "pipe", "new"), on.reason.toStdU16String());
        }
    }

    // A name that is no UTF-8 is saved, listed and loaded under exactly its bytes.
    void namesAreBytesOnDisk()
    {
        QTemporaryDir top;
        // 記録 in Shift_JIS; 0x4C and 0x5E inside it are ASCII.
        const QByteArray name = "\x8b\x4c\x98\x5e.csv", file = encoded(top.path()) + "/" + name;
        // QTemporaryDir cannot name it to remove it.
        const auto removeIt = qScopeGuard([&] { ::unlink(file.constData()); });
        const QString path = QString::fromStdU16String(PathFromNative(file.toStdString()));
        QtFileSystem disk;
        Rig rig(&disk);
        rig.type(kExample);
        QCOMPARE(rig.click(&Form1::Command3_Click, path), "");
        QCOMPARE(rawEntries(encoded(top.path())), QList<QByteArray> { name });
        rig.form.Command5_Click();
        QCOMPARE(rig.click(&Form1::Command4_Click, path), "");
        QCOMPARE(rig.records(3), kExampleLoaded);
    }

    // Whatever the system answers, the reason reads in Japanese: none of its English texts reaches a message.
    void everyReasonIsJapanese()
    {
        for (int error = 1; error < 134; ++error) {
            const QString reason = QString::fromStdU16String(ErrnoReason(error, u"書き込みに失敗しました"));
            QVERIFY2(!reason.contains(QRegularExpression("[A-Za-z]")) && reason.endsWith(u'。'),
                qPrintable(reason));
        }
    }

    void exportAndClearTheGraph()
    {
        // The example's three dates, every value 1.5, so that the segments run level through the markers.
        Rig rig;
        rig.type({ "2004", "11", "1.5", "2005", "2", "1.5", "2006", "11", "1.5" });
        const QImage graph = rig.picture.image().copy();
        // Each reference line is one crisp red pixel row across the plot.
        for (const double psa : { 0.2, 2.0 }) {
            const int row = pixelOf(0, yOfPsa(psa)).y();
            QVERIFY2(count(graph, QRect(0, row, 849, 1), isRed) > 700, qPrintable(QString::number(row)));
            QCOMPARE(
                count(graph, QRect(0, row - 1, 849, 3), isRed), count(graph, QRect(0, row, 849, 1), isRed));
        }
        // The left axis reaches from the top of the grid to below the bottom axis.
        const QPoint top = pixelOf(40, 550), foot = pixelOf(40, 20);
        QCOMPARE(count(graph, QRect(top, foot), isBlack), foot.y() - top.y() + 1);
        // The second marker is a ring of 5 horizontal units, 5 pixels, as many up as across.
        const QPoint centre = pixelOf(146.25, yOfPsa(1.5));
        for (const int ring : { centre.y() - 5, centre.y() + 5 })
            QVERIFY(isBlack(graph.pixel(centre.x(), ring))
                && count(graph, QRect(centre.x(), ring - 1, 1, 3), isBlack) == 1);
        // A number hangs below its position: " 1 " at (5, 255) leaves the margin above it blank.
        const QPoint label = pixelOf(5, 255);
        QCOMPARE(count(graph, QRect(label.x(), label.y() - 10, 24, 10), isBlack), 0);
        QVERIFY(count(graph, QRect(label.x(), label.y(), 24, 15), isBlack) > 0);
        // The drawing is kept from the first click on, even when the dialog is cancelled.
        QVERIFY(!rig.picture.autoRedraw());
        QCOMPARE(rig.click(&Form1::Command2_Click, ""), "");
        QVERIFY(rig.picture.autoRedraw() && rig.fake.steps == 0);
        // Saved twice under a name without ".bmp": the second replaces the first.
        QCOMPARE(rig.click(&Form1::Command2_Click, "graph") + rig.click(&Form1::Command2_Click, "graph"), "");
        QCOMPARE(rig.fake.files.size(), 1u);
        QCOMPARE(QImage::fromData(QByteArray::fromStdString(rig.fake.files[u"graph"]), "BMP"), graph);
        // Clearing keeps the records: the next draw gives the same picture.
        rig.form.Command9_Click();
        QCOMPARE(rig.picture.image(), ImageSurface().image());
        rig.form.Command1_Click();
        QCOMPARE(rig.picture.image(), graph);
    }

    void browsingNeverBlocks_data()
    {
        QTest::addColumn<QString>("folder"); // empty: a temporary folder with named pipes
        QTest::newRow("/proc, whose kmsg blocks a reader") << "/proc";
        QTest::newRow("/dev") << "/dev";
        QTest::newRow("named pipes, a PNG without extension") << QString();
    }

    void browsingNeverBlocks()
    {
        QFETCH(QString, folder);
        QTemporaryDir pipes;
        if (folder.isEmpty()) {
            folder = pipes.path();
            for (const char *name : { "pipe", "pipe.csv", "pipe.xyz" })
                QVERIFY(::mkfifo(QFile::encodeName(pipes.filePath(name)).constData(), 0666) == 0);
            QVERIFY(makeFile(
                pipes.filePath("picture"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 0644, {}));
        }

        {
            QtFileDialog shown(nullptr, FileDialogRequest::toLoad(u"CSVファイル|*.csv"));
            QFileDialog &dialog = shown.dialog();
            QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite));
            dialog.open();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            // Every entry listed, so that the model has a type for each.
            if (folder == pipes.path())
                dialog.setNameFilter("すべて (*)");
            // Typed as a user would: the completer and the list look into the folder as it is typed.
            QTest::keyClicks(dialog.findChild<QLineEdit *>("fileNameEdit"), folder + "/");
            QVERIFY2(longestPause(1500) < 1000, "the event loop paused for a second or more");

            if (folder == pipes.path()) {
                const auto *model = dialog.findChild<QFileSystemModel *>();
                // The type comes from the name: a PNG's first bytes would have made it an image.
                QTRY_COMPARE(model->type(model->index(pipes.filePath("picture"))), "ファイル");
            }
            dialog.reject();
        }
        // Closing the dialog waits for its file-information thread, which must not be stuck either.
        QVERIFY(longestPause(100) < 1000);
    }

    // A name is the bytes it was given, whether or not they are UTF-8, and those bytes come back unchanged.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese in UTF-8") << QByteArray("記録.csv") << u"記録.csv"_s;
        QTest::newRow("outside the first plane") << QByteArray("\xF0\x9F\x98\x80") << u"\U0001F600"_s;
        // 記録 in Shift_JIS: 8B 4C 98 5E; 0x4C and 0x5E are ASCII and stay themselves.
        QTest::newRow("Shift_JIS") << QByteArray("\x8B\x4C\x98\x5E.csv") << u"\xDC8BL\xDC98^.csv"_s;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << u"\xDCF4\xDC90\xDC80\xDC80"_s;
        QTest::newRow("lead byte at the end") << QByteArray("x\xC3") << u"x\xDCC3"_s;
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const std::u16string path = PathFromNative(bytes.toStdString());
        QCOMPARE(QString::fromStdU16String(path), shown);
        QCOMPARE(QByteArray::fromStdString(NativePath(path)), bytes);
    }

    // Every pair of bytes, which covers every lead and continuation byte next to every other byte; a lone
    // surrogate that stands for no byte is written as U+FFFD, not dropped.
    void everyByteSurvivesTheRoundTrip()
    {
        for (int pair = 0; pair < 0x10000; ++pair) {
            const std::string bytes { char(pair >> 8), char(pair), char(0x80), 'a' };
            QVERIFY2(NativePath(PathFromNative(bytes)) == bytes, qPrintable(QString::number(pair, 16)));
        }
        QCOMPARE(NativePath(std::u16string { u'a', 0xD800, u'b' }), std::string("a\xEF\xBF\xBD") + "b");
    }

    void writesStandardBitmap_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");

        QTest::newRow("the picture, 1 byte of padding") << QSize(849, 521) << 1.0;
        QTest::newRow("the picture at ratio 2") << QSize(849, 521) << 2.0;
        QTest::newRow("rows of 4 bytes, no padding") << QSize(4, 3) << 1.0;
        QTest::newRow("three pixels a row, 3 bytes of padding") << QSize(3, 2) << 1.0;
    }

    void writesStandardBitmap()
    {
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);

        psa::ImageSurface surface(size, ratio);
        // Colours that tell the byte order apart, a text's shades, and rows that differ from top to bottom.
        surface.Scale({ 0, 0 }, { 1, 1 });
        surface.Line({ 0, 0.1 }, { 1, 0.1 }, psa::kRed);
        surface.Line({ 0.5, 0 }, { 0.5, 1 }, psa::Colour { 0, 128, 255 });
        surface.Line({ 0, 0.9 }, { 0.9, 0 }, std::nullopt);
        surface.CurrentX(0.1);
        surface.CurrentY(0.4);
        surface.Print(12.5);

        QByteArray expected;
        QBuffer buffer(&expected);
        QVERIFY(surface.image().save(&buffer, "BMP"));
        QCOMPARE(QByteArray::fromStdString(surface.BitmapBytes()), expected);
    }
};

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
