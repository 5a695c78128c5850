#include "document/keltable.h"
#include "document/texttable.h"
#include "platform/fileerror.h"
#include "support/tempfiles.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

using Kind = TextTable::Kind;

// An entry as one line of text, so that a table compares and prints at a glance.
QString described(const TextTable::Entry &entry)
{
    const char *kinds[] = {"", "/", "*", "$"};
    QString text = QString::fromLatin1(kinds[static_cast<int>(entry.kind)])
                   + QString::fromLatin1(entry.key.toHex().toUpper()) + '=' + entry.text;
    if (entry.kind == Kind::Linked)
        text += ',' + QString::number(entry.parameters);
    return text;
}

QStringList described(const TextTable &table)
{
    QStringList lines;
    for (const TextTable::Entry &entry : table.entries())
        lines.append(described(entry));
    return lines;
}

TextTable tableOf(const QStringList &lines)
{
    const TextTable::Parsed parsed = TextTable::parse(lines.join('\n').toUtf8());
    if (!parsed.warnings.isEmpty())
        qWarning("%s", qPrintable(parsed.warnings.first().what));
    return parsed.table;
}

// The Japanese example: a full-width space and a kanji of two bytes, kana of one, an end token.
const QStringList Japanese{"8140=\u3000", "10=\u3042", "11=\u3044", "889F=\u4E9C", "/FF=<end>"};

// Every spelling of text through the entries' texts, as the fewest bytes any of them takes.
qsizetype fewestByEnumeration(const QString &text, const TextTable &table)
{
    if (text.isEmpty())
        return 0;
    qsizetype best = -1;
    for (const TextTable::Entry &entry : table.entries()) {
        if (entry.text.isEmpty() || !text.startsWith(entry.text))
            continue;
        const qsizetype rest = fewestByEnumeration(text.mid(entry.text.size()), table);
        if (rest >= 0 && (best < 0 || entry.key.size() + rest < best))
            best = entry.key.size() + rest;
    }
    return best;
}

// A table whose one-byte keys lie below 80 and whose two-byte keys start at 80 or above, so
// that no key starts another and every spelling reads back as spelled.
TextTable randomTable(QRandomGenerator &random, int entries, int longestText)
{
    TextTable table;
    while (table.entries().size() < entries) {
        QString text;
        for (int n = 1 + int(random.bounded(longestText)); n > 0; --n)
            text += QChar(u'a' + random.bounded(3));
        const bool two = random.bounded(2) == 0;
        QByteArray key(1, char(random.bounded(0x80)));
        if (two)
            key = QByteArray(1, char(0x80 + random.bounded(4))) + char(random.bounded(256));
        table.add({key, text});
    }
    return table;
}

} // namespace

class tst_TextTable : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void readRefusesWhatIsNoTable();
    void fromKel();
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void readThenSpellGivesTheBytes();
    void spellThenReadGivesTheText();
    void fewestAgreesWithEnumeration();
};

