#include "platform/convert.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void hexPairValue_data();
    void hexPairValue();
    void decimalText_data();
    void decimalText();
    void decimalTextReadsBack();
    void val_data();
    void val();
    void roundHalfEven_data();
    void roundHalfEven();
};

void TestConvert::hexPairValue_data()
{
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("value");
    QTest::newRow("00") << QByteArray("00") << 0;
    QTest::newRow("3F") << QByteArray("3F") << 0x3F;
    QTest::newRow("lower case") << QByteArray("ff:") << 255;
    QTest::newRow("not hex") << QByteArray("G0") << -1;
    QTest::newRow("too short") << QByteArray("A") << -1;
}

void TestConvert::hexPairValue()
{
    QFETCH(QByteArray, digits);
    QFETCH(int, value);
    QCOMPARE(Convert::hexPairValue(digits), value);
}

void TestConvert::decimalText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("whole") << 15792.0 << "15792";
    QTest::newRow("fraction") << 10.5 << "10.5";
    QTest::newRow("small fraction") << 0.65625 << "0.65625";
    QTest::newRow("negative") << -5.0 << "-5";
    QTest::newRow("2^52") << 4503599627370496.0 << "4503599627370496";
    QTest::newRow("2^53 + 2") << 9007199254740994.0 << "9007199254740994";
    QTest::newRow("beyond exponent range of shortest form") << 1e21 << "1000000000000000000000";
}

void TestConvert::decimalText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(Convert::decimalText(value), text);
}

void TestConvert::decimalTextReadsBack()
{
    // Every offset a file can have, whole or in sixteenths of a line, survives the round trip.
    for (double offset = 1; offset < 1e15; offset = offset * 3.7 + 0.0625) {
        const QString text = Convert::decimalText(offset);
        QVERIFY2(!text.contains(u'e') && !text.contains(u','), qPrintable(text));
        QCOMPARE(Convert::Val(text), offset);
    }
}

void TestConvert::val_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal") << "100" << 100.0;
    QTest::newRow("&H100") << "&H100" << 256.0;
    QTest::newRow("&h lower case") << "&hff" << 255.0;
    QTest::newRow("&O17") << "&O17" << 15.0;
    QTest::newRow("&O stops at 8") << "&O178" << 15.0;
    QTest::newRow("blanks inside") << " 1 2" << 12.0;
    QTest::newRow("tabs and line feeds") << "\t1\n0\t" << 10.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-5" << -5.0;
    QTest::newRow("fraction") << "10.5" << 10.5;
    QTest::newRow("trailing text") << "208 bytes" << 208.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "12e" << 12.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("carriage return ends it") << "1\r2" << 1.0;
    QTest::newRow("non-ASCII ends it") << QString::fromUtf8("4\u00B25") << 4.0;
    QTest::newRow("&H without digits") << "&H" << 0.0;
    QTest::newRow("& alone") << "&" << 0.0;
    const double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("1e309") << "1e309" << infinity;
    QTest::newRow("-1e309") << "-1e309" << -infinity;
    QTest::newRow("400 nines") << QString(400, u'9') << infinity;
    QTest::newRow("a megabyte of 1s") << QString(1 << 20, u'1') << infinity;
    QTest::newRow("exponent beyond any") << "1e99999999999999999999" << infinity;
    QTest::newRow("1e-400") << "1e-400" << 0.0;
    QTest::newRow("many digits, tiny") << "0.000" + QString(400, u'9') + "e-330" << 0.0;
}

void TestConvert::val()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Convert::Val(text), value);
}

void TestConvert::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("11.5 to even 12") << 11.5 << 12.0;
    QTest::newRow("12.5 to even 12") << 12.5 << 12.0;
    QTest::newRow("below half") << 101.25 << 101.0;
    QTest::newRow("above half") << 101.75 << 102.0;
    QTest::newRow("whole") << 17.0 << 17.0;
}

void TestConvert::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(Convert::roundHalfEven(value), rounded);
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
