#include "document/navigation.h"
#include "document/spellings.h"
#include "plainspellings.h"
#include "platform/binaryfile.h"
#include "platform/filesearch.h"
#include "support/tempfiles.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

using Entries = QMap<int, QByteArray>;

KelTable tableOf(const Entries &entries)
{
    KelTable table;
    table.readRecords({});
    for (auto it = entries.begin(); it != entries.end(); ++it)
        table.setEntry(it.key(), it.value());
    return table;
}

QList<qint64> spellingStarts(const QString &romPath,
                             const QByteArray &text,
                             const KelTable &table,
                             qint64 from,
                             qint64 chunk)
{
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    Spellings spellings(text, table);
    QList<qint64> found;
    spellings.scan(
        rom, from, rom.length(), [&](qint64 at) { return found.append(at), true; }, chunk);
    return found;
}

QList<qint64> patternStarts(const QString &romPath,
                            const QByteArray &pattern,
                            qint64 from,
                            qint64 chunk)
{
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    QList<qint64> found;
    FileSearch::eachMatch(
        rom, pattern, from, rom.length(), [&](qint64 at) { return found.append(at), true; }, chunk);
    return found;
}

// Bytes and table entries from a few letters, so that spellings and matches are common.
QByteArray randomText(QRandomGenerator &random, int maxLength)
{
    QByteArray text;
    for (int n = 1 + int(random.bounded(maxLength)); n > 0; --n)
        text.append(char('a' + random.bounded(3)));
    return text;
}

} // namespace

class tst_Spellings : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void agreesWithPlainEnumeration();
    void patternScanAgreesWithIndexOf();

private:
    TempFiles m_files;
};

void tst_Spellings::matches_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<qint64>>("starts");

    const Entries the{{1, "t"}, {2, "h"}, {3, "e"}, {4, "th"}, {5, "he"}};
    QTest::newRow("every split of the") << the << QByteArray("\x04\x03.\x01\x05.\x01\x02\x03")
                                        << QByteArray("the") << QList<qint64>{0, 3, 6};
    QTest::newRow("an empty entry breaks a run")
        << the << QByteArray("\x04\x09\x03\x04\x03") << QByteArray("the") << QList<qint64>{3};
    QTest::newRow("overlapping") << Entries{{1, "a"}} << QByteArray("\x01\x01\x01")
                                 << QByteArray("aa") << QList<qint64>{0, 1};
    QTest::newRow("byte 0 spells the yen sign") << Entries{{1, "a"}} << QByteArray("\x01\x00", 2)
                                                << QByteArray("a\xA5") << QList<qint64>{0};
    QTest::newRow("no spelling at all")
        << the << QByteArray("\x01\x02") << QByteArray("tx") << QList<qint64>{};
    // 70 characters take two words of state; the shift of "bb" crosses between them.
    const QByteArray longText = QByteArray(63, 'a') + "bbbbbbb";
    QTest::newRow("more than 63 characters")
        << Entries{{1, "a"}, {2, "bb"}, {3, "b"}}
        << (QByteArray(64, '\x01') + QByteArray("\x02\x03\x02\x02\x03\x03\x03\x02\x02\x03"))
        << longText << QList<qint64>{1};
}

void tst_Spellings::matches()
{
    QFETCH(Entries, entries);
    QFETCH(QByteArray, rom);
    QFETCH(QByteArray, text);
    QFETCH(QList<qint64>, starts);

    const KelTable table = tableOf(entries);
    QCOMPARE(Spellings(text, table).possible(), !PlainSpellings::all(text, table).isEmpty());
    QCOMPARE(PlainSpellings::starts(rom, text, table, 0), starts);
    const QString path = m_files.write(QStringLiteral("rom.smc"), rom);
    for (const qint64 chunk : {qint64(1), qint64(3), FileSearch::DefaultChunkSize})
        QCOMPARE(spellingStarts(path, text, table, 0, chunk), starts);
}

void tst_Spellings::agreesWithPlainEnumeration()
{
    QRandomGenerator random(20240517);
    qsizetype matches = 0;
    for (int round = 0; round < 400; ++round) {
        KelTable table;
        table.readRecords({});
        for (int n = 2 + int(random.bounded(5)); n > 0; --n)
            table.setEntry(1 + int(random.bounded(6)), randomText(random, 2));
        QByteArray rom;
        for (int n = int(random.bounded(80)); n > 0; --n)
            rom.append(char(random.bounded(8)));
        // Mostly a text that the table can spell, now and then one it may not.
        QByteArray text = random.bounded(8) == 0 ? randomText(random, 4) : QByteArray();
        for (int n = text.isEmpty() ? 1 + int(random.bounded(4)) : 0; n > 0; --n)
            text += table.entry(1 + int(random.bounded(6)));
        if (text.isEmpty())
            text = "a";
        const qint64 from = random.bounded(8);
        const qint64 chunk = 1 + random.bounded(9);
        const QString path = m_files.write(QStringLiteral("random.smc"), rom);
        const QList<qint64> expected = PlainSpellings::starts(rom, text, table, from);
        QCOMPARE(spellingStarts(path, text, table, from, chunk), expected);
        matches += expected.size();
    }
    QVERIFY2(matches > 500, qPrintable(QString::number(matches)));
}

void tst_Spellings::patternScanAgreesWithIndexOf()
{
    QRandomGenerator random(77);
    for (int round = 0; round < 300; ++round) {
        QByteArray rom = randomText(random, 80);
        const QByteArray pattern = randomText(random, 4);
        const qint64 from = random.bounded(10);
        const QString path = m_files.write(QStringLiteral("pattern.smc"), rom);
        QList<qint64> expected;
        for (qsizetype at = rom.indexOf(pattern, from); at >= 0; at = rom.indexOf(pattern, at + 1))
            expected.append(at);
        const QList<qint64> found = patternStarts(path, pattern, from, 1 + random.bounded(9));
        QCOMPARE(found, expected);
        // Its first match is Find's, wherever Find searches at all.
        BinaryFile file(path, BinaryFile::Mode::Read);
        if (from + 1 <= rom.size() - 1) {
            const auto first = FileSearch::findPattern(file, pattern, from + 1, rom.size());
            QCOMPARE(first ? *first - 1 : -1, found.isEmpty() ? -1 : found.first());
        }
    }
}

QTEST_GUILESS_MAIN(tst_Spellings)
#include "tst_spellings.moc"