void tst_TextTable::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<int>>("warningLines");

    QTest::newRow("keys of 1, 2 and 8 bytes, either case, text kept exactly")
        << QByteArray("41=A\n8140=\xE3\x80\x80\nc3=x=y \n0102030405060708=long\n")
        << QStringList{"41=A", "8140=\u3000", "C3=x=y ", "0102030405060708=long"} << QList<int>{};
    QTest::newRow("LF, CR LF and CR; a byte-order mark; comments and blank lines")
        << QByteArray("\xEF\xBB\xBF"
                      "# 41=X\r\n41=A\r\n\r\n  \t\r42=B\r43=C\n44=D")
        << QStringList{"41=A", "42=B", "43=C", "44=D"} << QList<int>{};
    QTest::newRow("end tokens and line breaks")
        << QByteArray("/FF=<end>\n*FE\n*FD=<br>\n/FCFB=\n")
        << QStringList{"/FF=<end>", "*FE=\n", "*FD=<br>", "/FCFB="} << QList<int>{};
    QTest::newRow("linked entries of 0, 1 and 2 parameters; a label holding a comma")
        << QByteArray("$F0=<wait>,0\n$F1=<color>,1\n$F2A0=<a,b>,2\n")
        << QStringList{"$F0=<wait>,0", "$F1=<color>,1", "$F2A0=<a,b>,2"} << QList<int>{};
    QTest::newRow("a key defined twice: the first holds")
        << QByteArray("41=A\n41=B\n8140=x\n8140=y\n") << QStringList{"41=A", "8140=x"}
        << QList<int>{2, 4};
    QTest::newRow("every line left out")
        << QByteArray("41=A\n"
                      "!F8=kanji,1\n"
                      "@main\n"
                      "A=1\n"
                      "414=1\n"
                      "010203040506070809=nine\n"
                      "4G=z\n"
                      "/<end>\n"
                      "/FF\n"
                      "42\n"
                      "$F0=<color>,%2X\n"
                      "$F1=<color>\n"
                      "$F2=<color>,256\n"
                      "43=\xFF\n"
                      "=x\n")
        << QStringList{"41=A"} << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE"
                                          "4\0001\000=\000A\000",
                                          10)
                            << QStringList{} << QList<int>{1};
}

void tst_TextTable::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, entries);
    QFETCH(QList<int>, warningLines);

    const TextTable::Parsed parsed = TextTable::parse(file);
    QCOMPARE(described(parsed.table), entries);
    QList<int> lines;
    for (const TextTable::Warning &warning : parsed.warnings) {
        lines.append(warning.line);
        QVERIFY(!warning.what.isEmpty());
    }
    QCOMPARE(lines, warningLines);
    QCOMPARE(parsed.lines.size(), parsed.table.entries().size());
}

void tst_TextTable::readRefusesWhatIsNoTable()
{
    TempFiles files;
    const QString utf16 = files.write(QStringLiteral("u.tbl"), QByteArray("\xFE\xFF\0004\0001", 6));
    QVERIFY_THROWS_EXCEPTION(FileError, (void) TextTable::read(utf16));
    QVERIFY_THROWS_EXCEPTION(FileError, (void) TextTable::read(files.path("none.tbl")));
    const QString empty = files.write(QStringLiteral("e.tbl"), {});
    QVERIFY(TextTable::read(empty).table.isEmpty());
}

void tst_TextTable::fromKel()
{
    KelTable kel;
    kel.readRecords("A\r\rc\xE9\r");
    const TextTable table = TextTable::fromKel(kel);
    // Byte 0 is the yen sign and an empty entry reads as nothing, as the window shows them.
    QCOMPARE(table.decode(QByteArray("\x00\x01\x02\x03\x04", 5)), QStringLiteral("\u00A5Ac\u00E9"));
    QCOMPARE(table.encode(QStringLiteral("c\u00E9A"), TextTable::Spelling::LongestFirst).bytes,
             QByteArray("\x03\x01"));
}

void tst_TextTable::decode_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("two-byte codes are never two one-byte entries")
        << Japanese << QByteArray::fromHex("81401011889FFF") << QString("\u3000あい亜<end>");
    QTest::newRow("a byte no key covers")
        << Japanese << QByteArray::fromHex("81108812") << QString("<$81>あ<$88><$12>");
    QTest::newRow("the longest key") << QStringList{"01=a", "0102=b", "010203=c", "03=d"}
                                     << QByteArray::fromHex("0102030102") << QString("cb");
    const QStringList linked{"$F0=<w>,0", "$F1=<c>,1", "$F2=<p>,2", "41=A"};
    QTest::newRow("linked entries and their parameters")
        << linked << QByteArray::fromHex("F0F141F2F0FF41") << QString("<w><c><$41><p><$F0><$FF>A");
    QTest::newRow("a linked entry cut short")
        << linked << QByteArray::fromHex("41F2F1") << QString("A<p><$F1>");
}

