#include "document/keltablefile.h"
#include "document/romdocument.h"
#include "document/romline.h"
#include "platform/fileerror.h"
#include "support/romdata.h"
#include "support/tempfiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <vector>

using RomData::romWith;

namespace {

// A, B and AB as in a game that stores a pair of letters in one byte, and X, Y, Z.
QByteArray tableFile()
{
    KelTable table = RomData::abTable();
    table.setEntry(0x58, "X");
    table.setEntry(0x59, "Y");
    table.setEntry(0x5A, "Z");
    return table.records();
}

} // namespace

class TestRomDocument : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void openReadsTheFirstPage();
    void failedOpenKeepsTheRomShown_data();
    void failedOpenKeepsTheRomShown();
    void movesApplyThePageRules();
    void aFailedMoveChangesNothing();
    void findPlacesTheMatch_data();
    void findPlacesTheMatch();
    void findNextFromTheTopLine_data();
    void findNextFromTheTopLine();
    void findReportsProgress();
    void writeLineAtItsOffset_data();
    void writeLineAtItsOffset();
    void writeLineNeverCreatesTheRom();
    void tablesFromAndToTheFile();

private:
    RomDocument &open(const QByteArray &rom);

    std::unique_ptr<TempFiles> m_files;
    RomDocument m_document;
};

void TestRomDocument::init()
{
    m_files = std::make_unique<TempFiles>();
    m_document = RomDocument();
}

RomDocument &TestRomDocument::open(const QByteArray &rom)
{
    m_files->write(QStringLiteral("game.kel"), tableFile());
    m_document.open(m_files->write(QStringLiteral("game.smc"), rom));
    return m_document;
}

void TestRomDocument::openReadsTheFirstPage()
{
    m_document.open(m_files->write(QStringLiteral("first.smc"), TempFiles::pattern(20)));
    QVERIFY(QFile::exists(m_files->path(QStringLiteral("first.kel"))));
    QCOMPARE(m_document.tablePath(), m_files->path(QStringLiteral("first.kel")));
    const RomDocument::Page &page = m_document.page();
    QCOMPARE(page.romLength, 20.0);
    QCOMPARE(page.lines[0].bytes, TempFiles::pattern(20).left(16));
    QCOMPARE(page.lines[1].bytes, TempFiles::pattern(20).mid(16) + QByteArray(12, ' '));
    QCOMPARE(page.lines[13].offset, 208.0);
    QCOMPARE(page.lines[0].text, QByteArray("\xA5"));

    // The next ROM's table supplies entry 1 only; the others keep the texts of the one before.
    open(TempFiles::pattern(64)).pageDown();
    m_files->write(QStringLiteral("second.kel"), RomData::tableFile({"one"}));
    m_document.open(m_files->write(QStringLiteral("second.smc"), QByteArray("\x01\x41", 2)));
    QCOMPARE(m_document.topLine(), 0.0);
    QCOMPARE(m_document.page().lines[0].text, QByteArray("oneA"));
}

void TestRomDocument::failedOpenKeepsTheRomShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a folder") << QStringLiteral("folder.smc");
    QTest::newRow("a missing file") << QStringLiteral("missing.smc");
    QTest::newRow("a table that is a folder") << QStringLiteral("tablefolder.smc");
}

void TestRomDocument::failedOpenKeepsTheRomShown()
{
    QFETCH(QString, name);
    QDir(m_files->path({})).mkdir(QStringLiteral("folder.smc"));
    QDir(m_files->path({})).mkdir(QStringLiteral("tablefolder.kel"));
    m_files->write(QStringLiteral("tablefolder.smc"), "x");
    open(TempFiles::pattern(4000)).pageDown();
    const KelTable table = m_document.table();

    QVERIFY_THROWS_EXCEPTION(FileError, m_document.open(m_files->path(name)));
    QCOMPARE(m_document.romPath(), m_files->path(QStringLiteral("game.smc")));
    QCOMPARE(m_document.tablePath(), m_files->path(QStringLiteral("game.kel")));
    QCOMPARE(m_document.topLine(), 13.0);
    QVERIFY(m_document.table() == table);
    // The commands go on with the ROM shown.
    m_document.pageDown();
    QCOMPARE(m_document.page().lines[0].bytes, TempFiles::pattern(4000).mid(416, 16));
}

