#include "document/keltable.h"
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
// Keys in hex and their texts, for a table with keys of more than one byte.
using Keys = QMap<QByteArray, QString>;

// A .kel's table, as the command line reads one.
TextTable tableOf(const Entries &entries)
{
    KelTable table;
    table.readRecords({});
    for (auto it = entries.begin(); it != entries.end(); ++it)
        table.setEntry(it.key(), it.value());
    return TextTable::fromKel(table);
}

TextTable tableOf(const Keys &keys)
{
    TextTable table;
    for (auto it = keys.begin(); it != keys.end(); ++it)
        table.add({QByteArray::fromHex(it.key()), it.value()});
    return table;
}

QList<qint64> spellingStarts(
    const QString &romPath, const QString &text, const TextTable &table, qint64 from, qint64 chunk)
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
    QTest::addColumn<TextTable>("table");
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("starts");

    const TextTable the = tableOf(Entries{{1, "t"}, {2, "h"}, {3, "e"}, {4, "th"}, {5, "he"}});
    QTest::newRow("every split of the")
        << the << QByteArray("\x04\x03.\x01\x05.\x01\x02\x03") << "the" << QList<qint64>{0, 3, 6};
    QTest::newRow("an empty entry breaks a run")
        << the << QByteArray("\x04\x09\x03\x04\x03") << "the" << QList<qint64>{3};
    QTest::newRow("overlapping") << tableOf(Entries{{1, "a"}}) << QByteArray("\x01\x01\x01") << "aa"
                                 << QList<qint64>{0, 1};
    QTest::newRow("byte 0 spells the yen sign")
        << tableOf(Entries{{1, "a"}}) << QByteArray("\x01\x00", 2) << "a\u00A5" << QList<qint64>{0};
    QTest::newRow("no spelling at all") << the << QByteArray("\x01\x02") << "tx" << QList<qint64>{};
    // 70 characters take two words of state; the shift of "bb" crosses between them.
    const QString longText = QString(63, 'a') + "bbbbbbb";
    QTest::newRow("more than 63 characters")
        << tableOf(Entries{{1, "a"}, {2, "bb"}, {3, "b"}})
        << (QByteArray(64, '\x01') + QByteArray("\x02\x03\x02\x02\x03\x03\x03\x02\x02\x03"))
        << longText << QList<qint64>{1};
    // Kana of one byte, kanji of two, a word of three: runs of one text but different lengths
    // that end at the same byte, and starts inside another run.
    const TextTable japanese = tableOf(Keys{{"10", "\u3042"},
                                            {"11", "\u3044"},
                                            {"889F", "\u4E9C"},
                                            {"1011", "\u3042\u3044"},
                                            {"8810", "x"},
                                            {"E01011", "\u3042\u3044"}});
    QTest::newRow("keys of 1, 2 and 3 bytes")
        << japanese << QByteArray::fromHex("E010118810119F889F") << "\u3042\u3044"
        << QList<qint64>{0, 1, 4};
    QTest::newRow("a kanji split across runs")
        << japanese << QByteArray::fromHex("88889F1011") << "\u4E9C\u3042" << QList<qint64>{1};
}

void tst_Spellings::matches()
{
    QFETCH(TextTable, table);
    QFETCH(QByteArray, rom);
    QFETCH(QString, text);
    QFETCH(QList<qint64>, starts);

    QCOMPARE(Spellings(text, table).possible(), !PlainSpellings::all(text, table).isEmpty());
    QCOMPARE(PlainSpellings::starts(rom, text, table, 0), starts);
    const QString path = m_files.write(QStringLiteral("rom.smc"), rom);
    for (const qint64 chunk : {qint64(1), qint64(3), FileSearch::DefaultChunkSize})
        QCOMPARE(spellingStarts(path, text, table, 0, chunk), starts);
}

void tst_Spellings::agreesWithPlainEnumeration()
{
    // Keys of one to three bytes over a few values, so that keys start each other and runs of
    // different lengths spell one text.
    QRandomGenerator random(20240517);
    qsizetype matches = 0;
    for (int round = 0; round < 400; ++round) {
        TextTable table;
        QList<QString> texts;
        for (int n = 2 + int(random.bounded(6)); n > 0; --n) {
            QByteArray key;
            for (int k = random.bounded(3) == 0 ? 2 + int(random.bounded(2)) : 1; k > 0; --k)
                key.append(char(1 + random.bounded(5)));
            const QString text = QString::fromLatin1(randomText(random, 2));
            if (table.add({key, text}))
                texts.append(text);
        }
        QByteArray rom;
        for (int n = int(random.bounded(80)); n > 0; --n)
            rom.append(char(random.bounded(7)));
        // Mostly a text that the table can spell, now and then one it may not.
        QString text = random.bounded(8) == 0 ? QString::fromLatin1(randomText(random, 4))
                                              : QString();
        for (int n = text.isEmpty() ? 1 + int(random.bounded(4)) : 0; n > 0; --n)
            text += texts.at(random.bounded(texts.size()));
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