void tst_TextTable::decode()
{
    QFETCH(QStringList, table);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(tableOf(table).decode(bytes), text);
}

void tst_TextTable::encode_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fewest");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem"); // a part of it

    const QStringList dte{"61=a", "62=b", "63=c", "C0=ab", "C1=abc", "C2=bc", "D0=cab"};
    QTest::newRow("Japanese") << Japanese << QString("\u3000あい亜<end>") << false
                              << QByteArray::fromHex("81401011889FFF") << QString();
    QTest::newRow("longest text first")
        << dte << QString("abcab") << false << QByteArray::fromHex("C1C0") << QString();
    const QStringList mte{"61=a", "64=d", "65=e", "C0=abc", "C1=bcde"};
    QTest::newRow("longest text first can take more bytes")
        << mte << QString("abcde") << false << QByteArray::fromHex("C06465") << QString();
    QTest::newRow("the fewest bytes")
        << mte << QString("abcde") << true << QByteArray::fromHex("61C1") << QString();
    QTest::newRow("longest first stuck where another spelling exists")
        << QStringList{"61=a", "C0=ab", "C2=bc"} << QString("abc") << false
        << QByteArray::fromHex("C0") << QString("\"c\" at character 3");
    QTest::newRow("the same, with the fewest bytes")
        << QStringList{"61=a", "C0=ab", "C2=bc"} << QString("abc") << true
        << QByteArray::fromHex("61C2") << QString();
    QTest::newRow("equal texts: the shortest key, then the highest")
        << QStringList{"0141=A", "41=A", "42=A", "50=B", "0150=B"} << QString("AB") << false
        << QByteArray::fromHex("4250") << QString();
    QTest::newRow("typed bytes, either case") << Japanese << QString("<$81>あ<$ff><$0a>") << false
                                              << QByteArray::fromHex("8110FF0A") << QString();
    QTest::newRow("linked entries take their parameters as typed bytes")
        << QStringList{"$F1=<c>,1", "$F2=<p>,2", "41=A"} << QString("<c><$07>A<p><$01><$02>")
        << true << QByteArray::fromHex("F10741F20102") << QString();
    QTest::newRow("a linked entry without its parameters")
        << QStringList{"$F2=<p>,2", "41=A"} << QString("<p><$01>A") << false << QByteArray()
        << QString("\"<\" at character 1");
    QTest::newRow("a character no entry spells, past a surrogate pair")
        << QStringList{"41=A", "F09F=\U0001F600"} << QString("A\U0001F600Az") << false
        << QByteArray::fromHex("41F09F41") << QString("\"z\" at character 4");
    QTest::newRow("bytes that would read as another key")
        << QStringList{"81=x", "40=@", "8140=\u3000"} << QString("x@z") << false << QByteArray()
        << QString("\"x\" at character 1 cannot be spelled so that it reads back");
    QTest::newRow("bytes that would read as another key, past a good start")
        << QStringList{"81=x", "40=@", "8140=\u3000"} << QString("@x@") << true
        << QByteArray::fromHex("40")
        << QString("\"x\" at character 2 cannot be spelled so that "
                   "it reads back: its bytes 81 40 would read as "
                   "\"\u3000\"");
    QTest::newRow("a typed byte that would join the next")
        << QStringList{"40=@", "8140=\u3000"} << QString("<$81>@") << false << QByteArray()
        << QString("reads back");
}

void tst_TextTable::encode()
{
    QFETCH(QStringList, table);
    QFETCH(QString, text);
    QFETCH(bool, fewest);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);

    const TextTable::Encoded encoded = tableOf(table)
                                           .encode(text,
                                                   fewest ? TextTable::Spelling::Fewest
                                                          : TextTable::Spelling::LongestFirst);
    QVERIFY2(problem.isEmpty() ? encoded.problem.isEmpty() : encoded.problem.contains(problem),
             qPrintable(encoded.problem));
    QCOMPARE(encoded.bytes, bytes);
    if (problem.isEmpty())
        QCOMPARE(encoded.consumed, text.size());
}

