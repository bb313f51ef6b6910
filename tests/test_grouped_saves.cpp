// Saves that wait for the disk together, on the real disk: no name changes before finish, every file is in
// place after it, a file reached by two names is written once, a file with a second hard link is rewritten
// at once, and nothing is left behind by saves never finished.

#include "platform/qt/posix_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace psa;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The folder's names, hidden ones too, sorted.
QStringList names(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

using State = GroupedSaves::Finished::State;

} // namespace

class TestGroupedSaves : public QObject {
    Q_OBJECT

private slots:
    // Saves to `targets` (names in a folder holding old.png, new content "n" + index), before finish and
    // after.
    void finishesTogether_data()
    {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("states");
        QTest::newRow("a new file and a replaced one") << QStringList { "a.png", "old.png" } << "old.png=old"
                                                       << "a.png=n0 old.png=n1"
                                                       << "PP";
        QTest::newRow("one new file by two names") << QStringList { "a.png", "./a.png" } << "old.png=old"
                                                   << "a.png=n0 old.png=old"
                                                   << "PS0";
        QTest::newRow("an old file by two names, then a third")
            << QStringList { "old.png", "sub/../old.png", "b.png" } << "old.png=old"
            << "b.png=n2 old.png=n0"
            << "PS0P";
        QTest::newRow("a file with a second hard link, rewritten at once")
            << QStringList { "linked.png" } << "linked.png=n0 old.png=old twin.png=n0"
            << "linked.png=n0 old.png=old twin.png=n0"
            << "P";
    }

    void finishesTogether()
    {
        QFETCH(QStringList, targets);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, states);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        put(folder.filePath(QStringLiteral("old.png")), "old");
        if (targets.contains(QStringLiteral("linked.png"))) {
            put(folder.filePath(QStringLiteral("linked.png")), "old");
            QCOMPARE(::link(QFile::encodeName(folder.filePath(QStringLiteral("linked.png"))).constData(),
                         QFile::encodeName(folder.filePath(QStringLiteral("twin.png"))).constData()),
                0);
        }
        // The folder's files and their contents; temporary files (hidden) only when `hidden`.
        const auto state = [&folder](bool hidden) {
            QStringList files;
            for (const QString &name : names(folder.path()))
                if (hidden || !name.startsWith(u'.'))
                    files << name + u'=' + QString::fromLatin1(contents(folder.filePath(name)));
            return files.join(u' ');
        };

        GroupedSaves saves;
        for (int i = 0; i < targets.size(); ++i)
            QVERIFY(saves.save(
                QFile::encodeName(folder.filePath(targets[i])).toStdString(), "n" + std::to_string(i)));
        QCOMPARE(saves.waiting(), std::size_t(targets.size()));
        // The new contents wait under hidden temporary names.
        QCOMPARE(state(false), before);

        const std::vector<GroupedSaves::Finished> finished = saves.finish();
        QString got;
        for (const GroupedSaves::Finished &save : finished)
            got += save.state == State::Placed ? QStringLiteral("P")
                : save.state == State::Failed  ? QStringLiteral("F")
                                               : QStringLiteral("S%1").arg(save.earlier);
        QCOMPARE(got, states);
        QCOMPARE(saves.waiting(), std::size_t(0));
        QCOMPARE(state(true), after);
    }

    // A save that cannot be made fails at once and waits for nothing; saves never finished leave the names
    // as they were and no temporary file.
    void leavesNothingUnfinished()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        put(folder.filePath(QStringLiteral("old.png")), "old");
        {
            GroupedSaves saves;
            QVERIFY(!saves.save(
                QFile::encodeName(folder.filePath(QStringLiteral("none/a.png"))).toStdString(), "n"));
            QVERIFY(
                saves.save(QFile::encodeName(folder.filePath(QStringLiteral("old.png"))).toStdString(), "n"));
            QVERIFY(
                saves.save(QFile::encodeName(folder.filePath(QStringLiteral("a.png"))).toStdString(), "n"));
            QCOMPARE(saves.waiting(), std::size_t(2));
        }
        QCOMPARE(names(folder.path()), QStringList { QStringLiteral("old.png") });
        QCOMPARE(contents(folder.filePath(QStringLiteral("old.png"))), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestGroupedSaves)
#include "test_grouped_saves.moc"
