#include "files/str_form.h"
#include "records/val.h"

#include <QRegularExpression>
#include <QtTest>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace {

// The double nearest to x's 15-significant-digit decimal, worked out with the C library's own conversions
// (the test runs in the "C" locale); beyond the double range the largest double of the sign stands in.
double roundedTo15Digits(double x)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", x);
    const double rounded = std::strtod(text, nullptr);
    return std::isinf(rounded) ? std::copysign(DBL_MAX, rounded) : rounded;
}

bool identical(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A blank or minus, then either plain decimal or a mantissa with E, sign and two or three digits; no
// trailing zeros after a period, and at most 15 significant digits.
bool wellFormed(const std::string &text)
{
    static const QRegularExpression form(QStringLiteral("^[ "
                                                        "-](0|[1-9][0-9]*(\\.[0-9]*[1-9])?|0\\.0*[1-9]([0-9]*"
                                                        "[1-9])?|[1-9](\\.[0-9]*[1-9])?E[+-][0-9]{2,3})$"));
    if (!form.match(QString::fromStdString(text)).hasMatch())
        return false;
    std::string digits;
    for (char c : text.substr(0, text.find('E')))
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0'))
            digits += c;
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back(); // zeros that only place a whole number's point
    return digits.size() <= 15;
}

// Checks the form and the round trip; names the value in the failure.
void checkRoundTrip(double x)
{
    const std::string text = psa::Str(x);
    const std::u16string wide(text.begin(), text.end());
    const double back = psa::Val(wide);
    const double expected = x == 0 ? 0.0 : roundedTo15Digits(x);
    const QByteArray what = QByteArray::number(x, 'g', 17) + " -> \"" + QByteArray::fromStdString(text)
        + "\" -> " + QByteArray::number(back, 'g', 17);
    QVERIFY2(wellFormed(text), what.constData());
    QVERIFY2(identical(back, expected),
        (what + ", expected " + QByteArray::number(expected, 'g', 17)).constData());
}

} // namespace

class TestStr : public QObject {
    Q_OBJECT

private slots:
    void writes_form_data();
    void writes_form();
    void round_trips_edge_values_data();
    void round_trips_edge_values();
    void round_trips_random_values();
};

void TestStr::writes_form_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");
    // As a record file holds them.
    QTest::newRow("year") << 2004.0 << QByteArray(" 2004");
    QTest::newRow("month") << 11.0 << QByteArray(" 11");
    QTest::newRow("one decimal") << 4.2 << QByteArray(" 4.2");
    QTest::newRow("value typed 12.50") << 12.5 << QByteArray(" 12.5");
    QTest::newRow("negative fraction keeps its zero") << -0.3 << QByteArray("-0.3");
    QTest::newRow("below 1 keeps the leading zero") << 0.25 << QByteArray(" 0.25");
    QTest::newRow("whole number keeps its zeros") << 100.0 << QByteArray(" 100");
    QTest::newRow("negative whole number") << -2004.0 << QByteArray("-2004");
    QTest::newRow("zero") << 0.0 << QByteArray(" 0");
    QTest::newRow("negative zero") << -0.0 << QByteArray(" 0");
    // Rounding to 15 significant digits.
    QTest::newRow("binary noise of 0.1 + 0.2") << 0.1 + 0.2 << QByteArray(" 0.3");
    QTest::newRow("one third") << 1.0 / 3 << QByteArray(" 0.333333333333333");
    QTest::newRow("two thirds round up") << 2.0 / 3 << QByteArray(" 0.666666666666667");
    QTest::newRow("16 digits round to 15") << 123456789012345.6 << QByteArray(" 123456789012346");
    QTest::newRow("rounding carries into a new digit") << 99999999999999.99 << QByteArray(" 100000000000000");
    QTest::newRow("small value rounded") << 0.000123456789012345678 << QByteArray(" 0.000123456789012346");
    // Where the exponent form begins.
    QTest::newRow("0.0001 is plain") << 0.0001 << QByteArray(" 0.0001");
    QTest::newRow("below 0.0001 has an exponent") << 0.00001 << QByteArray(" 1E-05");
    QTest::newRow("just below 0.0001 rounds to it") << 0.00009999999999999999 << QByteArray(" 0.0001");
    QTest::newRow("15 integer digits are plain") << 123456789012345.0 << QByteArray(" 123456789012345");
    QTest::newRow("10^15 has an exponent") << 1e15 << QByteArray(" 1E+15");
    QTest::newRow("16 integer digits rounded with an exponent")
        << 1234567890123456.0 << QByteArray(" 1.23456789012346E+15");
    QTest::newRow("rounding up reaches 10^15") << 999999999999999.5 << QByteArray(" 1E+15");
    QTest::newRow("negative with exponent") << -1.5e20 << QByteArray("-1.5E+20");
    QTest::newRow("three exponent digits") << 1e-300 << QByteArray(" 1E-300");
    QTest::newRow("smallest denormal")
        << std::numeric_limits<double>::denorm_min() << QByteArray(" 4.94065645841247E-324");
    // Values that can neither be typed nor loaded.
    QTest::newRow("largest double") << DBL_MAX << QByteArray(" 1.79769313486232E+308");
    QTest::newRow("infinity as the largest double")
        << std::numeric_limits<double>::infinity() << QByteArray(" 1.79769313486232E+308");
    QTest::newRow("negative infinity")
        << -std::numeric_limits<double>::infinity() << QByteArray("-1.79769313486232E+308");
    QTest::newRow("NaN as zero") << std::numeric_limits<double>::quiet_NaN() << QByteArray(" 0");
}

