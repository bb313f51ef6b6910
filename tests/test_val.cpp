#include "files/str_form.h"
#include "records/val.h"

#include <QLocale>
#include <QtTest>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Exact comparison, telling 0 from -0; QCOMPARE would compare doubles fuzzily.
bool identical(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

QByteArray describe(double actual, double expected)
{
    return "got " + QByteArray::number(actual, 'g', 17) + ", expected "
        + QByteArray::number(expected, 'g', 17);
}

void addReadRows()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
}

} // namespace

class TestVal : public QObject {
    Q_OBJECT

private slots:
    void reads_number_prefix_data();
    void reads_number_prefix();
    void reads_full_width_forms_data();
    void reads_full_width_forms();
    void stays_within_double_range_data();
    void stays_within_double_range();
    void reads_long_texts_in_linear_time_data();
    void reads_long_texts_in_linear_time();
    void ignores_decimal_comma_locale();
};

void TestVal::reads_number_prefix_data()
{
    addReadRows();
    // What a user types into a cell.
    QTest::newRow("letters end the number") << u"12abc"_s << 12.0;
    QTest::newRow("no number reads as 0") << u"abc"_s << 0.0;
    QTest::newRow("blanks around and between digits") << u" 1 2 "_s << 12.0;
    QTest::newRow("comma ends the number") << u"1,5"_s << 1.0;
    QTest::newRow("exponent E") << u"1.5E1"_s << 15.0;
    QTest::newRow("negative fraction") << u"-0.3"_s << -0.3;
    QTest::newRow("empty text reads as 0") << u""_s << 0.0;
    QTest::newRow("blanks only read as 0") << u" \t\n "_s << 0.0;
    QTest::newRow("unit after the value") << u"3.1ng"_s << 3.1;
    QTest::newRow("leading zero of a month") << u"04"_s << 4.0;
    QTest::newRow("trailing zero of a value") << u"12.50"_s << 12.5;
    // Exponents.
    QTest::newRow("lower-case e") << u"2e3"_s << 2000.0;
    QTest::newRow("D exponent") << u"2D1"_s << 20.0;
    QTest::newRow("lower-case d exponent") << u"2d1"_s << 20.0;
    QTest::newRow("negative exponent") << u"25e-2"_s << 0.25;
    QTest::newRow("explicit plus in exponent") << u"1.5e+2"_s << 150.0;
    QTest::newRow("exponent letter alone adds nothing") << u"1e"_s << 1.0;
    QTest::newRow("exponent sign without digits adds nothing") << u"1e+"_s << 1.0;
    QTest::newRow("second exponent sign ends the number") << u"1e+-2"_s << 1.0;
    QTest::newRow("period in the exponent ends it") << u"1e2.5"_s << 100.0;
    QTest::newRow("exponent without mantissa reads 0") << u"e5"_s << 0.0;
    QTest::newRow("zero mantissa with exponent") << u"0e999"_s << 0.0;
    // Signs and periods.
    QTest::newRow("plus sign") << u"+7"_s << 7.0;
    QTest::newRow("blank between sign and digits") << u"- 5"_s << -5.0;
    QTest::newRow("two signs read 0") << u"+-1"_s << 0.0;
    QTest::newRow("sign after digits ends the number") << u"5-3"_s << 5.0;
    QTest::newRow("lone minus reads 0") << u"-"_s << 0.0;
    QTest::newRow("lone period reads 0") << u"."_s << 0.0;
    QTest::newRow("sign and period read 0") << u"-."_s << 0.0;
    QTest::newRow("period first") << u".5"_s << 0.5;
    QTest::newRow("period last") << u"5."_s << 5.0;
    QTest::newRow("negative with period first") << u"-.25"_s << -0.25;
    QTest::newRow("second period ends the number") << u"1.2.3"_s << 1.2;
    QTest::newRow("negative zero reads as plain 0") << u"-0"_s << 0.0;
    // Blanks inside every part.
    QTest::newRow("tab and line feed between digits") << u"2\t0\n05"_s << 2005.0;
    QTest::newRow("blanks inside the exponent") << u"1 e - 2"_s << 0.01;
    QTest::newRow("blank around the period") << u"1 . 5"_s << 1.5;
    QTest::newRow("carriage return is not a blank") << u"1\r2"_s << 1.0;
    QTest::newRow("hexadecimal prefix is not read") << u"&H10"_s << 0.0;
    QTest::newRow("leading zeros after the period") << u"0.000125"_s << 0.000125;
    QTest::newRow("many leading zeros before the digits") << u"000000000000000000000042"_s << 42.0;
}

void TestVal::reads_number_prefix()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double actual = psa::Val(text.toStdU16String());
    QVERIFY2(identical(actual, expected), describe(actual, expected));
}

void TestVal::reads_full_width_forms_data()
{
    addReadRows();
    QTest::newRow("full-width year") << u"２００５"_s << 2005.0;
    QTest::newRow("full-width minus and period") << u"－０．３"_s << -0.3;
    QTest::newRow("full-width exponent") << u"１．５Ｅ１"_s << 15.0;
    QTest::newRow("full-width lower-case e") << u"１ｅ２"_s << 100.0;
    QTest::newRow("full-width lower-case d") << u"５ｄ－１"_s << 0.5;
    QTest::newRow("full-width D exponent") << u"３Ｄ－１"_s << 0.3;
    QTest::newRow("full-width plus") << u"＋９"_s << 9.0;
    QTest::newRow("minus sign U+2212") << u"\u22124.5"_s << -4.5;
    QTest::newRow("ideographic spaces between digits") << u"\u30001\u30002"_s << 12.0;
    QTest::newRow("single- and full-width digits mixed") << u"2０0５"_s << 2005.0;
    QTest::newRow("full-width comma ends the number") << u"１，５"_s << 1.0;
    QTest::newRow("other ideographs read 0") << u"二〇〇五"_s << 0.0;
}

