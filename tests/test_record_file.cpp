// The record file on its own: the bytes it is written as, the reader's rules for what other programs write,
// files that are not record files, and writes that fail part way.

#include "files/record_file.h"
#include "files/str_form.h"
#include "records/val.h"
#include "support/fake_file_system.h"

#include <QtTest>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>

using namespace psa;
using psa::testing::FakeFileSystem;
using psa::testing::GeneratedReader;
using psa::testing::StringReader;

namespace {

using Rows = std::vector<std::array<double, 3>>;

Records recordsOf(const Rows &rows)
{
    Records records;
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (int column = 1; column <= 3; ++column)
            records.RecordTable.set(int(i) + 1, column, rows[i][std::size_t(column) - 1]);
    records.RecordCount = int(rows.size());
    return records;
}

// The double nearest to x's 15-significant-digit decimal; beyond the double range the largest double.
double roundedTo15Digits(double x)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific, 14);
    double rounded = 0;
    if (std::from_chars(text, written.ptr, rounded).ec == std::errc::result_out_of_range)
        return std::copysign(DBL_MAX, x);
    return rounded;
}

QString joined(const RecordFields &fields)
{
    return QString::fromStdU16String(fields[0] + u"|" + fields[1] + u"|" + fields[2]);
}

QStringList joined(const std::vector<RecordFields> &records)
{
    QStringList list;
    for (const RecordFields &fields : records)
        list << joined(fields);
    return list;
}

std::string repeated(const std::string &line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

const std::string kWorkedExample = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n";

} // namespace

Q_DECLARE_METATYPE(FakeFileSystem::WriteFailure)

class TestRecordFile : public QObject {
    Q_OBJECT

private slots:
    void workedExampleBytes();
    void saveThenLoadGivesTheRecordsBack_data();
    void saveThenLoadGivesTheRecordsBack();
    void readerRules_data();
    void readerRules();
    void notARecordFile_data();
    void notARecordFile();
    void hugeFilesAreRejectedAfterLittleReading_data();
    void hugeFilesAreRejectedAfterLittleReading();
    void readErrorsAreReported_data();
    void readErrorsAreReported();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
};

void TestRecordFile::workedExampleBytes()
{
    const Records records = recordsOf({ { 2004, 11, 4.2 }, { 2005, 3, 12.5 }, { 2005, 9, 8.75 } });
    QCOMPARE(RecordFileText(records), kWorkedExample);
    QCOMPARE(kWorkedExample.size(), 48u);

    FakeFileSystem files;
    QVERIFY(!SaveRecordFile(files, u"a.csv", records));
    QCOMPARE(files.files[u"a.csv"], kWorkedExample);

    // Only rows 1 to RecordCount, whatever else the table holds.
    Records fewer = records;
    fewer.RecordCount = 1;
    QCOMPARE(RecordFileText(fewer), " 2004, 11, 4.2\r\n");
    for (const int count : { 0, -3 }) {
        fewer.RecordCount = count;
        QCOMPARE(RecordFileText(fewer), "");
    }
}

