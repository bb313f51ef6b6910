// The file commands of the window against real files in a temporary folder: saving and loading records,
// loads that must change nothing, writes that must keep the old file, clearing and exporting the graph.

#include "app/form1.h"
#include "platform/qt_files.h"
#include "platform/qt_surface.h"
#include "records/cells.h"
#include "support/fake_dialogs.h"
#include "support/fake_window.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace psa;
using psa::testing::FakeDialogs;
using psa::testing::FakeWindow;

namespace {

const QByteArray kWorkedExample = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n";

struct Rig {
    Rig()
    {
        window.onCellChanged = [this](int index) { form.Text1_Change(index); };
        form.Form_Load();
    }

    std::u16string path(const QString &name) const { return dir.filePath(name).toStdU16String(); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const QString &name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Types the records as a user would: start input, type each cell, end input.
    void typeRecords(const QStringList &cells)
    {
        form.Command5_Click();
        for (int i = 0; i < cells.size(); ++i)
            window.type(i + 1, cells[i].toStdU16String());
        form.Command6_Click();
    }
    void load(const QString &name)
    {
        dialogs.fileNames.push_back(path(name));
        form.Command4_Click();
    }
    QStringList cellTexts(int count = kCellCount) const
    {
        QStringList texts;
        for (int i = 1; i <= count; ++i)
            texts << QString::fromStdU16String(window.CellText(i));
        return texts;
    }
    // Everything a load may change, in a form that QCOMPARE can show.
    QStringList state() const
    {
        QStringList all = cellTexts();
        const Records &records = form.records();
        for (int row = 1; row <= RecordTable::kRows; ++row)
            for (int column = 1; column <= RecordTable::kColumns; ++column)
                all << QString::number(records.RecordTable.at(row, column), 'g', 17);
        all << QString::number(records.RecordCount) << QString::number(records.LastCellIndex)
            << QString::number(records.MonthSpan) << QString::number(records.InputRow);
        for (int b = 1; b <= 9; ++b) {
            const auto &button = window.button(Button(b));
            all << QStringLiteral("Command%1 %2 %3").arg(b).arg(button.enabled).arg(button.backColor.blue);
        }
        return all;
    }
    QString message() const
    {
        return dialogs.messages.empty() ? QString()
                                        : QString::fromStdU16String(dialogs.messages.back().prompt);
    }
    std::vector<double> row(int r) const
    {
        const RecordTable &table = form.records().RecordTable;
        return { table.at(r, 1), table.at(r, 2), table.at(r, 3) };
    }

    QTemporaryDir dir;
    FakeWindow window;
    ImageSurface surface;
    FakeDialogs dialogs;
    QtFileSystem files;
    Form1 form { window, surface, dialogs, files };
};

// Everything else in the folder than the expected names: a temporary file left behind shows up here.
QStringList entries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Writes beyond `bytes` fail with EFBIG instead of killing the process, until the object goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
};

QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestForm1Files : public QObject {
    Q_OBJECT

private slots:
    void saveAndLoadBack();
    void loadedFieldsShowAsReadAndStoreVal_data();
    void loadedFieldsShowAsReadAndStoreVal();
    void noRecordsSaveAnEmptyFileThatLoads();
    void failedLoadChangesNothing_data();
    void failedLoadChangesNothing();
    void moreThan35RecordsLoadTheFirst35();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void bitmapExportShowsTheSurface();
    void clearingKeepsTheRecordsForTheNextGraph();
};

void TestForm1Files::saveAndLoadBack()
{
    Rig rig;
    rig.typeRecords({ "2004", "11", "4.2", "2005", "03", "12.50", "2005", "9", "8.75" });
    rig.dialogs.fileNames.push_back(rig.path("records.csv"));
    rig.form.Command3_Click();
    QCOMPARE(rig.read("records.csv"), kWorkedExample);
    QCOMPARE(rig.dialogs.fileRequests.back().filter, u"CSVファイル|*.csv");
    QVERIFY(rig.dialogs.fileRequests.back().confirmOverwrite);

    // Something else on screen, then the file again: every row of it comes back, nothing of the rest stays.
    rig.typeRecords({ "1999", "1", "1", "1999", "2", "2", "1999", "3", "3", "1999", "4", "4" });
    rig.window.buttonLog.clear();
    rig.load("records.csv");
    QVERIFY(rig.dialogs.messages.empty());
    QVERIFY(!rig.dialogs.fileRequests.back().confirmOverwrite);
    QCOMPARE(rig.dialogs.fileRequests.back().filter, u"CSVファイル|*.csv");
    QCOMPARE(rig.cellTexts(12),
        QStringList({ "2004", "11", "4.2", "2005", "3", "12.5", "2005", "9", "8.75", "", "", "" }));
    QCOMPARE(rig.row(1), std::vector<double>({ 2004, 11, 4.2 }));
    QCOMPARE(rig.row(3), std::vector<double>({ 2005, 9, 8.75 }));
    QCOMPARE(rig.row(4), std::vector<double>({ 0, 0, 0 }));
    QCOMPARE(rig.form.records().RecordCount, 3);
    QCOMPARE(rig.form.records().LastCellIndex, 9);

    // The load's button update, in order, after the grid has been filled.
    QStringList log;
    for (const auto &operation : rig.window.buttonLog)
        log << QStringLiteral("%1%2")
                   .arg(int(operation.button))
                   .arg(operation.isEnabled ? (operation.enabled ? "+" : "-") : "c");
    QCOMPARE(log, QStringList({ "1+", "1c", "3+", "3c", "8+", "8c", "6-", "6c" }));
    QCOMPARE(rig.window.button(Button::Command6).backColor, kUnavailableBackColor);
    QCOMPARE(rig.window.button(Button::Command8).backColor, kAvailableBackColor);
}

void TestForm1Files::loadedFieldsShowAsReadAndStoreVal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<std::vector<double>>("values");
    QTest::newRow("not a number") << QByteArray("abc, 04,12.50\r\n") << QStringList { "abc", "04", "12.50" }
                                  << std::vector<double> { 0, 4, 12.5 };
    QTest::newRow("Shift_JIS full-width digits")
        << QByteArray("\x82\x51\x82\x4f\x82\x4f\x82\x53,\x82\x50\x82\x50,\x82\x53\x81\x44\x82\x51\r\n")
        << QStringList { "２００４", "１１", "４．２" } << std::vector<double> { 2004, 11, 4.2 };
    QTest::newRow("UTF-8 with mark, quoted, LF")
        << QByteArray("\xEF\xBB\xBF\"2004\",\"11\",\"4.2 μg/L\"\n")
        << QStringList { "2004", "11", "4.2 μg/L" } << std::vector<double> { 2004, 11, 4.2 };
}

