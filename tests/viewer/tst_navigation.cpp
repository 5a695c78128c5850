#include "viewer/navigation.h"

#include <QTest>

class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void pageDownSequence_data();
    void pageDownSequence();
    void pageDownOnShortRomsNeverGoesNegative_data();
    void pageDownOnShortRomsNeverGoesNegative();
    void pageUp_data();
    void pageUp();
    void goTo_data();
    void goTo();
    void offsetText();
};

void TestNavigation::pageDownSequence_data()
{
    QTest::addColumn<double>("romLength");
    QTest::addColumn<QList<double>>("tops");
    QTest::addColumn<QList<bool>>("downEnabled");

    QList<double> tops16000;
    QList<bool> enabled16000;
    for (double top = 13; top <= 988; top += 13) {
        tops16000 << top;
        enabled16000 << true;
    }
    tops16000 << 987 << 1000;
    enabled16000 << true << false;
    QTest::newRow("16,000 bytes") << 16000.0 << tops16000 << enabled16000;
    QTest::newRow("1,000 bytes") << 1000.0 << QList<double>{13, 26, 39, 52, 49.5, 62.5}
                                 << QList<bool>{true, true, true, true, true, false};
}

void TestNavigation::pageDownSequence()
{
    QFETCH(double, romLength);
    QFETCH(QList<double>, tops);
    QFETCH(QList<bool>, downEnabled);
    double top = 0;
    for (int step = 0; step < tops.size(); ++step) {
        top = Navigation::pageDown(top, romLength);
        QCOMPARE(top, tops.at(step));
        QCOMPARE(Navigation::pageDownEnabled(top, romLength), downEnabled.at(step));
        QVERIFY(Navigation::pageUpEnabled(top));
    }
}

void TestNavigation::pageDownOnShortRomsNeverGoesNegative_data()
{
    QTest::addColumn<double>("romLength");
    QTest::addColumn<double>("top");
    QTest::newRow("empty ROM") << 0.0 << 0.0;
    QTest::newRow("20 bytes") << 20.0 << 0.0;
    QTest::newRow("207 bytes") << 207.0 << 0.0;
    QTest::newRow("after a Go To on 100 bytes") << 100.0 << 6.25;
}

void TestNavigation::pageDownOnShortRomsNeverGoesNegative()
{
    QFETCH(double, romLength);
    QFETCH(double, top);
    QCOMPARE(Navigation::pageDown(top, romLength), 0.0);
}

void TestNavigation::pageUp_data()
{
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("up");
    QTest::newRow("from 5") << 5.0 << 0.0;
    QTest::newRow("from 13") << 13.0 << 0.0;
    QTest::newRow("from 26") << 26.0 << 13.0;
    QTest::newRow("from 49.5") << 49.5 << 36.5;
}

void TestNavigation::pageUp()
{
    QFETCH(double, top);
    QFETCH(double, up);
    QCOMPARE(Navigation::pageUp(top), up);
}

void TestNavigation::goTo_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<double>("romLength");
    QTest::addColumn<double>("top"); // -1: the page stays
    QTest::newRow("100") << "100" << 16000.0 << 6.25;
    QTest::newRow("&H100") << "&H100" << 16000.0 << 16.0;
    QTest::newRow("abc") << "abc" << 16000.0 << 0.0;
    QTest::newRow("empty") << "" << 16000.0 << -1.0;
    QTest::newRow("-5") << "-5" << 16000.0 << -1.0;
    QTest::newRow("RomLength") << "16000" << 16000.0 << 1000.0;
    QTest::newRow("RomLength + 1") << "16001" << 16000.0 << -1.0;
    QTest::newRow("fraction") << "10.5" << 16000.0 << 0.65625;
    QTest::newRow("1e309, too large for a double") << "1e309" << 16000.0 << -1.0;
    QTest::newRow("-1e309") << "-1e309" << 16000.0 << -1.0;
    QTest::newRow("400 nines") << QString(400, u'9') << 16000.0 << -1.0;
    QTest::newRow("1e-400, too small for a double") << "1e-400" << 16000.0 << 0.0;
}

void TestNavigation::goTo()
{
    QFETCH(QString, entry);
    QFETCH(double, romLength);
    QFETCH(double, top);
    QCOMPARE(Navigation::goTo(entry, romLength).value_or(-1.0), top);
}

void TestNavigation::offsetText()
{
    QCOMPARE(Navigation::offsetText(13, 2), QString("240"));
    QCOMPARE(Navigation::offsetText(13, 13), QString("416"));
    QCOMPARE(Navigation::offsetText(6.25, 1), QString("116"));
    QCOMPARE(Navigation::offsetText(0.65625), QString("10.5"));
}

QTEST_GUILESS_MAIN(TestNavigation)
#include "tst_navigation.moc"