void TestRomDocument::movesApplyThePageRules()
{
    open(TempFiles::pattern(1000));
    for (const double expected : {13.0, 26.0, 39.0, 52.0, 49.5, 62.5}) {
        m_document.pageDown();
        QCOMPARE(m_document.topLine(), expected);
    }
    m_document.pageUp();
    QCOMPARE(m_document.topLine(), 49.5);
    QCOMPARE(m_document.page().lines[0].offset, 792.0);
    QCOMPARE(m_document.page().lines[0].bytes, TempFiles::pattern(1000).mid(792, 16));

    m_document.goTo(QStringLiteral("&H100"));
    QCOMPARE(m_document.topLine(), 16.0);
    m_document.goTo(QStringLiteral("1001"));
    QCOMPARE(m_document.topLine(), 16.0);

    // Go To measures against the length the last page read found.
    m_files->write(QStringLiteral("game.smc"), TempFiles::pattern(3000));
    m_document.goTo(QStringLiteral("2000"));
    QCOMPARE(m_document.topLine(), 16.0);
    QCOMPARE(m_document.romLength(), 3000.0);
    m_document.goTo(QStringLiteral("2000"));
    QCOMPARE(m_document.topLine(), 125.0);
}

void TestRomDocument::aFailedMoveChangesNothing()
{
    open(TempFiles::pattern(4000)).pageDown();
    const RomDocument::Page before = m_document.page();
    QVERIFY(QFile::remove(m_document.romPath()));
    QVERIFY_THROWS_EXCEPTION(FileError, m_document.pageDown());
    QVERIFY_THROWS_EXCEPTION(FileError, m_document.goTo(QStringLiteral("0")));
    QVERIFY_THROWS_EXCEPTION(FileError, m_document.find("XY"));
    QCOMPARE(m_document.topLine(), before.topLine);
    QCOMPARE(m_document.page().lines[0].bytes, before.lines[0].bytes);
    // The pattern just spelled is kept for Find Next.
    QCOMPARE(m_document.searchBytes(), QByteArray("XY"));
}

void TestRomDocument::findPlacesTheMatch_data()
{
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<double>("topLine");

    const QByteArray xyz("XYZ");
    QTest::newRow("offset 0") << romWith(2048, {{0, xyz}}) << xyz << xyz << 0.0;
    QTest::newRow("offset 13") << romWith(2048, {{13, xyz}}) << xyz << xyz << 0.0;
    QTest::newRow("offset 14") << romWith(2048, {{14, xyz}}) << xyz << xyz << 1.0;
    QTest::newRow("offset 16") << romWith(2048, {{16, xyz}}) << xyz << xyz << 1.0;
    QTest::newRow("offset 1000") << romWith(2048, {{1000, xyz}}) << xyz << xyz << 62.0;
    // ABA is AB then A: 43 41, found where those two bytes stand and not at the letters.
    QTest::newRow("greedy") << romWith(256, {{20, "ABA"}, {100, "CA"}}) << QByteArray("ABA")
                            << QByteArray("CA") << 6.0;
    QTest::newRow("not found") << romWith(256, {}) << xyz << xyz << 0.0;
    // No translation starts the text: no search, even though the ROM holds AB.
    QTest::newRow("nothing spelled")
        << romWith(256, {{100, "AB"}}) << QByteArray("xAB") << QByteArray() << 0.0;
    QTest::newRow("0-byte ROM") << QByteArray() << QByteArray("X") << QByteArray("X") << 0.0;
    QTest::newRow("1-byte ROM") << QByteArray("X") << QByteArray("X") << QByteArray("X") << 0.0;
    QTest::newRow("on the last byte")
        << romWith(64, {{63, "X"}}) << QByteArray("X") << QByteArray("X") << 4.0;
}

void TestRomDocument::findPlacesTheMatch()
{
    QFETCH(QByteArray, rom);
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, pattern);
    QFETCH(double, topLine);
    open(rom).goTo(QStringLiteral("&H30"));
    m_document.find(typed);
    QCOMPARE(m_document.searchBytes(), pattern);
    QCOMPARE(m_document.topLine(), topLine);
    QCOMPARE(m_document.page().lines[0].bytes,
             (rom + QByteArray(16, ' ')).mid(qsizetype(16 * topLine), 16));
}

