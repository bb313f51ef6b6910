// The record file's reader and writer, read in chunks of every size and failing after any byte, and the
// window's save and load commands on the in-memory file system.

#include "files/record_file.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/record_files.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;
using namespace psa::testing;
using Handler = void (Form1::*)();

namespace {

using Rig = FormRig<RecordingSurface>;

// The records as "year|month|value" joined by "/", "+" when more followed; "!" and the reason for a refusal.
QString summary(const Result<RecordFileContents> &read)
{
    if (!read)
        return "!" + QString::fromStdU16String(read.reason());
    QStringList records;
    for (const RecordFields &f : read->records)
        records << QString::fromStdU16String(f[0] + u"|" + f[1] + u"|" + f[2]);
    return records.join('/') + (read->moreRecords ? "+" : "");
}

} // namespace

class TestRecordFile : public QObject {
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
        // Three fields make a record, whatever the line ends between them.
        row("records across lines", "2004\r\n11\r\n4.2,2005,3\r\n12.5\r\n", two);
        row("UTF-8 and Shift_JIS", "２００４,１１,４．２ ㍻\r\n\x82\x51\x82\x4f,\x82\x50,x",
            "２００４|１１|４．２ ㍻/２０|１|x");
        row("longest field", QByteArray(1024, '7'), QString(1024, '7') + "||");
        row("35 records, blanks after", full + "\r\n \r\n\t\n", all35);
        row("over-long field", "1," + QByteArray(1025, '7'), "!長すぎる項目があります");
        row("binary", "2004,11,4.2\r\n\x7f\x45\x4c\x46\x02\x01", "!文字ではないバイトを含みます");
        row("neither encoding", "1,\xFF\xFE,3", "!文字コードを判別できません");
        row("cut UTF-8", "\xE3\x81,1,2", "!文字コードを判別できません");
        row("blank inside a closing quote", "1,2,\" 3 \"", "1|2| 3 ");
        row("blank lines at the limit", "1,2,3\n" + QByteArray(64 * 1024, '\n') + "4", "1|2|3/4||");
        row("one blank line too many", "1,2,3\n" + QByteArray(64 * 1024 + 1, '\n') + "4",
            "!空白や空行が続きすぎます");
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
            QCOMPARE(summary(loadRecordFile(files, u"f")) + QString::number(chunk),
                expected + QString::number(chunk));
        }
        // A read failing after any number of bytes gives only the reason.
        const qsizetype end = expected.startsWith('!') ? 0 : std::min(bytes.size(), qsizetype(40));
        for (files.readFailAt = 0; files.readFailAt < std::size_t(end); ++files.readFailAt)
            QCOMPARE(summary(loadRecordFile(files, u"f")),
                "!ファイル「f」を読み込めませんでした。\n理由: 装置の入出力エラーが発生しました。");
    }

    // Only rows 1 to RecordCount are written, each line ending in CR LF; the line's form is in saveAndLoad.
    void writerRules()
    {
        Records records;
        for (const int count : { -1, 0, 500 }) {
            records.RecordCount = count;
            const QByteArray written = QByteArray::fromStdString(recordFileText(records));
            QCOMPARE(written.count(" 0, 0, 0\r\n"), std::clamp(count, 0, RecordTable::kRows));
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
        QCOMPARE(rig.dialogs.fileRequests[1].filter, u"CSVファイル|*.csv");

        // A file without records (as zero records are saved) empties the grid, with the load's button
        // changes.
        rig.fake.files[u"e.csv"] = "";
        QCOMPARE(rig.click(&Form1::Command4_Click, "e.csv"), "");
        QCOMPARE(rig.records(1), "=0 =0 =0 12345789 0 0");

        // Other programs' fields show as written and store their value; only 35 records fit, and the 36th
        // is said to be left out.
        rig.fake.files[u"o.csv"] = "abc, 04,12.50\r\n" + testing::recordsText(35);
        QCOMPARE(rig.click(&Form1::Command4_Click, "o.csv"),
            "ファイル「o.csv」には35件を超える記録があります。\n最初の35件だけを読み込みました。"
            "残りは読み込まれていません。");
        QVERIFY(rig.records(2).startsWith("abc=0 04=4 12.50=12.5 2004=2004 1=1 4.2=4.2 "));
        QVERIFY(rig.records(35).endsWith(" 2006=2006 10=10 37.2=37.2 12345789 35 105"));
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
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "test_record_file.moc"
