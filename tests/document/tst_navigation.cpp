#include "document/navigation.h"

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
    void buttonStatesAtTheirBounds_data();
    void buttonStatesAtTheirBounds();
    void goTo_data();
    void goTo();
    void startPosition_data();
    void startPosition();
    void topLineAfterFind_data();
    void topLineAfterFind();
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

void TestNavigation::buttonStatesAtTheirBounds_data()
{
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("romLength");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    // 221 - 13 = 16 * 13: the top line begins 13 bytes before the end.
    QTest::newRow("221 bytes after one Page Down") << 13.0 << 221.0 << true << false;
    QTest::newRow("222 bytes after one Page Down") << 13.0 << 222.0 << true << true;
    QTest::newRow("after Go To 1") << 1.0 / 16 << 16000.0 << true << true;
    QTest::newRow("after Go To 15") << 15.0 / 16 << 16000.0 << true << true;
    QTest::newRow("top of an empty ROM") << 0.0 << 0.0 << false << false;
    QTest::newRow("top of a 13-byte ROM") << 0.0 << 13.0 << false << false;
    QTest::newRow("top of a 14-byte ROM") << 0.0 << 14.0 << false << true;
}

void TestNavigation::buttonStatesAtTheirBounds()
{
    QFETCH(double, top);
    QFETCH(double, romLength);
    QFETCH(bool, up);
    QFETCH(bool, down);
    QCOMPARE(Navigation::pageUpEnabled(top), up);
    QCOMPARE(Navigation::pageDownEnabled(top, romLength), down);
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

void TestNavigation::startPosition_data()
{
    QTest::addColumn<bool>("findNext");
    QTest::addColumn<double>("topLine");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("find") << false << 7.0 << qint64(1);
    QTest::newRow("next from line 0") << true << 0.0 << qint64(16);
    QTest::newRow("next from line 3") << true << 3.0 << qint64(64);
    QTest::newRow("fraction") << true << 6.25 << qint64(116);
    QTest::newRow("half to even, down") << true << 0.65625 << qint64(26);
    QTest::newRow("half to even, up") << true << 0.71875 << qint64(28);
}

void TestNavigation::startPosition()
{
    QFETCH(bool, findNext);
    QFETCH(double, topLine);
    QFETCH(qint64, expected);
    using Navigation::FindFrom;
    QCOMPARE(Navigation::startPosition(findNext ? FindFrom::TopLine : FindFrom::Start, topLine),
             expected);
}

void TestNavigation::topLineAfterFind_data()
{
    // A match, or the start of a search that found nothing, at a 1-based position.
    QTest::addColumn<qint64>("position");
    QTest::addColumn<double>("expected");
    QTest::newRow("1") << qint64(1) << 0.0;
    QTest::newRow("14") << qint64(14) << 0.0;
    QTest::newRow("15") << qint64(15) << 1.0;
    QTest::newRow("16") << qint64(16) << 1.0;
    QTest::newRow("26") << qint64(26) << 1.0;
    QTest::newRow("30") << qint64(30) << 1.0;
    QTest::newRow("31") << qint64(31) << 2.0;
}

void TestNavigation::topLineAfterFind()
{
    QFETCH(qint64, position);
    QFETCH(double, expected);
    QCOMPARE(Navigation::topLineAfterFind(position), expected);
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
