// The window's file commands against real files in temporary folders, for what only a real file system has:
// its failures, names that are not regular files, folders and files of root's that an ordinary user saves
// into, owners, permissions and attributes a replaced file keeps, symbolic links planted in shared folders,
// saves among the files of /proc (loads from /proc and /sys: export_files.sh), and names that are no UTF-8,
// which keep their bytes both ways. Whatever the system answers, the reason shown reads in Japanese.

#include "cross/file_system_cases.h"
#include "platform/qt/native_path.h"
#include "platform/qt/posix_files.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"
#include "support/example_records.h"
#include "support/form_rig.h"

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace psa;
using namespace psa::testing;
using namespace Qt::StringLiterals;
using Handler = void (Form1::*)();

namespace {

using Rig = FormRig<ImageSurface>;
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

// Whether `run`, in a child process with the umask 022 and as the user nobody if `asNobody`, returns
// `expected` within ten seconds; what it returned instead goes to standard error.
bool childReturns(const std::function<QString()> &run, bool asNobody, const QString &expected)
{
    const passwd *nobody = ::getpwnam("nobody");
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGALRM, SIG_DFL);
        ::alarm(10);
        ::umask(022);
        if (asNobody
            && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0
                || ::setuid(nobody->pw_uid) != 0))
            std::_Exit(2);
        const QString returned = run();
        if (returned != expected)
            std::fprintf(stderr, "Returned: \"%s\"\n", qPrintable(returned));
        std::_Exit(returned == expected ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

// An access list as the system keeps it: version 2, then (tag, permissions, id) entries in order of tag and
// id: the owner's read and write, read for the user of id 1, the group's read, the mask, nothing for others.
const QByteArray kAccessList = QByteArray::fromHex(
    "02000000 01000600ffffffff 0200040001000000 04000400ffffffff 10000400ffffffff 20000000ffffffff");

// A file command of the window on real files, clicked as root or as the user nobody in a temporary folder of
// root's: its folder "f" holds the folder "sub", the file "x" and what `name` needs.
struct OnDisk {
    int command = 3; // 2: save the graph, 3: save the data, 4: load
    // in "f", or from "/"; "device", "pipe" and "socket" are made as such; "link" and "planted"
    // are symbolic links to "x", "planted-folder" one to "f" itself, "null-link" one to /dev/null;
    // "planted" ones are nobody's
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
    bool replaced = false; // "x" is a new file afterwards, else the old one, written in place or untouched
    int modeAfter = -1; // of "x"; -1: as before
};

} // namespace

Q_DECLARE_METATYPE(OnDisk)