void TestForm1Files::loadedFieldsShowAsReadAndStoreVal()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, cells);
    QFETCH(std::vector<double>, values);
    Rig rig;
    rig.write("other.csv", bytes);
    rig.load("other.csv");
    QCOMPARE(rig.message(), QString());
    QCOMPARE(rig.cellTexts(3), cells);
    QCOMPARE(rig.row(1), values);
    QCOMPARE(rig.form.records().RecordCount, 1);
}

void TestForm1Files::noRecordsSaveAnEmptyFileThatLoads()
{
    Rig rig;
    rig.typeRecords({});
    rig.write("empty.csv", "old contents");
    rig.dialogs.fileNames.push_back(rig.path("empty.csv"));
    rig.form.Command3_Click();
    QCOMPARE(rig.read("empty.csv"), QByteArray(""));

    rig.typeRecords({ "2004", "11", "4.2" });
    rig.load("empty.csv");
    QCOMPARE(rig.cellTexts(3), QStringList({ "", "", "" }));
    QCOMPARE(rig.row(1), std::vector<double>({ 0, 0, 0 }));
    QCOMPARE(rig.form.records().RecordCount, 0);
    QCOMPARE(rig.form.records().LastCellIndex, 0);
    QVERIFY(rig.window.button(Button::Command1).enabled && rig.window.button(Button::Command3).enabled);
    QVERIFY(rig.window.button(Button::Command8).enabled && !rig.window.button(Button::Command6).enabled);
}