void TestRecordFile::saveThenLoadGivesTheRecordsBack_data()
{
    QTest::addColumn<Rows>("rows");

    std::mt19937_64 random(20040311);
    std::uniform_real_distribution<double> exponent(-6, 18);
    std::uniform_int_distribution<int> year(1950, 2100), month(1, 12);
    Rows measured, arbitrary;
    for (int i = 0; i < 35; ++i) {
        measured.push_back(
            { double(year(random)), double(month(random)), std::pow(10.0, exponent(random) / 4) });
        const double sign = random() % 2 ? 1 : -1;
        arbitrary.push_back({ sign * std::pow(10.0, exponent(random)), std::pow(10.0, -exponent(random)),
            std::bit_cast<double>(random() & 0x7FEF'FFFF'FFFF'FFFFull) });
    }
    QTest::newRow("35 measurements") << measured;
    QTest::newRow("random magnitudes and bit patterns") << arbitrary;

    const double tiny = std::numeric_limits<double>::denorm_min();
    QTest::newRow("Str edge values") << Rows {
        { 0.0, -0.0, 1 },
        { -1, 0.1, 0.25 },
        { 0.0001, 0.00009999, 1e-5 },
        { 123456789012345, 1234567890123456, 999999999999999.5 },
        { 1e15, 1e16, -1.5e20 },
        { DBL_MAX, -DBL_MAX, DBL_MIN },
        { tiny, 0.1 + 0.2, 2.0 / 3.0 },
    };
    QTest::newRow("typed 12.50 and 04") << Rows { { 2004, Val(u"04"), Val(u"12.50") } };
}

void TestRecordFile::saveThenLoadGivesTheRecordsBack()
{
    QFETCH(Rows, rows);
    FakeFileSystem files;
    files.readChunk = 5; // lines straddle every read
    QVERIFY(!SaveRecordFile(files, u"r.csv", recordsOf(rows)));
    const RecordFileContents loaded = LoadRecordFile(files, u"r.csv");
    QVERIFY2(loaded.ok(), qPrintable(QString::fromStdU16String(loaded.error)));
    QCOMPARE(loaded.records.size(), rows.size());
    QVERIFY(!loaded.moreRecords);
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k) {
            const double x = rows[i][k];
            const std::u16string &field = loaded.records[i][k];
            const std::string text = Str(x);
            // Shown without the sign place's blank, exactly as written.
            QCOMPARE(field, std::u16string(text.begin() + (text[0] == ' ' ? 1 : 0), text.end()));
            QCOMPARE(Val(field), x == 0 ? 0.0 : roundedTo15Digits(x));
        }
}

void TestRecordFile::readerRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("more");

    const QStringList example { "2004|11|4.2", "2005|3|12.5", "2005|9|8.75" };
    const QStringList one { "2004|11|4.2" };
    QTest::newRow("CR LF") << QByteArray::fromStdString(kWorkedExample) << example << false;
    QTest::newRow("LF") << QByteArray(" 2004, 11, 4.2\n 2005, 3, 12.5\n 2005, 9, 8.75\n") << example << false;
    QTest::newRow("CR") << QByteArray(" 2004, 11, 4.2\r 2005, 3, 12.5\r 2005, 9, 8.75\r") << example << false;
    QTest::newRow("mixed, last line unended")
        << QByteArray(" 2004, 11, 4.2\r 2005, 3, 12.5\n 2005, 9, 8.75") << example << false;
    QTest::newRow("no blanks") << QByteArray("2004,11,4.2\r\n") << one << false;
    QTest::newRow("blanks and tabs around fields") << QByteArray("\t2004 ,  11\t, 4.2  \r\n") << one << false;
    QTest::newRow("blank inside a field kept")
        << QByteArray("20 04,1,2") << QStringList { "20 04|1|2" } << false;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF 2004, 11, 4.2\r\n") << one << false;
    QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << QStringList {} << false;
    QTest::newRow("empty file") << QByteArray() << QStringList {} << false;
    QTest::newRow("quoted fields") << QByteArray("\"2004\",\"11\", \"4.2\"\r\n") << one << false;
    QTest::newRow("quotes: doubled, comma, blanks, tail")
        << QByteArray("\"a\"\"b\",\"1,5\",\" x \"y \r\n") << QStringList { "a\"b|1,5| x y" } << false;
    QTest::newRow("unclosed quote ends with its line")
        << QByteArray("\"2004,11\n5,6\n") << QStringList { "2004,11|5|6" } << false;
    QTest::newRow("quote inside a field is text")
        << QByteArray("a\"b,1,2") << QStringList { "a\"b|1|2" } << false;
    QTest::newRow("blank lines before, between and after")
        << QByteArray("\r\n \r\n2004,11,4.2\r\n\r\n\t\r\n2005,3,12.5\r\n\r\n  \r\n\n\r")
        << QStringList { "2004|11|4.2", "2005|3|12.5" } << false;
    QTest::newRow("file ends inside a record")
        << QByteArray("2004,11,4.2\r\n2005") << QStringList { "2004|11|4.2", "2005||" } << false;
    QTest::newRow("file ends after a comma") << QByteArray("2004,11,") << QStringList { "2004|11|" } << false;
    QTest::newRow("one field per line") << QByteArray("2004\r\n11\r\n4.2\r\n2005\r\n3\r\n12.5\r\n")
                                        << QStringList { "2004|11|4.2", "2005|3|12.5" } << false;
    QTest::newRow("more than three fields continue") << QByteArray("2004,11,4.2,2005,3\r\n12.5\r\n")
                                                     << QStringList { "2004|11|4.2", "2005|3|12.5" } << false;
    QTest::newRow("empty fields") << QByteArray(",,\r\n") << QStringList { "||" } << false;
    QTest::newRow("not a number") << QByteArray("abc,11,4.2") << QStringList { "abc|11|4.2" } << false;
    QTest::newRow("UTF-8") << QByteArray("２００４,１１,４．２ ㍻\r\n")
                           << QStringList { "２００４|１１|４．２ ㍻" } << false;
    QTest::newRow("Shift_JIS") << QByteArray("\x82\x51\x82\x4f,\x82\x50,x\r\n") << QStringList { "２０|１|x" }
                               << false;
    QTest::newRow("longest field") << QByteArray(1024, '7') << QStringList { QString(1024, '7') + "||" }
                                   << false;

    const QByteArray full = QByteArray::fromStdString(repeated("2004,11,4.2\r\n", 35));
    const QStringList all35 = QStringList(35, "2004|11|4.2");
    QTest::newRow("35 records") << full << all35 << false;
    QTest::newRow("35 records, blank lines after") << full + "\r\n  \r\n\t\n" << all35 << false;
    QTest::newRow("36 records") << full + "2005,3,1\r\n" << all35 << true;
    QTest::newRow("35th line with a fourth field") << full.chopped(2) + ",9\r\n" << all35 << true;
}

void TestRecordFile::readerRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(bool, more);
    // Every chunking must give the same: line ends, marks and characters split across reads included.
    for (std::size_t chunk : { std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(1 << 20) }) {
        FakeFileSystem files;
        files.shiftJis["\x82\x51\x82\x4f"] = u"２０";
        files.shiftJis["\x82\x50"] = u"１";
        StringReader reader(bytes.toStdString());
        reader.chunk = chunk;
        const RecordFileContents read = ReadRecordFile(reader, files);
        QVERIFY2(read.ok(), qPrintable(QString::fromStdU16String(read.error)));
        QCOMPARE(joined(read.records), expected);
        QCOMPARE(read.moreRecords, more);
    }
}

