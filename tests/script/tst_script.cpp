#include "document/texttable.h"
#include "platform/error.h"
#include "script/script.h"
#include "script/scriptdump.h"
#include "script/scriptinsert.h"
#include "script/stringreader.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using Mapping = PointerFormat::Mapping;
using Kind = TextTable::Kind;

namespace {

// Letters, a kana and a run of letters under two-byte codes, an end token, a line break with
// text and one that is a line feed, a linked entry with a parameter, and a two-byte code that
// holds the end byte; bytes 90 to FF are in no entry and read as raw bytes.
TextTable makeTable()
{
    TextTable table;
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                           "0123456789 .,!?@/\\");
    for (qsizetype k = 0; k < letters.size(); ++k)
        table.add({QByteArray(1, char(0x20 + k)), letters.mid(k, 1), Kind::Normal, 0});
    table.add({QByteArray("\x80\x01", 2), QStringLiteral("の"), Kind::Normal, 0});
    table.add({QByteArray("\x80\x02", 2), QStringLiteral("the "), Kind::Normal, 0});
    table.add({QByteArray("\x81\x00", 2), QStringLiteral("ä"), Kind::Normal, 0});
    table.add({QByteArray(1, '\0'), QStringLiteral("<end>"), Kind::End, 0});
    table.add({QByteArray(1, '\x0A'), QStringLiteral("<br>"), Kind::LineBreak, 0});
    table.add({QByteArray(1, '\x0B'), QStringLiteral("\n"), Kind::LineBreak, 0});
    table.add({QByteArray(1, '\x0C'), QStringLiteral("[color]"), Kind::Linked, 1});
    return table;
}

// A random string as the game would store it, its end last.
QByteArray randomString(QRandomGenerator &random, int units)
{
    QByteArray bytes;
    for (int k = 0; k < units; ++k) {
        const int pick = random.bounded(20);
        if (pick < 12)
            bytes += char(0x20 + random.bounded(70));
        else if (pick == 12)
            bytes += QByteArray("\x80\x01", 2);
        else if (pick == 13)
            bytes += QByteArray("\x80\x02", 2);
        else if (pick == 14)
            bytes += QByteArray("\x81\x00", 2);
        else if (pick == 15)
            bytes += '\x0A';
        else if (pick == 16)
            bytes += '\x0B';
        else if (pick == 17)
            bytes += QByteArray("\x0C", 1) + char(random.bounded(256)); // 00 too: ends nothing
        else
            bytes += char(0x90 + random.bounded(0x70));
    }
    return bytes + '\0';
}

struct Layout
{
    PointerFormat format;
    qint64 fileSize = 0;
    qint64 table = 0; // the pointer table
    qint64 text = 0;  // where the strings start
    PointerFormat::Range space;
};

} // namespace

class TestScript : public QObject
{
    Q_OBJECT

private slots:
    void writesTheFormat();
    void readsHandWritten();
    void refusesNonsense_data();
    void refusesNonsense();
    void roundTrip_data();
    void roundTrip();
    void refusesWhatCannotBeSpelled();
    void spaceFitsExactly_data();
    void spaceFitsExactly();
    void refusesPointersOutsideTheRom();
    void fixedLength_data();
    void fixedLength();
    void scriptsThatShareAPointer();

private:
    TextTable m_table = makeTable();
};

// One string, "Hi", a line break, "@" and the end, through one pointer at 0.
static QByteArray tinyRom()
{
    return QByteArray("\x04\x00\xEE\xEE"
                      "\x27\x42\x0A\x63\x00"
                      "\xEE\xEE",
                      11);
}

static ScriptDump::Options tinyOptions()
{
    ScriptDump::Options options;
    options.format.mapping = Mapping::Base;
    options.tables = {{0, 1}};
    options.romName = QStringLiteral("tiny.smc");
    options.tablePath = QStringLiteral("tiny.tbl");
    return options;
}

// Written by hand from the format's description; the checksums are zlib's CRC32 of the bytes.
static const char TinyScript[] = "@script 1\n"
                                 "@rom size=11 crc32=%1 tiny.smc\n"
                                 "@table tiny.tbl\n"
                                 "@format width=2 little-endian stride=2 base=0x0\n"
                                 "\n"
                                 "@string 1 at=0x4 length=5 crc32=C799290D\n"
                                 "@pointers 0x0\n"
                                 "Hi<br>\n"
                                 "\\@<end>\n";

