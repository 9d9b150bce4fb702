// The numeric test and numeric value that the login window and the panel apply to typed texts.
#include "base/Numeric.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumeric : public QObject
{
    Q_OBJECT
private slots:
    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        // Forms the runtime's test accepts: plain digits, blanks around, sign, point, grouping, exponent.
        QTest::newRow("digits") << u"1234"_s << true << 1234.0;
        QTest::newRow("blanks around") << u"  42 \t"_s << true << 42.0;
        QTest::newRow("plus") << u"+7"_s << true << 7.0;
        QTest::newRow("minus") << u"-7"_s << true << -7.0;
        QTest::newRow("decimal") << u"1.5"_s << true << 1.5;
        QTest::newRow("leading point") << u".5"_s << true << 0.5;
        QTest::newRow("trailing point") << u"5."_s << true << 5.0;
        QTest::newRow("grouping") << u"1,234,567"_s << true << 1234567.0;
        QTest::newRow("exponent") << u"1e5"_s << true << 100000.0;
        QTest::newRow("signed exponent") << u"25E-1"_s << true << 2.5;
        QTest::newRow("D exponent") << u"2d3"_s << true << 2000.0;
        // Not numbers.
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("blanks only") << u"   "_s << false << 0.0;
        QTest::newRow("point only") << u"."_s << false << 0.0;
        QTest::newRow("sign only") << u"-"_s << false << 0.0;
        QTest::newRow("name") << u"alice"_s << false << 0.0;
        QTest::newRow("digits then letter") << u"12a"_s << false << 0.0;
        QTest::newRow("placeholder") << u"请输入用户名或UID"_s << false << 0.0;
        QTest::newRow("grouping first") << u",5"_s << false << 0.0;
        QTest::newRow("two points") << u"1.2.3"_s << false << 0.0;
        QTest::newRow("two signs") << u"--1"_s << false << 0.0;
        QTest::newRow("exponent without digits") << u"1e"_s << false << 0.0;
        QTest::newRow("inner blank") << u"1 2"_s << false << 0.0;
        QTest::newRow("hexadecimal") << u"&H1F"_s << false << 0.0;
        QTest::newRow("full-width digits") << u"１２"_s << false << 0.0;
        QTest::newRow("out of range") << u"1e999"_s << false << 0.0;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(Numeric::isNumeric(text), numeric);
        const auto number = Numeric::toNumber(text);
        QCOMPARE(number.has_value(), numeric);
        if (numeric)
            QCOMPARE(*number, value);
    }

    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("question id") << u"3"_s << 3.0;
        QTest::newRow("zero") << u"0"_s << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("blanks inside are skipped") << u" 1 2 "_s << 12.0;
        QTest::newRow("stops at a letter") << u"3abc"_s << 3.0;
        QTest::newRow("no number") << u"abc"_s << 0.0;
        QTest::newRow("grouping ends it") << u"1,000"_s << 1.0;
        QTest::newRow("negative decimal") << u"-2.5"_s << -2.5;
        QTest::newRow("exponent") << u"1e3x"_s << 1000.0;
        QTest::newRow("bare exponent mark") << u"1e"_s << 1.0;
        QTest::newRow("leading point") << u".5"_s << 0.5;
        QTest::newRow("hexadecimal") << u"&H1F"_s << 31.0;
        QTest::newRow("octal") << u"&O17"_s << 15.0;
        QTest::newRow("octal stops at 8") << u"&O18"_s << 1.0;
    }
    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Numeric::val(text), value);
    }

    void valInt()
    {
        QCOMPARE(Numeric::valInt(u"7"_s), 7);
        QCOMPARE(Numeric::valInt(u"7.9"_s), 7);
        QCOMPARE(Numeric::valInt(u"-7.9"_s), -7);
        QCOMPARE(Numeric::valInt(u"1e20"_s), 0); // does not fit: no undefined conversion
        QCOMPARE(Numeric::valInt(u"x"_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestNumeric)
#include "test_numeric.moc"
