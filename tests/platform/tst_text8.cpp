#include "platform/text8.h"

#include <QTest>

class TestText8 : public QObject
{
    Q_OBJECT

private slots:
    void everyByteSurvivesTheWidgets();
    void charactersBeyond8BitsAreRefused();
    void controlCharactersAreDrawnVisibly();
};

void TestText8::everyByteSurvivesTheWidgets()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString shown = Text8::toWidget(all);
    QCOMPARE(shown.size(), 256);
    QCOMPARE(shown.at(0xA5), QChar(0x00A5));
    QCOMPARE(Text8::fromWidget(shown).value(), all);
}

void TestText8::charactersBeyond8BitsAreRefused()
{
    const QString text = QStringLiteral("ab\u20ACc");
    QCOMPARE(Text8::firstNon8Bit(text), 2);
    QVERIFY(!Text8::fromWidget(text).has_value());
    QCOMPARE(Text8::firstNon8Bit(QStringLiteral("\u00FF")), -1);
}

void TestText8::controlCharactersAreDrawnVisibly()
{
    const QString shown = Text8::toDisplay(QByteArray("A\nB\r\x00\x7F\xA5", 7));
    QCOMPARE(shown.size(), 7);
    QCOMPARE(shown.at(0), QChar(u'A'));
    QCOMPARE(shown.at(1), QChar(0x240A));
    QCOMPARE(shown.at(3), QChar(0x240D));
    QCOMPARE(shown.at(4), QChar(0x2400));
    QCOMPARE(shown.at(5), QChar(0x2421));
    QCOMPARE(shown.at(6), QChar(0x00A5));
    for (const QChar c : shown)
        QVERIFY(c.category() != QChar::Other_Control);
}

QTEST_GUILESS_MAIN(TestText8)
#include "tst_text8.moc"