void TestScript::writesTheFormat()
{
    const QByteArray rom = tinyRom();
    const Script script = ScriptDump::dump(rom, m_table, tinyOptions());
    const QByteArray text = script.toUtf8();
    const QString crc = QStringLiteral("%1").arg(Script::crc32(rom), 8, 16, QLatin1Char('0'));
    const QByteArray expected = QString::fromLatin1(TinyScript).arg(crc.toUpper()).toUtf8();
    QVERIFY2(text.endsWith(expected), text.constData());
    for (const QByteArray &line : text.chopped(expected.size()).split('\n'))
        QVERIFY(line.isEmpty() || line.startsWith("//"));
    QVERIFY(text.contains("@rom size=11 crc32="));
}

void TestScript::readsHandWritten()
{
    const QByteArray rom = tinyRom();
    QString text = QString::fromLatin1(TinyScript).arg(Script::crc32(rom), 8, 16, QLatin1Char('0'));
    text.replace(QStringLiteral("Hi<br>"), QStringLiteral("// a comment\r\nHo<br>  \\\\"));
    const Script script = Script::parse(text.toUtf8(), QStringLiteral("tiny.txt"));
    QCOMPARE(script.strings.size(), 1);
    QCOMPARE(script.strings[0].text(), QStringLiteral("Ho<br>  \\@<end>"));
    QCOMPARE(script.strings[0].pointers, QList<qint64>{0});
    QCOMPARE(script.tablePath, QStringLiteral("tiny.tbl"));

    // Back in: "i" became "o", which fits the old place.
    text.replace(QStringLiteral("  \\\\"), QString());
    const Script edited = Script::parse(text.toUtf8(), QStringLiteral("tiny.txt"));
    const ScriptInsert::Result inPlace
        = ScriptInsert::insert(rom, {{edited, QStringLiteral("tiny.txt"), &m_table}}, {});
    QCOMPARE(inPlace.rom, QByteArray(rom).replace(5, 1, "\x48"));
    QCOMPARE(inPlace.summary.inPlace, 1);
}

void TestScript::refusesNonsense_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown directive") << "@pointers 0x0"
                                       << "@pointer 0x0"
                                       << "tiny.txt:7: \"@pointer\" is no directive";
    QTest::newRow("string number twice")
        << "\\@<end>\n"
        << "\\@<end>\n@string 1 at=0x4 length=5 crc32=0\n@pointers 0x0\n"
        << "tiny.txt:10: string 1 comes a second time (first at line 6)";
    QTest::newRow("bad number") << "at=0x4"
                                << "at=0x4G"
                                << "tiny.txt:6: \"0x4G\" is no number";
    QTest::newRow("text before the strings") << "@table tiny.tbl\n"
                                             << "@table tiny.tbl\nHello\n"
                                             << "tiny.txt:4: text before the first @string";
    QTest::newRow("no pointers") << "@pointers 0x0\n"
                                 << ""
                                 << "tiny.txt:6: string 1 has no @pointers line";
    QTest::newRow("no header") << "@script 1\n"
                               << ""
                               << "tiny.txt:5: @string before the @script";
    QTest::newRow("format twice") << "@table"
                                  << "@format lorom\n@table"
                                  << "tiny.txt:5: @format comes twice";
    QTest::newRow("bad format") << "base=0x0"
                                << "base=0x0 sideways"
                                << "tiny.txt:4: \"sideways\" is no part of a pointer format";
}

void TestScript::refusesNonsense()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    const QString text = QString::fromLatin1(TinyScript).arg(0).replace(from, to);
    try {
        (void) Script::parse(text.toUtf8(), QStringLiteral("tiny.txt"));
        QFAIL("a script with a fault was read");
    } catch (const Error &error) {
        QVERIFY2(error.message().startsWith(message), qPrintable(error.message()));
    }
}

