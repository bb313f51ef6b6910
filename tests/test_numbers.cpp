#include "numbers/str_form.h"
#include "numbers/val.h"

#include <QtTest>

#include <cfloat>
#include <cmath>

// "text -> value" with every digit and the sign of the value: QCOMPARE would compare doubles fuzzily, and
// Qt writes -0 as 0.
static QString shown(const QString &text, double value)
{
    return text.left(30) + (std::signbit(value) ? " -> -" : " -> ")
        + QString::number(std::fabs(value), 'g', 17);
}

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    // Each row: texts that all read as the same value.
    void valReadsTheNumberAtTheStart_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<double>("expected");
        const auto row = [](const char *name, double value, const QStringList &texts) {
            QTest::newRow(name) << texts << value;
        };
        row("no number", 0, { "", "abc", " \t\n", "-.", "+-1", "e5", "&H10", "二〇〇五" });
        row("zero and underflow, never -0", 0,
            { "-0", "0e999", "-1e-400", "2.4e-324", "7e-99999999999999999999" });
        row("stops where the number cannot go on", 1,
            { "1,5", "１，５", "1\r2", "1e", "1e+-2", "1..", "1e.3" });
        row("blanks skipped wherever they stand", 12,
            { "12abc", " 1 2 ", "\u3000１\u3000２", "1\t2", "1\n2" });
        row("full-width digits", 9876543210, { "９８７６５４３２１０", "9８7６5４3２1０ｇ", "+9876543210." });
        row("signs", -0.3, { "-0.3", "－０．３", "\u22120.3", "- 0 . 3", "-.3e" });
        row("E exponent", 15, { "1.5E1", "１．５Ｅ１", "150e-1", "1 5 0 e - 1", ".15e+2", "1.5e1.5" });
        row("D exponent", 20, { "2d1", "2D1", "２ｄ１", "２Ｄ１", "２ｅ１", "200D－1" });
        row("beyond the range", DBL_MAX, { "1e400", "1.7976931348623158e308", "1e99999999999999999999" });
        row("beyond the range, negative", -DBL_MAX,
            { "-1.797693134862315808e308", "－１Ｅ４００", "-9" + QString(400, u'9') });
        row("smallest denormal", 4.9406564584124654e-324, { "4.9406564584124654e-324", "5e-324" });
        // Only a bounded part of a long text is kept, and what it drops still decides the rounding.
        const QString mb0(1 << 20, u'0'), halfway = "9007199254740993." + mb0; // 2^53 + 1
        row("long text, halfway", 9007199254740992.0, { halfway });
        row("long text, above halfway", 9007199254740994.0, { halfway + "1" });
        row("a megabyte of zeros or blanks", 2.5,
            { "0." + mb0 + "25e1048577", QString(1 << 20, u' ') + "2.5" });
    }

    void valReadsTheNumberAtTheStart()
    {
        QFETCH(QStringList, texts);
        QFETCH(double, expected);
        for (const QString &text : texts)
            QCOMPARE(shown(text, psa::Val(text.toStdU16String())), shown(text, expected));
    }

    // Each row: values and their texts; Print writes the same text and a blank.
    void strWritesRecordFileForm_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char *name, const QList<double> &values, const QStringList &texts) {
            QTest::newRow(name) << values << texts;
        };
        row("sign place", { 2004, -2004, 100, 0, -0.0 }, { " 2004", "-2004", " 100", " 0", " 0" });
        row("fractions", { 12.5, 0.25, -0.3, 0.0001 }, { " 12.5", " 0.25", "-0.3", " 0.0001" });
        row("15 digits", { 0.1 + 0.2, 2.0 / 3, 0.00009999999999999999 },
            { " 0.3", " 0.666666666666667", " 0.0001" });
        row("15 integer digits", { 123456789012345.6, 99999999999999.99 },
            { " 123456789012346", " 100000000000000" });
        row("exponent below 0.0001", { 0.00001, 1e-10, 1e-300 }, { " 1E-05", " 1E-10", " 1E-300" });
        row("exponent from 10^15", { 1e15, 999999999999999.5, -1.5e20, 1234567890123456.0 },
            { " 1E+15", " 1E+15", "-1.5E+20", " 1.23456789012346E+15" });
        row("neither typed nor loaded", { HUGE_VAL, -HUGE_VAL, NAN },
            { " 1.79769313486232E+308", "-1.79769313486232E+308", " 0" });
    }

    void strWritesRecordFileForm()
    {
        QFETCH(QList<double>, values);
        QFETCH(QStringList, texts);
        for (qsizetype k = 0; k < values.size(); ++k)
            QCOMPARE(QString::fromStdString(psa::Str(values[k]) + '|' + psa::printForm(values[k])),
                texts[k] + '|' + texts[k] + ' ');
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
