// Saves that wait for the disk together, on the real disk: a save that cannot be made fails at once, saves
// never finished leave the names as they were and no temporary file, no name changes before finish, every
// file is in place after it, a file reached by two names is written once, and a file with a second hard
// link is rewritten at once.

#include "platform/qt/posix_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace psa;

class TestGroupedSaves : public QObject {
    Q_OBJECT

private slots:
    void finishesTogether()
    {
        QTemporaryDir folder;
        const auto path
            = [&folder](const char *name) { return QFile::encodeName(folder.filePath(name)).toStdString(); };
        // The folder's files and their contents, sorted, the hidden temporary files among them.
        const auto state = [&folder] {
            QStringList files;
            for (const QString &name :
                QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
                QFile file(folder.filePath(name));
                files << name + '='
                        + QString::fromLatin1(file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
            }
            return files.join(' ');
        };
        QVERIFY(QDir(folder.path()).mkdir("sub"));
        for (const char *name : { "old.png", "linked.png" }) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        }
        QCOMPARE(::link(path("linked.png").c_str(), path("twin.png").c_str()), 0);
        {
            GroupedSaves unfinished;
            QVERIFY(unfinished.save(path("old.png"), "x") && unfinished.save(path("a.png"), "x"));
        }
        QCOMPARE(state(), "linked.png=old old.png=old twin.png=old");

        GroupedSaves saves;
        QVERIFY(!saves.save(path("none/a.png"), "n"));
        const std::vector<const char *> targets { "old.png", "sub/../old.png", "new.png", "linked.png" };
        for (std::size_t i = 0; i < targets.size(); ++i)
            QVERIFY(saves.save(path(targets[i]), "n" + std::to_string(i)));
        QCOMPARE(saves.waiting(), targets.size());
        // The new contents wait under hidden names, but for the file with a second hard link: a rename would
        // part it from its twin, so it is rewritten at once.
        QCOMPARE(
            state().remove(QRegularExpression("(?<!\\S)\\.\\S* ")), "linked.png=n3 old.png=old twin.png=n3");

        QString got;
        for (const FinishedSave &save : saves.finish())
            got += QString("PFS"[int(save.state)]) + (save.earlier ? QString::number(save.earlier) : "");
        QCOMPARE(got, "PSPP");
        QCOMPARE(saves.waiting(), std::size_t(0));
        QCOMPARE(state(), "linked.png=n3 new.png=n2 old.png=n0 twin.png=n3");
    }
};

QTEST_GUILESS_MAIN(TestGroupedSaves)
#include "test_grouped_saves.moc"