void TestRomDocument::findNextFromTheTopLine_data()
{
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QString>("goTo"); // after the Find; empty for none
    QTest::addColumn<QList<double>>("tops");

    const QByteArray xy("XY");
    // From the last byte of line 1 (offset 31) on: the one at 100 is next, then nothing more
    // and the page moves down one line.
    QTest::newRow("passes over 9") << romWith(256, {{3, xy}, {9, xy}, {15, xy}, {100, xy}})
                                   << QString() << QList<double>{0, 1, 6, 7};
    QTest::newRow("last line") << romWith(64, {{63, "X"}}) << QStringLiteral("48")
                               << QList<double>{4, 4, 5};
    // Offset 10.5 starts at position 26.5, which goes to 26: the X at offset 25 is found.
    QTest::newRow("half down") << romWith(256, {{25, "X"}, {40, "X"}}) << QStringLiteral("10.5")
                               << QList<double>{1, 1};
    // Offset 11.5 starts at position 27.5, which goes to 28: the X at offset 26 is passed over.
    QTest::newRow("half up") << romWith(256, {{26, "X"}, {40, "X"}}) << QStringLiteral("11.5")
                             << QList<double>{1, 2};
}

void TestRomDocument::findNextFromTheTopLine()
{
    QFETCH(QByteArray, rom);
    QFETCH(QString, goTo);
    QFETCH(QList<double>, tops);
    const QByteArray pattern = rom.contains("XY") ? QByteArray("XY") : QByteArray("X");
    open(rom).findNext();
    // Without a pattern Find Next only goes to the first line.
    QCOMPARE(m_document.topLine(), 0.0);
    m_document.find(pattern);
    QCOMPARE(m_document.topLine(), tops.first());
    if (!goTo.isEmpty())
        m_document.goTo(goTo);
    for (qsizetype k = 1; k < tops.size(); ++k) {
        m_document.findNext();
        QCOMPARE(m_document.topLine(), tops.at(k));
    }
}

void TestRomDocument::findReportsProgress()
{
    const qsizetype size = qsizetype(3) << 20;
    open(romWith(size, {{size - 3, "XYZ"}}));
    std::vector<qint64> reported;
    const auto found = m_document.find("XYZ", [&reported](qint64 p) { reported.push_back(p); });
    QCOMPARE(found, std::optional<qint64>(size - 2));
    QVERIFY(reported.size() >= 3);
    for (size_t k = 1; k < reported.size(); ++k)
        QVERIFY(reported[k] > reported[k - 1]);
}

void TestRomDocument::writeLineAtItsOffset_data()
{
    QTest::addColumn<QString>("goTo");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("firstByte"); // 0-based offset of the line's byte 0 in the file
    QTest::newRow("offset 100, row 2") << QStringLiteral("100") << 2 << 132;
    // 26.5 + 1 rounds to the even 28.
    QTest::newRow("offset 10.5, row 1") << QStringLiteral("10.5") << 1 << 27;
}

void TestRomDocument::writeLineAtItsOffset()
{
    QFETCH(QString, goTo);
    QFETCH(int, row);
    QFETCH(int, firstByte);
    const QByteArray rom = TempFiles::pattern(512);
    open(rom).goTo(goTo);
    const RomDocument::Line line = m_document.page().lines.at(row);
    QCOMPARE(line.bytes, rom.mid(firstByte, 16));
    m_document.writeLine(line.offset, QByteArray(16, '\xEE'));
    QCOMPARE(m_files->read(QStringLiteral("game.smc")),
             QByteArray(rom).replace(firstByte, 16, QByteArray(16, '\xEE')));
}

void TestRomDocument::writeLineNeverCreatesTheRom()
{
    open(TempFiles::pattern(512));
    QVERIFY(QFile::remove(m_document.romPath()));
    QVERIFY_THROWS_EXCEPTION(FileError, m_document.writeLine(16, QByteArray(16, 'x')));
    QVERIFY(!QFile::exists(m_document.romPath()));
}

void TestRomDocument::tablesFromAndToTheFile()
{
    open(TempFiles::pattern(64));
    // A dialog's own table keeps what the file does not supply.
    KelTable own;
    own.setEntry(0x99, "kept");
    m_files->write(QStringLiteral("game.kel"), RomData::tableFile({"one"}));
    const KelTable loaded = m_document.tableFromFile(own);
    QCOMPARE(loaded.entry(1), QByteArray("one"));
    QCOMPARE(loaded.entry(0x99), QByteArray("kept"));
    QCOMPARE(loaded.entry(0), QByteArray("\xA5"));

    // Saving writes the file; the document's own table changes only when it reloads.
    KelTable saved = loaded;
    saved.setEntry(0x41, "a");
    m_document.saveTable(saved);
    QCOMPARE(m_files->read(QStringLiteral("game.kel")), saved.records());
    QCOMPARE(m_document.table().entry(0x41), QByteArray("A"));
    m_document.reloadTable();
    QCOMPARE(m_document.table().entry(0x41), QByteArray("a"));
}

QTEST_GUILESS_MAIN(TestRomDocument)
#include "tst_romdocument.moc"