void TestRecordFile::notARecordFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("field over the limit") << QByteArray("1,") + QByteArray(1025, '7') << "長すぎる項目";
    QTest::newRow("quoted field over the limit") << "\"" + QByteArray(1025, ' ') + "\""
                                                 << "長すぎる項目";
    QTest::newRow("trailing blanks over the limit") << "1" + QByteArray(1100, ' ') + ",2,3"
                                                    << "長すぎる項目";
    QTest::newRow("NUL") << QByteArray("2004,11,4.2\r\n2005,\0", 19) << "文字ではないバイト";
    QTest::newRow("escape in a quoted field") << QByteArray("\"a\x1b\",1,2") << "文字ではないバイト";
    QTest::newRow("UTF-16 with its mark") << QByteArray("\xFF\xFE"
                                                        "2\0"
                                                        "0\0",
        6) << "文字ではないバイト";
    QTest::newRow("control byte where a record would start")
        << QByteArray("1,2,3\r\n\x01") << "文字ではないバイト";
    QTest::newRow("neither UTF-8 nor Shift_JIS") << QByteArray("1,\xFF\xFE,3") << "文字コード";
    QTest::newRow("overlong UTF-8") << QByteArray("\xC0\xAF,1,2") << "文字コード";
    QTest::newRow("UTF-8 surrogate") << QByteArray("\xED\xA0\x80,1,2") << "文字コード";
    QTest::newRow("cut UTF-8 sequence") << QByteArray("\xE3\x81,1,2") << "文字コード";
    QTest::newRow("endless blanks") << "1," + QByteArray(70000, ' ') + "2"
                                    << "空白や空行";
    QTest::newRow("endless blank lines") << "1,2,3" + QByteArray(70000, '\n') + "4"
                                         << "空白や空行";
}