void TestStr::writes_form()
{
    QFETCH(double, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(psa::Str(value)), expected);
    QCOMPARE(QByteArray::fromStdString(psa::PrintForm(value)), expected + ' ');
}

void TestStr::round_trips_edge_values_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative zero") << -0.0;
    QTest::newRow("largest double") << DBL_MAX;
    QTest::newRow("negative largest double") << -DBL_MAX;
    QTest::newRow("smallest normal") << DBL_MIN;
    QTest::newRow("smallest denormal") << std::numeric_limits<double>::denorm_min();
    QTest::newRow("largest denormal") << std::nextafter(DBL_MIN, 0.0);
    QTest::newRow("0.0001") << 0.0001;
    QTest::newRow("just below 0.0001") << 0.00009999999999999999;
    QTest::newRow("just above 0.0001") << std::nextafter(0.0001, 1.0);
    QTest::newRow("999999999999999.5") << 999999999999999.5;
    QTest::newRow("10^15") << 1e15;
    QTest::newRow("just below 10^15") << std::nextafter(1e15, 0.0);
    QTest::newRow("2^53 + 2") << 9007199254740994.0;
    QTest::newRow("PSA floor") << 0.01;
    QTest::newRow("negative tenth") << -0.1;
}

void TestStr::round_trips_edge_values()
{
    QFETCH(double, value);
    checkRoundTrip(value);
}

void TestStr::round_trips_random_values()
{
    std::mt19937_64 random(20050311);
    std::uniform_int_distribution<int> decade(-300, 300);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 20000; ++i) {
        const double sign = i % 2 == 0 ? 1.0 : -1.0;
        // Every magnitude from 1e-300 to 1e300 alike.
        checkRoundTrip(sign * mantissa(random) * std::pow(10.0, decade(random)));
        // Any finite bit pattern, denormals among them.
        const double raw = std::bit_cast<double>(bits(random));
        if (std::isfinite(raw))
            checkRoundTrip(raw);
        // Denormals only.
        checkRoundTrip(sign * std::bit_cast<double>(bits(random) & 0x000FFFFFFFFFFFFFull));
        // Values as typed: a few decimals, whole numbers.
        checkRoundTrip(sign * static_cast<double>(bits(random) % 100000) / 100.0);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestStr)
#include "test_str.moc"