namespace {

std::vector<Layout> layouts()
{
    const auto layout =
        [](Mapping mapping, int width, qint64 fileSize, qint64 table, qint64 text, qint64 space) {
            Layout l;
            l.format.mapping = mapping;
            l.format.width = l.format.stride = width;
            l.fileSize = fileSize;
            l.table = table;
            l.text = text;
            l.space = {space, space + 0x1FFF};
            return l;
        };
    std::vector<Layout> all{
        layout(Mapping::Base, 2, 0x10000, 0x100, 0x400, 0x4000),
        layout(Mapping::Base, 2, 0x20000, 0x100, 0x1400, 0x6000),
        layout(Mapping::LoRom, 2, 0x10000, 0x100, 0x400, 0x4000),
        layout(Mapping::LoRom, 2, 0x10200, 0x300, 0x600, 0x4200),
        layout(Mapping::LoRom, 3, 0x20000, 0x100, 0x8400, 0xC000),
        layout(Mapping::HiRom, 2, 0x20000, 0x100, 0x10400, 0x14000),
        layout(Mapping::HiRom, 3, 0x20200, 0x300, 0x10600, 0x14200),
        layout(Mapping::ExHiRom, 3, 0x410000, 0x100, 0x400400, 0x404000),
    };
    all[1].format.base = 0x1000; // big-endian, with a gap between pointers
    all[1].format.bigEndian = true;
    all[1].format.stride = 4;
    all[4].format.bigEndian = true;
    all[5].format.bank = 0xC1;
    return all;
}

} // namespace

void TestScript::roundTrip_data()
{
    QTest::addColumn<int>("layout");
    const char *names[] = {"base 2-byte",
                           "base 2-byte big-endian stride 4",
                           "lorom 2-byte",
                           "lorom 2-byte copier header",
                           "lorom 3-byte big-endian",
                           "hirom 2-byte bank C1",
                           "hirom 3-byte copier header",
                           "exhirom 3-byte upper 4 MiB"};
    for (int k = 0; k < 8; ++k)
        QTest::newRow(names[k]) << k;
}

// Dumps strings of every kind of unit through shared pointers and pointers into the middle of
// another string, checks that the unchanged script inserts back byte for byte, then edits them
// at random and checks what the game would read.
void TestScript::roundTrip()
{
    QFETCH(int, layout);
    const Layout l = layouts()[std::size_t(layout)];
    for (quint32 seed = 1; seed <= 4; ++seed) {
        QRandomGenerator random(seed * 31 + quint32(layout));
        QByteArray rom(l.fileSize, '\0');
        for (char &byte : rom)
            byte = char(random.bounded(256));
        PointerFormat format = l.format;
        format.setFileSize(rom.size());
        QList<qint64> targets;
        qint64 at = l.text;
        for (int k = 0; k < 30; ++k) {
            QByteArray bytes = randomString(random, random.bounded(40));
            if (k % 7 == 3) {
                bytes.prepend('\x20');
                targets.append(at + 1);
            }
            rom.replace(at, bytes.size(), bytes);
            targets.append(at);
            at += bytes.size();
        }
        for (int k = 0; k < 5; ++k)
            targets.append(targets[random.bounded(targets.size())]);
        for (qsizetype k = 0; k < targets.size(); ++k) {
            const qint64 place = l.table + k * format.stride;
            format.write(rom, place, format.valueFor(targets[k], place).value());
        }

        ScriptDump::Options options;
        options.format = l.format;
        options.tables = {{l.table, targets.size()}};
        const Script dumped = Script::parse(ScriptDump::dump(rom, m_table, options).toUtf8(),
                                            QStringLiteral("s.txt"));
        QVERIFY(dumped.strings.size() < targets.size());
        const ScriptInsert::Result same
            = ScriptInsert::insert(rom, {{dumped, QStringLiteral("s.txt"), &m_table}}, {});
        QVERIFY(same.rom == rom);
        QCOMPARE(same.summary.unchanged, dumped.strings.size());

        Script edited = dumped;
        for (Script::String &string : edited.strings) {
            const int edit = random.bounded(4);
            if (edit == 1)
                string.lines = {m_table.decode(randomString(random, 30 + random.bounded(30)))};
            else if (edit == 2)
                string.lines = {m_table.decode(randomString(random, random.bounded(3)))};
            else if (edit == 3)
                string.lines = {QStringLiteral("<end>")};
        }
        edited = Script::parse(edited.toUtf8(), QStringLiteral("s.txt"));
        ScriptInsert::Options insertOptions;
        insertOptions.space = {l.space};
        if (seed % 2 == 0)
            insertOptions.fill = '\xFF';
        if (seed % 3 == 0)
            insertOptions.spelling = TextTable::Spelling::Fewest;
        const ScriptInsert::Result result = ScriptInsert::insert(rom,
                                                                 {{edited,
                                                                   QStringLiteral("s.txt"),
                                                                   &m_table}},
                                                                 insertOptions);
        const QByteArray &out = result.rom;
        QCOMPARE(out.size(), rom.size());
        QVERIFY(result.summary.moved > 0);

        // Through each pointer, the string's new text; new places apart from every other.
        const StringReader reader(m_table, {}, 0);
        std::vector<bool> mayChange(std::size_t(rom.size()), false);
        for (qint64 k = l.space.first; k <= l.space.last; ++k)
            mayChange[std::size_t(k)] = true;
        std::vector<std::pair<qint64, qint64>> places;
        for (qsizetype k = 0; k < edited.strings.size(); ++k) {
            const Script::String &string = edited.strings[k];
            for (qint64 b = string.at; b < string.at + string.length; ++b)
                mayChange[std::size_t(b)] = true;
            qint64 newAt = -1;
            for (const qint64 place : string.pointers) {
                for (int b = 0; b < format.width; ++b)
                    mayChange[std::size_t(place + b)] = true;
                const qint64 target = format.offsetOf(format.read(out, place), place).value();
                const qint64 length = reader.lengthAt(out, target).value();
                QCOMPARE(m_table.decode(out.mid(target, length)), string.text());
                QVERIFY(newAt == -1 || newAt == target);
                newAt = target;
            }
            if (string.text() != dumped.strings[k].text())
                places.emplace_back(newAt, newAt + reader.lengthAt(out, newAt).value());
        }
        for (qsizetype b = 0; b < rom.size(); ++b) {
            if (!mayChange[std::size_t(b)] && out[b] != rom[b])
                QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(b, 0, 16)));
        }
        std::sort(places.begin(), places.end());
        for (std::size_t k = 1; k < places.size(); ++k)
            QVERIFY(places[k].first >= places[k - 1].second);
    }
}

