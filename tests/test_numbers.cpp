#include "numbers/str_form.h"
#include "numbers/val.h"

#include <QtTest>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>

// "text -> value" with every digit and the sign of the value: QCOMPARE would compare doubles fuzzily, and
// Qt writes -0 as 0.
static QString shown(std::u16string_view text, double value)
{
    return QStringView(text.substr(0, 30)).toString() + (std::signbit(value) ? " -> -" : " -> ")
        + QString::number(std::fabs(value), 'g', 17);
}

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void val_reads_the_number_at_the_start();
    void str_writes_15_digits_in_record_file_form();
    void decimal_comma_locale_changes_nothing();
};

void TestNumbers::val_reads_the_number_at_the_start()
{
    const std::u16string mb0(1 << 20, u'0'), halfway = u"9007199254740993." + mb0; // 2^53 + 1
    const std::pair<double, std::vector<std::u16string>> cases[] = {
        // No number in the text
        { 0, { u"", u"abc", u" \t\n", u"-.", u"+-1", u"e5", u"&H10", u"二〇〇五" } },
        // Zero and underflow, never -0
        { 0, { u"-0", u"0e999", u"-1e-400", u"2.4e-324", u"7e-99999999999999999999" } },
        // Reading stops where the number cannot go on
        { 1, { u"1,5", u"１，５", u"1\r2", u"1e", u"1e+-2", u"1..", u"1e.3", u"10e-1.5" } },
        // Blanks skipped wherever they stand
        { 12, { u"12abc", u" 1 2 ", u"\u3000１\u3000２", u"1\t2\n.a" } },
        { 2005, { u"２００５", u"2０0５", u"２００５ｇ", u"+2005." } },
        { -0.3, { u"-0.3", u"－０．３", u"\u22120.3", u"- 0 . 3", u"-.3e" } },
        // Exponent letters in both cases and widths
        { 15, { u"1.5E1", u"１．５Ｅ１", u"150e-1", u"1 5 0 e - 1", u".15e+2" } },
        { 20, { u"2d1", u"2D1", u"２ｄ１", u"２Ｄ１", u"２ｅ１", u"200D－1" } },
        // Beyond the double range: the largest double of the sign
        { DBL_MAX, { u"1e400", u"1.7976931348623158e308", u"1e99999999999999999999" } },
        { -DBL_MAX, { u"-1.797693134862315808e308", u"－１Ｅ４００", u"-9" + std::u16string(400, u'9') } },
        { 4.9406564584124654e-324, { u"4.9406564584124654e-324", u"5e-324" } },
        // Long texts: only a bounded part is kept, and what it drops still decides the rounding
        { 9007199254740992.0, { halfway } },
        { 9007199254740994.0, { halfway + u"1" } },
        { 2.5, { u"0." + mb0 + u"25e1048577", std::u16string(1 << 20, u' ') + u"2.5" } },
    };
    for (const auto &[expected, texts] : cases)
        for (const std::u16string &text : texts)
            QCOMPARE(shown(text, psa::Val(text)), shown(text, expected));
}

void TestNumbers::str_writes_15_digits_in_record_file_form()
{
    const std::vector<std::pair<double, const char *>> cases[] = {
        // Sign place, whole numbers
        { { 2004, " 2004" }, { -2004, "-2004" }, { 100, " 100" }, { 0, " 0" }, { -0.0, " 0" } },
        { { 12.5, " 12.5" }, { 0.25, " 0.25" }, { -0.3, "-0.3" }, { 0.0001, " 0.0001" } },
        // Rounded to 15 significant digits
        { { 0.1 + 0.2, " 0.3" }, { 2.0 / 3, " 0.666666666666667" }, { 0.00009999999999999999, " 0.0001" } },
        { { 123456789012345.6, " 123456789012346" }, { 99999999999999.99, " 100000000000000" } },
        // The exponent form below 0.0001 and from 10^15
        { { 0.00001, " 1E-05" }, { 1e15, " 1E+15" }, { 999999999999999.5, " 1E+15" }, { 1e-300, " 1E-300" } },
        { { -1.5e20, "-1.5E+20" }, { 1234567890123456.0, " 1.23456789012346E+15" } },
        // What can be neither typed nor loaded
        { { HUGE_VAL, " 1.79769313486232E+308" }, { -HUGE_VAL, "-1.79769313486232E+308" }, { NAN, " 0" } },
    };
    for (const auto &forms : cases)
        for (const auto &[value, text] : forms)
            QCOMPARE(psa::Str(value) + '|' + psa::PrintForm(value), std::string(text) + '|' + text + ' ');
    // Any double, written and read back, becomes the one nearest its 15 digits as the C library rounds them.
    std::mt19937_64 random(20050311);
    for (int i = 0; i < 20000; ++i) {
        // Any bit pattern (so every magnitude alike), and a denormal.
        const quint64 bits = random();
        for (const double value : { std::bit_cast<double>(bits), std::bit_cast<double>(bits >> 12) }) {
            const std::u16string text = QString::fromStdString(psa::Str(value)).toStdU16String();
            char digits[32];
            std::snprintf(digits, sizeof digits, "%.14e", value);
            // + 0.0 turns -0 into 0; beyond the double range the largest double of the sign stands in.
            const double rounded = std::clamp(std::strtod(digits, nullptr), -DBL_MAX, DBL_MAX) + 0.0;
            if (!std::isnan(value))
                QCOMPARE(shown(text, psa::Val(text)), shown(text, rounded));
        }
    }
}

// A record file must read and write the same under a decimal-comma locale.
void TestNumbers::decimal_comma_locale_changes_nothing()
{
    const auto readAndWrite = [] {
        std::string out;
        for (const char16_t *text : { u"12.5", u"1,5", u"-0.3", u"1.5E1", u"２．５", u"1e-5", u"1e20" })
            out += psa::Str(psa::Val(text) / 3);
        return out;
    };
    const std::string inC = readAndWrite(), previous = std::setlocale(LC_ALL, nullptr);
    const auto restore = qScopeGuard([&] { std::setlocale(LC_ALL, previous.c_str()); });
    // Without the locale this would prove nothing; scripts/install-deps generates it.
    QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "the locale de_DE.UTF-8 is missing");
    QCOMPARE(readAndWrite(), inC);
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
