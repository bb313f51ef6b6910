// "データー保存" and "グラフ保存" aimed at names that are not regular files: a device, a named pipe and a
// socket are refused and stay what they were; a symbolic link is written through to its target.

#include "support/save_rig.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using psa::Form1;
using Handler = psa::testing::SaveRig::Handler;

Q_DECLARE_METATYPE(Handler)

namespace {

// Makes `kind` at `path`: "device" (a copy of /dev/null), "pipe", "socket", or "link" to a file "target"
// beside it holding "old". Returns false when it could not.
bool make(const QString &kind, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == "device")
        return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (kind == "pipe")
        return ::mkfifo(name.constData(), 0666) == 0;
    if (kind == "socket") {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (name.size() >= qsizetype(sizeof address.sun_path))
            return false;
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound
            = socket >= 0 && ::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        if (socket >= 0)
            ::close(socket);
        return bound;
    }
    QFile target(QFileInfo(path).dir().filePath("target"));
    return target.open(QIODevice::WriteOnly) && target.write("old") == 3 && target.flush()
        && QFile::link("target", path);
}

struct stat linkStatusOf(const QString &path)
{
    struct stat status { };
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

} // namespace

class TestSaveEdges : public QObject {
    Q_OBJECT

private slots:
    void onlyRegularFilesAreReplaced_data();
    void onlyRegularFilesAreReplaced();
};

void TestSaveEdges::onlyRegularFilesAreReplaced_data()
{
    QTest::addColumn<Handler>("handler");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: written through

    const Handler records = &Form1::Command3_Click, bitmap = &Form1::Command2_Click;
    const QString device = "装置ファイルです。保存先には通常のファイルを選んでください。";
    const QString pipe = "名前付きパイプです。保存先には通常のファイルを選んでください。";
    const QString socket = "ソケットです。保存先には通常のファイルを選んでください。";
    QTest::newRow("records to a device") << records << "device" << device;
    QTest::newRow("bitmap to a device") << bitmap << "device" << device;
    QTest::newRow("records to a named pipe") << records << "pipe" << pipe;
    QTest::newRow("bitmap to a named pipe") << bitmap << "pipe" << pipe;
    QTest::newRow("records to a socket") << records << "socket" << socket;
    QTest::newRow("bitmap to a socket") << bitmap << "socket" << socket;
    QTest::newRow("records through a link") << records << "link" << QString();
    QTest::newRow("bitmap through a link") << bitmap << "link" << QString();
}

void TestSaveEdges::onlyRegularFilesAreReplaced()
{
    QFETCH(Handler, handler);
    QFETCH(QString, kind);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString path = dir.filePath("chosen");
    if (kind == "device" && ::geteuid() != 0)
        QSKIP("Making a device file needs root.");
    QVERIFY(make(kind, path));
    const struct stat before = linkStatusOf(path);

    psa::testing::SaveRig rig;
    const QString shown = rig.save(handler, path);

    const struct stat after = linkStatusOf(path);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_rdev, before.st_rdev);
    if (reason.isEmpty()) {
        QCOMPARE(shown, "");
        QFile target(dir.filePath("target"));
        QVERIFY(target.open(QIODevice::ReadOnly));
        const QByteArray written = target.readAll();
        if (handler == &Form1::Command3_Click)
            QCOMPARE(written, QByteArray(psa::testing::kSavedRecords.data()));
        else
            QCOMPARE(
                QImage::fromData(written, "BMP"), rig.surface.image().convertToFormat(QImage::Format_RGB32));
    } else {
        QCOMPARE(shown, "ファイル「" + path + "」を保存できませんでした。\n理由: " + reason);
    }
    // Nothing else was made beside it.
    const QStringList expected
        = reason.isEmpty() ? QStringList { "chosen", "target" } : QStringList { "chosen" };
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden),
        expected);
}

QTEST_MAIN(TestSaveEdges)
#include "test_save_edges.moc"