void TestScript::refusesWhatCannotBeSpelled()
{
    const QByteArray rom = tinyRom() + QByteArray(tinyRom()).replace(0, 1, "\x0F");
    ScriptDump::Options options = tinyOptions();
    options.tables = {{0, 1}, {11, 1}};
    Script script = ScriptDump::dump(rom, m_table, options);
    script.strings[0].lines = {QStringLiteral("H€<end>")};
    script.strings[1].lines = {QStringLiteral("Hi there<end>")}; // and no space to move to
    try {
        (void) ScriptInsert::insert(rom, {{script, QStringLiteral("t.txt"), &m_table}}, {});
        QFAIL("a text that cannot be spelled was inserted");
    } catch (const Error &error) {
        const QString message = error.message();
        QVERIFY2(message.startsWith(QLatin1String("nothing was written: 2 of 2 strings failed")),
                 qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("t.txt string 1 (5 bytes at 0x4): cannot be "
                                                "spelled")),
                 qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("t.txt string 2 (5 bytes at 0xF): needs 9 bytes")),
                 qPrintable(message));
    }
}

void TestScript::spaceFitsExactly_data()
{
    QTest::addColumn<qint64>("spaceSize");
    QTest::addColumn<bool>("fits");
    QTest::newRow("exactly") << qint64(12) << true;
    QTest::newRow("one byte short") << qint64(11) << false;
}

void TestScript::spaceFitsExactly()
{
    QFETCH(qint64, spaceSize);
    QFETCH(bool, fits);
    const QByteArray rom = tinyRom() + QByteArray(32, '\xEE');
    Script script = ScriptDump::dump(rom, m_table, tinyOptions());
    script.strings[0].lines = {QStringLiteral("Hello world<end>")}; // 12 bytes
    ScriptInsert::Options options;
    options.space = {{20, 20 + spaceSize - 1}};
    options.fill = '\0';
    try {
        const ScriptInsert::Result result
            = ScriptInsert::insert(rom, {{script, QStringLiteral("t.txt"), &m_table}}, options);
        QVERIFY(fits);
        QCOMPARE(result.rom.mid(0, 2), QByteArray("\x14\x00", 2));
        QCOMPARE(result.rom.mid(4, 5), QByteArray(5, '\0')); // the old place, filled
        QCOMPARE(m_table.decode(result.rom.mid(20, 12)), QStringLiteral("Hello world<end>"));
        QCOMPARE(result.summary.moved, 1);
    } catch (const Error &error) {
        QVERIFY2(!fits, qPrintable(error.message()));
        QVERIFY2(error.message().contains(QLatin1String(
                     "needs 12 bytes; the free space its pointers reach is 16 bytes, at most 11 "
                     "in one piece")),
                 qPrintable(error.message()));
    }
}