void tst_TextTable::readThenSpellGivesTheBytes()
{
    // Keys of 1 to 3 bytes, prefixes of each other or not, each spelling a character of its
    // own, so that no text has two spellings; bytes that no key covers read as typed bytes.
    QRandomGenerator random(1807);
    for (int round = 0; round < 300; ++round) {
        TextTable table;
        for (int n = 1 + int(random.bounded(12)); n > 0; --n) {
            QByteArray key;
            for (int k = 1 + int(random.bounded(3)); k > 0; --k)
                key.append(char(random.bounded(4)));
            const bool linked = random.bounded(5) == 0;
            const QString text = QChar(char16_t(0x4E00 + table.entries().size()));
            table.add({key, text, linked ? Kind::Linked : Kind::Normal, int(random.bounded(3))});
        }
        QByteArray bytes;
        for (int n = int(random.bounded(24)); n > 0; --n)
            bytes.append(char(random.bounded(5)));
        const QString text = table.decode(bytes);
        for (const auto spelling :
             {TextTable::Spelling::LongestFirst, TextTable::Spelling::Fewest}) {
            const TextTable::Encoded encoded = table.encode(text, spelling);
            QVERIFY2(encoded.problem.isEmpty(), qPrintable(encoded.problem));
            QCOMPARE(encoded.bytes, bytes);
        }
    }
}

void tst_TextTable::spellThenReadGivesTheText()
{
    // DTE and MTE entries over three letters, keys that may start each other: whatever is
    // spelled reads back as the text, and what is refused is refused with a reason.
    QRandomGenerator random(77);
    int spelled = 0;
    for (int round = 0; round < 400; ++round) {
        TextTable table;
        for (int n = 1 + int(random.bounded(10)); n > 0; --n) {
            QByteArray key;
            for (int k = 1 + int(random.bounded(2)); k > 0; --k)
                key.append(char(random.bounded(6)));
            QString text;
            for (int k = 1 + int(random.bounded(3)); k > 0; --k)
                text += QChar(u'a' + random.bounded(3));
            table.add({key, text});
        }
        QString text;
        for (int n = 1 + int(random.bounded(12)); n > 0; --n)
            text += QChar(u'a' + random.bounded(3));
        for (const auto spelling :
             {TextTable::Spelling::LongestFirst, TextTable::Spelling::Fewest}) {
            const TextTable::Encoded encoded = table.encode(text, spelling);
            if (encoded.problem.isEmpty()) {
                QCOMPARE(table.decode(encoded.bytes), text);
                ++spelled;
            } else {
                QVERIFY(encoded.consumed < text.size());
                QCOMPARE(table.decode(encoded.bytes), text.left(encoded.consumed));
            }
        }
    }
    QVERIFY2(spelled > 100, qPrintable(QString::number(spelled)));
}

void tst_TextTable::fewestAgreesWithEnumeration()
{
    QRandomGenerator random(4242);
    int spelled = 0;
    for (int round = 0; round < 400; ++round) {
        const TextTable table = randomTable(random, 2 + int(random.bounded(8)), 4);
        QString text;
        for (int n = 1 + int(random.bounded(10)); n > 0; --n)
            text += QChar(u'a' + random.bounded(3));
        const qsizetype expected = fewestByEnumeration(text, table);
        const TextTable::Encoded encoded = table.encode(text, TextTable::Spelling::Fewest);
        QCOMPARE(encoded.problem.isEmpty() ? encoded.bytes.size() : -1, expected);
        spelled += expected >= 0 ? 1 : 0;
    }
    QVERIFY2(spelled > 40, qPrintable(QString::number(spelled)));
}

QTEST_GUILESS_MAIN(tst_TextTable)
#include "tst_texttable.moc"
