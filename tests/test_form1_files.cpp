// The file commands of the window: with the in-memory file system, and against real files in a temporary
// folder for the failures that only a real file system has.

#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"
#include "support/form_rig.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace psa;
using Handler = void (Form1::*)();

namespace {

using Rig = testing::FormRig<ImageSurface>;
const QStringList kExample { "2004", "11", "4.2", "2005", "03", "12.50", "2005", "9", "8.75" };
const Handler kCommands[]
    = { nullptr, nullptr, &Form1::Command2_Click, &Form1::Command3_Click, &Form1::Command4_Click };

} // namespace

class TestForm1Files : public QObject {
    Q_OBJECT

private slots:
    void saveAndLoad();
    void saveFailingAtEveryStepKeepsTheOldFile_data();
    void saveFailingAtEveryStepKeepsTheOldFile();
    void failuresOnDiskChangeNothing_data();
    void failuresOnDiskChangeNothing();
    void exportAndClearTheGraph();
};

void TestForm1Files::saveAndLoad()
{
    Rig rig;
    rig.fake.files[u"r.csv"] = "old";
    rig.type(kExample);
    QCOMPARE(rig.click(&Form1::Command3_Click, "r.csv"), "");
    QCOMPARE(rig.fake.files[u"r.csv"], " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n");
    // Loaded back, the cells show the numbers as saved.
    QCOMPARE(rig.click(&Form1::Command4_Click, "r.csv"), "");
    QCOMPARE(rig.records(3),
        "2004=2004 11=11 4.2=4.2 2005=2005 3=3 12.5=12.5 2005=2005 9=9 8.75=8.75 12345789 3 9");
    QVERIFY(rig.dialogs.fileRequests[0].confirmOverwrite && !rig.dialogs.fileRequests[1].confirmOverwrite);
    QCOMPARE(QtNameFilters(rig.dialogs.fileRequests[1].filter), QStringList { "CSVファイル (*.csv)" });

    // No records: an empty file, whose load empties the grid and makes the load's button changes.
    rig.type({});
    QCOMPARE(rig.click(&Form1::Command3_Click, "r.csv"), "");
    QCOMPARE(rig.fake.files[u"r.csv"], "");
    rig.type({ "2004", "11", "4.2" });
    QCOMPARE(rig.click(&Form1::Command4_Click, "r.csv"), "");
    QCOMPARE(rig.records(1), "=0 =0 =0 12345789 0 0");

    // Other programs' fields show as written and store their value; only 35 records fit.
    std::string &other = rig.fake.files[u"o.csv"] = "abc, 04,12.50\r\n";
    for (int year = 2002; year <= 2036; ++year)
        other += std::to_string(year) + ",1,1\r\n";
    QCOMPARE(rig.click(&Form1::Command4_Click, "o.csv"),
        "ファイル「o."
        "csv」には35件を超える記録があります。\n最初の35件だけを読み込みました。残りは読み込まれていません"
        "。");
    QVERIFY(rig.records(2).startsWith("abc=0 04=4 12.50=12.5 2002=2002 1=1 1=1 "));
    QVERIFY(rig.records(35).endsWith(" 2035=2035 1=1 1=1 12345789 35 105"));
}

void TestForm1Files::saveFailingAtEveryStepKeepsTheOldFile_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("data save") << 3;
    QTest::newRow("graph save") << 2;
}

void TestForm1Files::saveFailingAtEveryStepKeepsTheOldFile()
{
    QFETCH(int, command);
    const Handler handler = kCommands[command];
    Rig rig;
    rig.type(kExample);
    QCOMPARE(rig.click(handler, "x"), ""); // counts the steps of a save: opening, each write, the commit
    const int steps = rig.fake.steps;
    QVERIFY(steps >= 3 && rig.fake.files[u"x"].size() > 3);
    for (rig.fake.failAtStep = 1; rig.fake.failAtStep <= steps; ++rig.fake.failAtStep) {
        rig.fake.files[u"x"] = "old";
        rig.fake.steps = 0;
        QCOMPARE(rig.click(handler, "x"),
            "ファイル「x」を保存できませんでした。\n理由: ディスクの空き容量が足りません。");
        QCOMPARE(rig.fake.files[u"x"], "old");
    }
}

void TestForm1Files::failuresOnDiskChangeNothing_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("name"); // in a folder holding the folder "folder" and the file "x"
    QTest::addColumn<QString>("message"); // after "ファイル「<path>」を"
    const QString load = "読み込めませんでした。\n理由: ", save = "保存できませんでした。\n理由: ";
    QTest::newRow("load cancelled") << 4 << ""
                                    << "";
    QTest::newRow("load, missing") << 4 << "missing" << load + "ファイルが見つかりません。";
    QTest::newRow("load, a folder") << 4 << "folder" << load + "ファイルではなくフォルダーです。";
    QTest::newRow("load, not a record file")
        << 4 << "x" << load + "PSAのデーターファイルではありません（文字コードを判別できません）。";
    QTest::newRow("data save, missing folder")
        << 3 << "none/x" << save + "保存先のフォルダーが見つかりません。";
    QTest::newRow("graph save over a folder") << 2 << "folder" << save + "同じ名前のフォルダーがあります。";
    // Writes beyond 16 bytes fail.
    QTest::newRow("data save, file too large") << 3 << "x" << save + "ファイルの大きさの上限を超えました。";
    QTest::newRow("graph save, file too large") << 2 << "x" << save + "ファイルの大きさの上限を超えました。";
}

void TestForm1Files::failuresOnDiskChangeNothing()
{
    QFETCH(int, command);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QByteArray latin1 = "J\xFCrgen,1,2\r\n"; // a record neither in UTF-8 nor in Shift_JIS
    std::signal(SIGXFSZ, SIG_IGN); // the size limit fails writes with EFBIG instead of ending the program
    rlimit normal {};
    getrlimit(RLIMIT_FSIZE, &normal);
    rlimit small = normal;
    small.rlim_cur = 16;
    QtFileSystem disk;
    Rig rig(&disk);
    QTemporaryDir dir;
    QFile old(dir.filePath("x"));
    QVERIFY(QDir(dir.path()).mkdir("folder") && old.open(QIODevice::WriteOnly) && old.write(latin1) == 12);
    old.close();
    rig.type(kExample);
    const QString before = rig.records(35), path = name.isEmpty() ? "" : dir.filePath(name);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString shown = rig.click(kCommands[command], path);
    setrlimit(RLIMIT_FSIZE, &normal);
    QCOMPARE(shown, message.isEmpty() ? "" : "ファイル「" + path + "」を" + message);
    QCOMPARE(rig.records(35), before);
    // The old file intact, and no temporary file left behind.
    QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == latin1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(' '),
        "folder x");
    QCOMPARE(QtFileSystem().DecodeShiftJis("\x82\x51\x82\x4f\x82\x53\x81\x44\x82\x51"), u"２０４．２");
}

void TestForm1Files::exportAndClearTheGraph()
{
    Rig rig;
    rig.type({ "2004", "11", "4.2", "2005", "3", "12.5", "2006", "9", "0.05" });
    const QImage graph = rig.picture.image().copy();
    QVERIFY(graph != ImageSurface().image());
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
    QVERIFY(!rig.window.button(Button::Command2).enabled && !rig.window.button(Button::Command9).enabled);
    rig.form.Command1_Click();
    QCOMPARE(rig.picture.image(), graph);
}

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
