// Saving as an ordinary user into folders and over files that someone else (root) owns: the save_as_user
// helper becomes the user "nobody" and clicks "データー保存" or "グラフ保存" through the real file system.
// Needs root to set the scene up; elsewhere it is skipped.

#include "support/save_rig.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSaveFailed = QStringLiteral("」を保存できませんでした。\n理由: ");

struct stat statusOf(const QString &path)
{
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        status.st_ino = 0;
    return status;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestSaveAsUser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void saveIntoSomeoneElsesFolder_data();
    void saveIntoSomeoneElsesFolder();
};

void TestSaveAsUser::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("Needs root: the test makes folders and files of root that the user nobody then saves into.");
    if (!::getpwnam("nobody"))
        QSKIP("There is no user nobody to save as.");
}

void TestSaveAsUser::saveIntoSomeoneElsesFolder_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("fileMode"); // -1: no file there yet
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QString>("sizeLimit");
    QTest::addColumn<QString>("reason"); // empty: saved
    QTest::addColumn<bool>("inPlace"); // the file kept its identity and owner

    const QByteArray kShort = "old\r\n", kLong = QByteArray(500, 'x');
    const QString noLimit, saved;
    const QString tooLarge = QStringLiteral("ファイルの大きさの上限を超えました。");
    const QString noPermission = QStringLiteral("アクセスする権限がありません。");
    QTest::newRow("records over a longer writable file in a folder of root's") //
        << "records" << 0755 << 0666 << kLong << noLimit << saved << true;
    QTest::newRow("bitmap over a writable file in a folder of root's") //
        << "bitmap" << 0755 << 0666 << kShort << noLimit << saved << true;
    QTest::newRow("shared sticky folder: rename over root's file refused, written in place") //
        << "records" << 01777 << 0666 << kShort << noLimit << saved << true;
    QTest::newRow("writable folder keeps the atomic replace") //
        << "records" << 0777 << 0666 << kShort << noLimit << saved << false;
    QTest::newRow("records in place, write failing: old bytes back") //
        << "records" << 0755 << 0666 << kShort << "20" << tooLarge << true;
    QTest::newRow("bitmap in place, write failing: old bytes back") //
        << "bitmap" << 0755 << 0666 << kShort << "1000" << tooLarge << true;
    QTest::newRow("file the user may not write, folder of root's") //
        << "records" << 0755 << 0644 << kShort << noLimit << noPermission << true;
    QTest::newRow("file the user may not write, writable folder") //
        << "records" << 0777 << 0644 << kShort << noLimit << noPermission << true;
    QTest::newRow("no file yet in a folder of root's: nothing to write in place") //
        << "records" << 0755 << -1 << QByteArray() << noLimit << noPermission << true;
}

void TestSaveAsUser::saveIntoSomeoneElsesFolder()
{
    QFETCH(QString, command);
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    QFETCH(QByteArray, old);
    QFETCH(QString, sizeLimit);
    QFETCH(QString, reason);
    QFETCH(bool, inPlace);

    QTemporaryDir top;
    const QString folder = top.filePath("shared");
    const QString path = folder + "/saved";
    QVERIFY(::chmod(QFile::encodeName(top.path()).constData(), 0755) == 0 && QDir().mkdir(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)) == 0);
    if (fileMode >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)) == 0);
    }
    const struct stat before = statusOf(path);

    QProcess helper;
    QStringList arguments { command, path };
    if (!sizeLimit.isEmpty())
        arguments << sizeLimit;
    helper.start(QStringLiteral(SAVE_AS_USER), arguments);
    QVERIFY(helper.waitForFinished(60000));
    QVERIFY2(helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0,
        helper.readAllStandardError().constData());
    const QString shown = QString::fromUtf8(helper.readAllStandardOutput());

    const struct stat after = statusOf(path);
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (reason.isEmpty()) {
        QCOMPARE(shown, "");
        if (command == "records") {
            QCOMPARE(contentsOf(path), QByteArray(psa::testing::kSavedRecords.data()));
        } else {
            const QImage saved = QImage::fromData(contentsOf(path), "BMP");
            QCOMPARE(saved.size(), psa::ImageSurface::kDefaultSize);
        }
        // In place: the same file, still root's with its permissions; atomically: a new file of the user's.
        QCOMPARE(after.st_ino == before.st_ino, inPlace);
        QCOMPARE(after.st_uid == 0, inPlace);
        QCOMPARE(after.st_mode & 07777, mode_t(fileMode));
    } else {
        QCOMPARE(shown, "ファイル「" + path + kSaveFailed + reason);
        QCOMPARE(contentsOf(path), fileMode < 0 ? QByteArray("(missing)") : old);
        QCOMPARE(after.st_ino, before.st_ino);
    }
    // No temporary file left behind.
    QCOMPARE(left, fileMode < 0 ? QStringList() : QStringList { "saved" });
}

QTEST_GUILESS_MAIN(TestSaveAsUser)
#include "test_save_as_user.moc"
