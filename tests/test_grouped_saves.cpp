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

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::string pathIn(const QTemporaryDir &folder, const char *name)
{
    return QFile::encodeName(folder.filePath(QString::fromLatin1(name))).toStdString();
}

// The folder's files and their contents, sorted; the hidden temporary files only when `hidden`.
QString state(const QTemporaryDir &folder, bool hidden)
{
    QStringList files;
    for (const QString &name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(folder.filePath(name));
        if ((hidden || !name.startsWith(u'.')) && file.open(QIODevice::ReadOnly))
            files << name + u'=' + QString::fromLatin1(file.readAll());
    }
    return files.join(u' ');
}

} // namespace

class TestGroupedSaves : public QObject {
    Q_OBJECT

private slots:
    void finishesTogether()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        put(folder.filePath(QStringLiteral("old.png")), "old");
        put(folder.filePath(QStringLiteral("linked.png")), "old");
        QCOMPARE(::link(pathIn(folder, "linked.png").c_str(), pathIn(folder, "twin.png").c_str()), 0);

        GroupedSaves saves;
        const std::vector<const char *> targets { "old.png", "sub/../old.png", "new.png", "linked.png" };
        for (std::size_t i = 0; i < targets.size(); ++i)
            QVERIFY(saves.save(pathIn(folder, targets[i]), "n" + std::to_string(i)));
        QCOMPARE(saves.waiting(), targets.size());
        // The new contents wait under hidden names, but for the file with a second hard link: a rename would
        // part it from its twin, so it is rewritten at once.
        QCOMPARE(state(folder, false), QStringLiteral("linked.png=n3 old.png=old twin.png=n3"));

        QString got;
        for (const FinishedSave &save : saves.finish())
            got += save.state == FinishedSave::State::Placed ? QStringLiteral("P")
                : save.state == FinishedSave::State::Failed  ? QStringLiteral("F")
                                                             : QStringLiteral("S%1").arg(save.earlier);
        QCOMPARE(got, QStringLiteral("PS0PP"));
        QCOMPARE(saves.waiting(), std::size_t(0));
        QCOMPARE(state(folder, true), QStringLiteral("linked.png=n3 new.png=n2 old.png=n0 twin.png=n3"));
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
            QVERIFY(!saves.save(pathIn(folder, "none/a.png"), "n"));
            QVERIFY(saves.save(pathIn(folder, "old.png"), "n"));
            QVERIFY(saves.save(pathIn(folder, "a.png"), "n"));
            QCOMPARE(saves.waiting(), std::size_t(2));
        }
        QCOMPARE(state(folder, true), QStringLiteral("old.png=old"));
    }
};

QTEST_GUILESS_MAIN(TestGroupedSaves)
#include "test_grouped_saves.moc"