void TestScript::refusesPointersOutsideTheRom()
{
    Script script = ScriptDump::dump(tinyRom(), m_table, tinyOptions());
    script.strings[0].pointers = {0x100};
    try {
        (void) ScriptInsert::insert(tinyRom(), {{script, QStringLiteral("t.txt"), &m_table}}, {});
        QFAIL("a pointer outside the ROM was taken");
    } catch (const Error &error) {
        QVERIFY2(error.message().contains(QLatin1String("its pointer at 0x100 lies past the end")),
                 qPrintable(error.message()));
    }
}

void TestScript::fixedLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QByteArray>("bytes"); // the place after, or empty when refused
    QTest::newRow("shorter, filled")
        << "XY" << true << QByteArray("\x37\x38\x5E\x5E\x5E\x5E\x5E\x5E");
    QTest::newRow("shorter, the rest kept")
        << "XY" << false << QByteArray("\x37\x38\x22\x23\x24\x25\x26\x27");
    QTest::newRow("as long") << "HGFEDCBA" << false
                             << QByteArray("\x27\x26\x25\x24\x23\x22\x21\x20");
    QTest::newRow("longer") << "ABCDEFGHI" << false << QByteArray();
}

// Strings of a fixed length never move: the game reads all of their bytes, and no more.
void TestScript::fixedLength()
{
    QFETCH(QString, text);
    QFETCH(bool, fill);
    QFETCH(QByteArray, bytes);
    const QByteArray rom("\x04\x00\x0C\x00"
                         "\x20\x21\x22\x23\x24\x25\x26\x27"
                         "\x3A\x3B\x3C\x3D\x3E\x3F\x40\x41",
                         20);
    ScriptDump::Options options = tinyOptions();
    options.tables = {{0, 2}};
    options.fixedLength = 8;
    Script script = Script::parse(ScriptDump::dump(rom, m_table, options).toUtf8(),
                                  QStringLiteral("f.txt"));
    QCOMPARE(script.fixedLength, 8);
    QCOMPARE(script.strings[1].text(), QStringLiteral("abcdefgh"));
    script.strings[0].lines = {text};
    ScriptInsert::Options insertOptions;
    if (fill)
        insertOptions.fill = '\x5E';
    try {
        const ScriptInsert::Result result = ScriptInsert::insert(rom,
                                                                 {{script,
                                                                   QStringLiteral("f.txt"),
                                                                   &m_table}},
                                                                 insertOptions);
        QCOMPARE(result.rom, QByteArray(rom).replace(4, 8, bytes));
    } catch (const Error &error) {
        QVERIFY2(bytes.isEmpty(), qPrintable(error.message()));
        QVERIFY2(error.message().contains(
                     QLatin1String("spelled in 9 bytes, more than the fixed length of 8")),
                 qPrintable(error.message()));
    }
}

void TestScript::scriptsThatShareAPointer()
{
    const QByteArray rom = tinyRom() + QByteArray(16, '\xEE');
    const Script script = ScriptDump::dump(rom, m_table, tinyOptions());
    const ScriptInsert::Result both
        = ScriptInsert::insert(rom,
                               {{script, QStringLiteral("a.txt"), &m_table},
                                {script, QStringLiteral("b.txt"), &m_table}},
                               {});
    QCOMPARE(both.rom, rom);
    QCOMPARE(both.summary.unchanged, 2);
    Script edited = script;
    edited.strings[0].lines = {QStringLiteral("Hello there<end>")};
    ScriptInsert::Options options;
    options.space = {{11, 26}};
    try {
        (void) ScriptInsert::insert(rom,
                                    {{script, QStringLiteral("a.txt"), &m_table},
                                     {edited, QStringLiteral("b.txt"), &m_table}},
                                    options);
        QFAIL("two strings were given one pointer");
    } catch (const Error &error) {
        QVERIFY2(
            error.message().contains(QLatin1String(
                "b.txt string 1 (5 bytes at 0x4): its pointer at 0x0 is also a.txt string 1's")),
            qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestScript)
#include "tst_script.moc"