void TestForm1Files::failedLoadChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // empty: no message at all
    QTest::newRow("cancelled") << QString() << QString();
    QTest::newRow("missing file") << "missing.csv"
                                  << "ファイルが見つかりません。";
    QTest::newRow("a folder") << "folder.csv"
                              << "ファイルではなくフォルダーです。";
    QTest::newRow("binary bytes") << "binary.csv"
                                  << "文字ではないバイトを含みます";
    QTest::newRow("an endless field") << "letters.csv"
                                      << "長すぎる項目があります";
    QTest::newRow("not a known encoding") << "latin1.csv"
                                          << "文字コードを判別できません";
}

void TestForm1Files::failedLoadChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    Rig rig;
    QVERIFY(QDir(rig.dir.path()).mkdir("folder.csv"));
    rig.write("binary.csv", QByteArray("2004,11,4.2\r\n\x7f\x45\x4c\x46\x02\x01\x01\x00", 21));
    rig.write("letters.csv", QByteArray(100000, 'A'));
    rig.write("latin1.csv", "2004,11,4.2\r\nJ\xFCrgen,1,2\r\n");

    // Typed records, a graph drawn, input still open: all of it must survive.
    rig.typeRecords({ "2004", "11", "4.2", "2005", "3", "12.5" });
    rig.form.Command1_Click();
    rig.form.Command8_Click();
    rig.window.type(7, u"2006");
    const QStringList before = rig.state();
    const QImage picture = rig.surface.image().copy();

    rig.dialogs.fileNames.push_back(name.isEmpty() ? u"" : rig.path(name));
    rig.form.Command4_Click();

    QCOMPARE(rig.state(), before);
    QCOMPARE(rig.surface.image(), picture);
    if (reason.isEmpty()) {
        QVERIFY(rig.dialogs.messages.empty());
        return;
    }
    QCOMPARE(rig.dialogs.messages.size(), 1u);
    QVERIFY2(rig.message().startsWith(
                 "ファイル「" + QString::fromStdU16String(rig.path(name)) + "」を読み込めませんでした。"),
        qPrintable(rig.message()));
    QVERIFY2(rig.message().contains(reason), qPrintable(rig.message()));
}

void TestForm1Files::moreThan35RecordsLoadTheFirst35()
{
    Rig rig;
    QByteArray bytes;
    for (int i = 1; i <= 40; ++i)
        bytes += QByteArray::number(2000 + i) + ",1," + QByteArray::number(i) + "\r\n";
    rig.write("long.csv", bytes);
    rig.load("long.csv");

    QCOMPARE(rig.form.records().RecordCount, 35);
    QCOMPARE(rig.form.records().LastCellIndex, 105);
    QCOMPARE(rig.cellTexts().mid(102), QStringList({ "2035", "1", "35" }));
    QCOMPARE(rig.form.records().RecordTable.at(36, 1), 0.0);
    QCOMPARE(rig.dialogs.messages.size(), 1u);
    QVERIFY2(rig.message().contains(QString::fromStdU16String(rig.path("long.csv")))
            && rig.message().contains("最初の35件だけを読み込みました"),
        qPrintable(rig.message()));
    QVERIFY(rig.window.button(Button::Command1).enabled);
}

void TestForm1Files::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sizeLimit");
    QTest::addColumn<bool>("bitmap");
    QTest::addColumn<QString>("reason");
    for (const bool bitmap : { false, true }) {
        const char *what = bitmap ? "bitmap" : "records";
        QTest::addRow("%s: missing folder", what)
            << "none/x.csv" << false << bitmap << "保存先のフォルダーが見つかりません。";
        QTest::addRow("%s: folder in the file's place", what)
            << "folder.csv" << false << bitmap << "同じ名前のフォルダーがあります。";
        QTest::addRow("%s: file-size limit", what)
            << "x.csv" << true << bitmap << "ファイルの大きさの上限を超えました。";
    }
}