void TestVal::reads_full_width_forms()
{
    reads_number_prefix();
}

void TestVal::stays_within_double_range_data()
{
    addReadRows();
    QTest::newRow("overflow saturates") << u"1e400"_s << DBL_MAX;
    QTest::newRow("negative overflow saturates") << u"-1e400"_s << -DBL_MAX;
    QTest::newRow("400-digit number saturates") << (u"9"_s + QString(399, u'9')) << DBL_MAX;
    QTest::newRow("300-digit number is exact") << (u"1"_s + QString(300, u'0')) << 1e300;
    QTest::newRow("just above the largest double rounds down") << u"1.7976931348623158e308"_s << DBL_MAX;
    QTest::newRow("beyond the largest double saturates") << u"1.797693134862315808e308"_s << DBL_MAX;
    QTest::newRow("huge exponent saturates") << u"1e99999999999999999999999"_s << DBL_MAX;
    QTest::newRow("underflow reads 0") << u"1e-400"_s << 0.0;
    QTest::newRow("negative underflow reads plain 0") << u"-1e-400"_s << 0.0;
    QTest::newRow("huge negative exponent reads 0") << u"7e-99999999999999999999999"_s << 0.0;
    QTest::newRow("smallest denormal")
        << u"4.9406564584124654e-324"_s << std::numeric_limits<double>::denorm_min();
    QTest::newRow("below half the smallest denormal") << u"2.4e-324"_s << 0.0;
    QTest::newRow("smallest normal") << u"2.2250738585072014E-308"_s << DBL_MIN;
    QTest::newRow("large exponent with long leading zeros")
        << (u"0."_s + QString(500, u'0') + u"3e502"_s) << 30.0;
}

void TestVal::stays_within_double_range()
{
    reads_number_prefix();
}

void TestVal::reads_long_texts_in_linear_time_data()
{
    addReadRows();
    constexpr int kMegabyte = 1 << 20;
    // 2^53 + 1 lies halfway between two doubles; only a digit far down the text decides the rounding.
    const QString halfway = u"9007199254740993."_s + QString(kMegabyte, u'0');
    QTest::newRow("halfway rounds to even") << halfway << 9007199254740992.0;
    QTest::newRow("a late non-zero digit rounds up") << (halfway + u"1"_s) << 9007199254740994.0;
    QTest::newRow("megabyte of digits saturates") << QString(kMegabyte, u'7') << DBL_MAX;
    QTest::newRow("megabyte of blanks before the value") << (QString(kMegabyte, u' ') + u"7"_s) << 7.0;
    QTest::newRow("megabyte of zeros after the period underflows")
        << (u"0."_s + QString(kMegabyte, u'0') + u"1"_s) << 0.0;
    QTest::newRow("megabyte of zeros offset by the exponent")
        << (u"0."_s + QString(kMegabyte, u'0') + u"25e1048577"_s) << 2.5;
    QTest::newRow("megabyte of periods") << (u"1"_s + QString(kMegabyte, u'.')) << 1.0;
    QTest::newRow("megabyte of exponent digits") << (u"1e-"_s + QString(kMegabyte, u'1')) << 0.0;
}

void TestVal::reads_long_texts_in_linear_time()
{
    reads_number_prefix();
}

// A decimal-comma locale, both C's and Qt's, must change neither reading nor writing.
void TestVal::ignores_decimal_comma_locale()
{
    const QString texts[]
        = { u"12.5"_s, u"1,5"_s, u"-0.3"_s, u"1.5E1"_s, u"２００５"_s, u"0.000125"_s, u"1e400"_s };
    const double values[] = { 12.5, 4.2, -0.3, 0.1 + 0.2, 1.0 / 3, 0.00001, 1234567890123456.0, 1e300 };
    const auto readAll = [&] {
        QList<double> read;
        for (const QString &text : texts)
            read << psa::Val(text.toStdU16String());
        return read;
    };
    const auto writeAll = [&] {
        QByteArray written;
        for (double value : values)
            written += QByteArray::fromStdString(psa::Str(value)) + '|';
        return written;
    };
    const QList<double> readInC = readAll();
    const QByteArray writtenInC = writeAll();

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    QLocale::setDefault(QLocale::German);
    const auto restore = qScopeGuard([&] {
        std::setlocale(LC_ALL, previous.c_str());
        QLocale::setDefault(QLocale::c());
    });
    // A missing locale would make this test prove nothing; scripts/install-deps generates it.
    QVERIFY2(switched, "the locale de_DE.UTF-8 is not installed");
    QCOMPARE(std::localeconv()->decimal_point, ",");

    const QList<double> readInGerman = readAll();
    for (qsizetype i = 0; i < readInC.size(); ++i)
        QVERIFY2(identical(readInGerman[i], readInC[i]),
            qPrintable(texts[i] + u": "_s + describe(readInGerman[i], readInC[i])));
    QCOMPARE(writeAll(), writtenInC);
    QVERIFY(writtenInC.startsWith(" 12.5| 4.2|-0.3|"));
    QCOMPARE(readInC[0], 12.5);
}

QTEST_GUILESS_MAIN(TestVal)
#include "test_val.moc"
