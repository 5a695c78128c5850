#include "document/relsearch.h"
#include "platform/binaryfile.h"
#include "support/tempfiles.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<int>)

class tst_RelSearch : public QObject
{
    Q_OBJECT

private slots:
    void match_data();
    void match();
    void scanFindsEveryFit();
    void draftTable();
};

void tst_RelSearch::match_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<std::optional<int>>("capitalA");
    QTest::addColumn<std::optional<int>>("smallA");

    const std::optional<int> none;
    QTest::newRow("small letters") << QStringLiteral("key") << QByteArray("\xAA\xA4\xB8") << true
                                   << none << std::optional<int>(0xA0);
    QTest::newRow("other characters stand for any byte")
        << QStringLiteral("a k!y") << QByteArray("\x10\x55\x1A\x77\x28") << true << none
        << std::optional<int>(0x10);
    QTest::newRow("two cases, each its own alphabet")
        << QStringLiteral("Key") << QByteArray("\x8A\xA4\xB8") << true << std::optional<int>(0x80)
        << std::optional<int>(0xA0);
    QTest::newRow("differences differ")
        << QStringLiteral("key") << QByteArray("\xAA\xA4\xB9") << false << none << none;
    QTest::newRow("z beyond FF") << QStringLiteral("ab") << QByteArray("\xF0\xF1") << false << none
                                 << none;
    QTest::newRow("a before 00") << QStringLiteral("yz") << QByteArray("\x05\x06") << false << none
                                 << none;
    QTest::newRow("alphabets sharing codes")
        << QStringLiteral("ABab") << QByteArray("\x40\x41\x50\x51") << false << none << none;
}

void tst_RelSearch::match()
{
    QFETCH(QString, word);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fits);
    QFETCH(std::optional<int>, capitalA);
    QFETCH(std::optional<int>, smallA);

    const auto hit = RelSearch::Word(word).match(
        reinterpret_cast<const unsigned char *>(bytes.constData()));
    QCOMPARE(hit.has_value(), fits);
    if (hit) {
        QCOMPARE(hit->capitalA, capitalA);
        QCOMPARE(hit->smallA, smallA);
    }
}

void tst_RelSearch::scanFindsEveryFit()
{
    // Small codes, so that fits are common and some straddle the chunks; random words of both
    // cases with wildcards, so that letters are linked across gaps of every size.
    QRandomGenerator random(4242);
    QByteArray rom;
    for (int k = 0; k < 3000; ++k)
        rom.append(char(random.bounded(4) + (k % 500 < 250 ? 0 : 0xE0)));
    TempFiles files;
    BinaryFile file(files.write(QStringLiteral("rom.smc"), rom), BinaryFile::Mode::Read);
    const QString alphabet = QStringLiteral("abcdABCD-xyzXYZ");
    QStringList words{QStringLiteral("a-bd"), QStringLiteral("Ab"), QStringLiteral("aaaa")};
    for (int w = 0; w < 40; ++w) {
        QString word;
        const int length = 2 + random.bounded(12);
        for (int k = 0; k < length; ++k)
            word += alphabet.at(random.bounded(alphabet.size()));
        words.append(word);
    }
    int fits = 0;
    for (const QString &text : words) {
        const RelSearch::Word word(text);
        if (!word.problem().isEmpty())
            continue;
        for (const qint64 chunk : {qint64(1), qint64(7), FileSearch::DefaultChunkSize}) {
            QList<qint64> found;
            word.scan(
                file,
                5,
                rom.size() - 1,
                [&](const RelSearch::Hit &hit) { return found.append(hit.offset), true; },
                chunk);
            QList<qint64> expected;
            for (qint64 at = 5; at + word.length() <= rom.size() - 1; ++at) {
                if (word.match(reinterpret_cast<const unsigned char *>(rom.constData() + at)))
                    expected.append(at);
            }
            fits += expected.size();
            QVERIFY2(found == expected, qPrintable(text));
        }
    }
    QVERIFY(fits > 100);
}

void tst_RelSearch::draftTable()
{
    RelSearch::Hit hit;
    hit.smallA = 0xA0;
    RelSearch::Draft draft = RelSearch::draftTable(hit);
    QCOMPARE(draft.table.entry(0xA0), QByteArray("a"));
    QCOMPARE(draft.table.entry(0xB9), QByteArray("z"));
    QCOMPARE(draft.table.entry(0x80), QByteArray());
    QCOMPARE(draft.table.recordsSize(), KelTable::RecordCount + 26);
    QVERIFY(draft.leftOut.isEmpty());

    // A at byte 00 cannot be held; B to Z can.
    hit.capitalA = 0;
    draft = RelSearch::draftTable(hit);
    QCOMPARE(draft.table.entry(0), QByteArray("\xA5"));
    QCOMPARE(draft.table.entry(1), QByteArray("B"));
    QCOMPARE(draft.table.recordsSize(), KelTable::RecordCount + 51);
    QCOMPARE(draft.leftOut.size(), 1);
}

QTEST_GUILESS_MAIN(tst_RelSearch)
#include "tst_relsearch.moc"