void TestRecordFile::notARecordFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    FakeFileSystem files;
    StringReader reader(bytes.toStdString());
    reader.chunk = 3;
    const RecordFileContents read = ReadRecordFile(reader, files);
    const QString error = QString::fromStdU16String(read.error);
    QVERIFY2(
        error.startsWith("PSAのデーターファイルではありません") && error.contains(reason), qPrintable(error));
    QVERIFY(read.records.empty());
    QVERIFY(!read.moreRecords);
}

void TestRecordFile::hugeFilesAreRejectedAfterLittleReading_data()
{
    QTest::addColumn<std::function<char(std::size_t)>>("byteAt");
    QTest::addColumn<bool>("rejected");
    QTest::newRow("one letter") << std::function<char(std::size_t)>([](std::size_t) { return 'A'; }) << true;
    QTest::newRow("random bytes") << std::function<char(std::size_t)>([](std::size_t at) {
        return char(std::uint64_t(at + 1) * 0x9E3779B97F4A7C15ull >> 56);
    }) << true;
    QTest::newRow("records without end")
        << std::function<char(std::size_t)>([](std::size_t at) { return "2004,11,4.2\r\n"[at % 13]; })
        << false;
}

void TestRecordFile::hugeFilesAreRejectedAfterLittleReading()
{
    QFETCH(std::function<char(std::size_t)>, byteAt);
    QFETCH(bool, rejected);
    FakeFileSystem files;
    GeneratedReader reader(byteAt, std::size_t(256) << 20);
    const RecordFileContents read = ReadRecordFile(reader, files);
    QCOMPARE(read.ok(), !rejected);
    QCOMPARE(read.moreRecords, !rejected);
    QVERIFY2(reader.bytesRead <= 64 * 1024, qPrintable(QString::number(reader.bytesRead)));
}

void TestRecordFile::readErrorsAreReported_data()
{
    QTest::addColumn<int>("failAfter");
    QTest::newRow("at the first read") << 0;
    QTest::newRow("inside the mark") << 2;
    QTest::newRow("inside a record") << 20;
    QTest::newRow("before the last line end") << 50;
}

void TestRecordFile::readErrorsAreReported()
{
    QFETCH(int, failAfter);
    FakeFileSystem files;
    files.files[u"r.csv"] = "\xEF\xBB\xBF" + kWorkedExample;
    files.readChunk = 7;
    files.readFailAfter = std::size_t(failAfter);
    const RecordFileContents read = LoadRecordFile(files, u"r.csv");
    QCOMPARE(
        read.error, u"ファイル「r.csv」を読み込めませんでした。\n理由: 装置の入出力エラーが発生しました。");
    QVERIFY(read.records.empty());
}

void TestRecordFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<FakeFileSystem::WriteFailure>("failure");
    QTest::addColumn<int>("failingWrite");
    QTest::addColumn<bool>("bitmap");
    using F = FakeFileSystem::WriteFailure;
    QTest::newRow("records: open") << F::Open << 0 << false;
    for (int k = 1; k <= 3; ++k)
        QTest::addRow("records: write %d", k) << F::Write << k << false;
    QTest::newRow("records: commit") << F::Commit << 0 << false;
    QTest::newRow("bitmap: open") << F::Open << 0 << true;
    QTest::newRow("bitmap: second write") << F::Write << 2 << true;
    QTest::newRow("bitmap: commit") << F::Commit << 0 << true;
}

void TestRecordFile::failedSaveKeepsTheOldFile()
{
    QFETCH(FakeFileSystem::WriteFailure, failure);
    QFETCH(int, failingWrite);
    QFETCH(bool, bitmap);
    FakeFileSystem files;
    const std::string old = "old bytes\r\n";
    files.files[u"d/x"] = old;
    files.writeFailure = failure;
    files.failingWrite = failingWrite;
    const Records records = recordsOf({ { 2004, 11, 4.2 }, { 2005, 3, 12.5 }, { 2005, 9, 8.75 } });
    const auto error = bitmap ? SaveFileReplacing(files, u"d/x", std::string(200000, 'B'))
                              : SaveRecordFile(files, u"d/x", records);
    QVERIFY(error);
    QCOMPARE(*error, u"ファイル「d/x」を保存できませんでした。\n理由: ディスクの空き容量が足りません。");
    QCOMPARE(files.files.at(u"d/x"), old);
    QCOMPARE(files.commits, 0);
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "test_record_file.moc"