class TestFilesOnDisk : public QObject {
    Q_OBJECT

private slots:
    void filesOnDisk_data()
    {
        QTest::addColumn<OnDisk>("on");
        const QString regular = "保存先には通常のファイルを選んでください。",
                      denied = "アクセスする権限がありません。";
        const QString system
            = "システムの内部の状態を表す特殊なファイルです（/proc や /sys の中のファイルなど）。";
        const QString planted = "共有のフォルダーにある、他の利用者が作ったシンボリックリンクです。"
                                "リンク先のファイルを守るため、保存しませんでした。";
        const auto row = [](const char *title, const OnDisk &on) { QTest::newRow(title) << on; };
        // Only regular files are replaced, in a folder that exists.
        row("data to a device", { .name = "device", .reason = "装置ファイルです。" + regular });
        row("data through a link to a device",
            { .name = "null-link", .reason = "装置ファイルです。" + regular });
        row("graph to a named pipe",
            { .command = 2, .name = "pipe", .reason = "名前付きパイプです。" + regular });
        row("data to a socket", { .name = "socket", .reason = "ソケットです。" + regular });
        row("graph among a process's files",
            { .command = 2, .name = "/proc/self/g.bmp", .reason = system + regular });
        // Root replacing the file whole.
        row("nobody's file: owner, group, mode, access list and user attribute kept",
            { .mode = 0640, .owner = "nobody:nogroup", .extra = "attributes", .replaced = true });
        row("the folder's default access list not added", { .extra = "default", .replaced = true });
        row("set-user and set-group bits dropped", { .mode = 06755, .replaced = true, .modeAfter = 0755 });
        row("a new file has what the umask gives", { .mode = -1, .replaced = true, .modeAfter = 0644 });
        row("a second hard link in a shared sticky folder: replaced whole",
            { .folder = 01777, .owner = "nobody:nogroup", .extra = "second", .replaced = true });
        // The user nobody, who cannot replace root's file whole.
        row("in place over a longer file", { .nobody = true, .mode = 0666, .old = QByteArray(500, 'x') });
        row("no file yet in a folder of root's", { .reason = denied, .nobody = true, .mode = -1 });
        row("nobody's file of root's group: the group cannot be kept, written in place",
            { .folder = 0777, .nobody = true, .mode = 0664, .owner = "nobody:root" });
        // A link another user put in a shared folder such as /tmp must not have the program replace the file
        // it points at.
        row("another user's link to a folder on the way",
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
        if (QFile file(x); on.mode >= 0)
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(on.old) == on.old.size() && file.flush()
                && (on.owner.isEmpty() || setOwner(x, on.owner))
                && ::chmod(encoded(x), mode_t(on.mode)) == 0);
        const std::map<QString, mode_t> nodes { { "device", S_IFCHR }, { "pipe", S_IFIFO },
            { "socket", S_IFSOCK } };
        if (nodes.contains(first))
            QVERIFY(::mknod(encoded(made), nodes.at(first) | 0666, makedev(1, 3)) == 0);
        const std::map<QString, QByteArray> links { { "link", "x" }, { "planted", "x" },
            { "planted-folder", "." }, { "null-link", "/dev/null" } };
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
            QStringList names = QDir(folder).entryList(
                QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
            names.removeAll("x");
            return names;
        };
        const QStringList listing = others();
        const QStringList attributes = attributesOf(x);
        struct stat before = {}, after = {};
        ::stat(encoded(x), &before);

        QtFileSystem disk;
        Rig rig(&disk);
        rig.type(kExample);
        const QString failed
            = on.command == 4 ? "」を読み込めませんでした。\n理由: " : "」を保存できませんでした。\n理由: ";
        QVERIFY(childReturns([&] { return rig.click(kCommands[on.command], path); }, on.nobody,
            on.reason.isEmpty() ? "" : "ファイル「" + path + failed + on.reason));
        const QByteArray written
            = on.command == 3 ? kSaved : QByteArray::fromStdString(rig.picture.bitmapBytes().value());
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
            const Result<void> rewritten = overwriteInPlace(opened.get(), "pipe", "new");
            QCOMPARE(rewritten ? u"" : rewritten.reason(), on.reason.toStdU16String());
        }
    }

    // The cases every file system shares, run as an ordinary user would: as root, as the user nobody.
    void sharedCases_data()
    {
        QTest::addColumn<int>("index");
        for (std::size_t index = 0; index < fileSystemCases().size(); ++index)
            QTest::newRow(fileSystemCases()[index].name) << int(index);
    }

    void sharedCases()
    {
        QFETCH(int, index);
        const passwd *nobody = ::getpwnam("nobody");
        const bool root = ::geteuid() == 0;
        if (root && !nobody)
            QSKIP("Needs the user nobody.");
        QTemporaryDir top;
        QVERIFY(!root || ::chown(encoded(top.path()), nobody->pw_uid, nobody->pw_gid) == 0);
        const auto run = [&] {
            QtFileSystem disk;
            return QString::fromStdString(runFileSystemCase(
                disk, fileSystemCases()[std::size_t(index)], encoded(top.path()).toStdString()));
        };
        QVERIFY(childReturns(run, root, ""));
    }

    // A name is the bytes it was given, whether or not they are UTF-8, and those bytes come back unchanged:
    // UTF-8 is read as its characters, other bytes stand for themselves (記録 in Shift_JIS: 8B 4C 98 5E, of
    // which 0x4C and 0x5E are ASCII). Every pair of bytes before two continuation bytes covers every lead
    // byte next to every other byte, in sequences of each length; a lone surrogate that stands for no byte is
    // written as U+FFFD, not dropped.
    void namesKeepTheirBytes()
    {
        QCOMPARE(QString::fromStdU16String(
                     pathFromNative("記録\xF0\x9F\x98\x80 \x8B\x4C\x98\x5E \xF4\x90\x80\x80 x\xC3")),
            u"記録\U0001F600 \xDC8BL\xDC98^ \xDCF4\xDC90\xDC80\xDC80 x\xDCC3"_s);
        for (int pair = 0; pair < 0x10000; ++pair) {
            const std::string bytes { char(pair >> 8), char(pair), char(0x80), char(0x80) };
            QVERIFY2(nativePath(pathFromNative(bytes)) == bytes, qPrintable(QString::number(pair, 16)));
        }
        QCOMPARE(nativePath(std::u16string { u'a', 0xD800, u'b' }), std::string("a\xEF\xBF\xBD") + "b");
    }

    // Shift_JIS as the system decodes it; a lead byte without its second byte is not a character.
    void shiftJisAsTheSystemDecodesIt()
    {
        QCOMPARE(QtFileSystem().decodeShiftJis("\x82\x51\x82\x4f\x82\x53\x81\x44\x82\x51"), u"２０４．２");
        QVERIFY(!QtFileSystem().decodeShiftJis("\x82\x51\x82"));
    }

    // Whatever the system answers, the reason reads in Japanese: none of its English texts reaches a message.
    void everyReasonIsJapanese()
    {
        for (int error = 1; error < 134; ++error) {
            const QString reason = QString::fromStdU16String(errnoReason(error, u"書き込みに失敗しました"));
            QVERIFY2(!reason.contains(QRegularExpression("[A-Za-z]")) && reason.endsWith(u'。'),
                qPrintable(reason));
        }
    }
};

QTEST_MAIN(TestFilesOnDisk)
#include "test_files_on_disk.moc"
