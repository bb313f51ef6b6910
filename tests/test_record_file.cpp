// What the record file reader makes of files that other programs wrote, of files that are not record files
// and of reads that fail.

#include "files/record_file.h"
#include "support/fake_file_system.h"

#include <QtTest>

using namespace psa;
using namespace std::string_literals;

// The records as "year|month|value" joined by "/", "+" when more followed; "!" and the reason for a refusal.
static QString summary(const RecordFileContents &read)
{
    QStringList records;
    for (const RecordFields &f : read.records)
        records << QString::fromStdU16String(f[0] + u"|" + f[1] + u"|" + f[2]);
    const QString text = records.join('/') + (read.moreRecords ? "+" : "");
    return read.ok() ? text : "!" + QString::fromStdU16String(read.error) + text;
}

class TestRecordFile : public QObject {
    Q_OBJECT

private slots:
    void readerRules();
};

void TestRecordFile::readerRules()
{
    const QString one = "2004|11|4.2", two = "2004|11|4.2/2005|3|12.5";
    std::string full;
    while (full.size() < 35 * 13)
        full += "2004,11,4.2\r\n";
    const QString all35 = QStringList(35, one).join('/');
    // An expected "!" and a reason: the file is refused as not a record file, for that reason.
    const std::initializer_list<std::tuple<const char *, std::string, QString>> cases {
        { "CR LF, no blanks", "2004,11,4.2\r\n", one },
        { "LF, blanks and tabs", " 2004 ,\t11, 4 .2 \n 2005, 3 ,12.5\t\n", "2004|11|4 .2/2005|3|12.5" },
        { "CR, last line unended", "2004,11,4.2\r2005,3,12.5", two },
        { "byte-order mark", "\xEF\xBB\xBF 2004, 11, 4.2\r\n", one },
        { "quotes", "\"2004\",\"11\", \"4.2\"\r\n\"a\"\"b\",\"1,5\",\" x \"y \r\n", one + "/a\"b|1,5| x y" },
        { "unclosed quote", "\"2004,11\n5,6\n", "2004,11|5|6" },
        { "blank lines", "\r\n \r\n2004,11,4.2\r\n\r\n\t\r\n2005,3,12.5\r\n\r\n \n\r", two },
        { "ends inside a record", "2004,11,4.2\r\n2005", one + "/2005||" },
        { "one field per line", "2004\r\n11\r\n4.2\r\n2005\r\n3\r\n12.5\r\n", two },
        { "four fields on a line", "2004,11,4.2,2005,3\r\n12.5\r\n", two },
        { "UTF-8 and Shift_JIS", "２００４,１１,４．２ ㍻\r\n\x82\x51\x82\x4f,\x82\x50,x",
            "２００４|１１|４．２ ㍻/２０|１|x" },
        { "longest field", std::string(1024, '7'), QString(1024, '7') + "||" },
        { "35 records, blanks after", full + "\r\n  \r\n\t\n", all35 },
        { "36 records", full + "2005,3,1\r\n", all35 + "+" },
        { "over-long field", "1," + std::string(1025, '7'), "!長すぎる項目があります" },
        { "binary", "2004,11,4.2\r\n\x7f\x45\x4c\x46\x02\x01", "!文字ではないバイトを含みます" },
        { "neither encoding", "1,\xFF\xFE,3", "!文字コードを判別できません" },
        { "cut UTF-8", "\xE3\x81,1,2", "!文字コードを判別できません" },
        { "endless blank lines", "1,2,3" + std::string(70000, '\n') + "4", "!空白や空行が続きすぎます" },
    };
    psa::testing::FakeFileSystem files;
    files.shiftJis = { { "\x82\x51\x82\x4f", u"２０" }, { "\x82\x50", u"１" } };
    for (const auto &[name, bytes, expected] : cases)
        for (const std::size_t chunk : { 1, 3, 1 << 20 }) { // reads split line ends, marks and characters
            files.files[u"f"] = bytes;
            files.readChunk = chunk;
            const QString got = summary(LoadRecordFile(files, u"f"));
            const QString refusal
                = "!ファイル「f」を読み込めませんでした。\n理由: PSAのデーターファイルではありません（";
            QVERIFY2(got == (expected.startsWith('!') ? refusal + expected.mid(1) + "）。" : expected),
                qPrintable(QStringLiteral("%1 (chunk %2): %3").arg(name).arg(chunk).arg(got)));
        }
    // A read failing after any number of bytes, up to the last line feed, gives only the reason.
    files.files[u"f"] = "2004,11,4.2\r\n2005,3,12.5\r\n";
    for (files.readFailAt = 0; files.readFailAt < 26; ++files.readFailAt)
        QCOMPARE(summary(LoadRecordFile(files, u"f")),
            "!ファイル「f」を読み込めませんでした。\n理由: 装置の入出力エラーが発生しました。");
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "test_record_file.moc"