void TestForm1Files::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(bool, sizeLimit);
    QFETCH(bool, bitmap);
    QFETCH(QString, reason);
    Rig rig;
    QVERIFY(QDir(rig.dir.path()).mkdir("folder.csv"));
    const QByteArray old = "1999, 1, 1\r\n";
    rig.write("x.csv", old);
    QStringList cells;
    for (int i = 1; i <= 35; ++i)
        cells << QString::number(2000 + i) << "12"
              << "1234.5678";
    rig.typeRecords(cells);
    rig.form.Command1_Click();
    const QStringList before = rig.state();
    const QStringList folder = entries(rig.dir);

    rig.dialogs.fileNames.push_back(rig.path(name));
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit)
            limit.emplace(64);
        bitmap ? rig.form.Command2_Click() : rig.form.Command3_Click();
    }

    QCOMPARE(rig.dialogs.messages.size(), 1u);
    QCOMPARE(rig.message(),
        "ファイル「" + QString::fromStdU16String(rig.path(name))
            + "」を保存できませんでした。\n理由: " + reason);
    QCOMPARE(rig.read("x.csv"), old);
    QVERIFY(QFileInfo(rig.dir.filePath("folder.csv")).isDir());
    QCOMPARE(entries(rig.dir), folder);
    QCOMPARE(rig.state(), before);
}

void TestForm1Files::bitmapExportShowsTheSurface()
{
    Rig rig;
    rig.typeRecords({ "2004", "11", "4.2", "2005", "3", "12.5", "2006", "9", "0.05" });
    rig.form.Command1_Click();
    const QStringList before = rig.state();

    // The drawing is kept from the first click on, even when the dialog is cancelled.
    QVERIFY(!rig.surface.autoRedraw());
    rig.dialogs.fileNames.push_back(u"");
    rig.form.Command2_Click();
    QVERIFY(rig.surface.autoRedraw());
    QVERIFY(entries(rig.dir).isEmpty());

    for (int time = 0; time < 2; ++time) { // the second save replaces the first file
        rig.dialogs.fileNames.push_back(rig.path("graph"));
        rig.form.Command2_Click();
    }
    QCOMPARE(rig.dialogs.fileRequests.back().filter, u"ビットマップ|*.bmp");
    QVERIFY(rig.dialogs.messages.empty());
    QCOMPARE(entries(rig.dir), QStringList { "graph" });
    QCOMPARE(rig.state(), before);

    QCOMPARE(rig.read("graph").left(2), QByteArray("BM"));
    QImageReader reader(rig.dir.filePath("graph"), "bmp");
    const QImage saved = reader.read();
    QVERIFY2(!saved.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(saved.size(), rig.surface.image().size());
    QCOMPARE(rgb(saved), rgb(rig.surface.image()));
    QVERIFY(rgb(saved) != rgb(ImageSurface().image())); // the graph is in it, not just the background
}

void TestForm1Files::clearingKeepsTheRecordsForTheNextGraph()
{
    Rig rig;
    rig.typeRecords({ "2004", "11", "4.2", "2005", "3", "12.5", "2006", "9", "0.05" });
    rig.form.Command1_Click();
    const QImage graph = rig.surface.image().copy();
    const QStringList records = rig.state().mid(0, kCellCount + 4 * RecordTable::kRows + 2);
    rig.window.buttonLog.clear();

    rig.form.Command9_Click();
    QCOMPARE(rgb(rig.surface.image()), rgb(ImageSurface().image()));
    QCOMPARE(rig.window.buttonLog.size(), 4u);
    QCOMPARE(rig.window.buttonLog[0].button, Button::Command2);
    QCOMPARE(rig.window.buttonLog[2].button, Button::Command9);
    QVERIFY(!rig.window.button(Button::Command2).enabled && !rig.window.button(Button::Command9).enabled);
    QCOMPARE(rig.state().mid(0, records.size()), records);

    rig.form.Command1_Click();
    QCOMPARE(rgb(rig.surface.image()), rgb(graph));
}

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
