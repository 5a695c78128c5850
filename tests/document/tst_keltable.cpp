#include "document/keltable.h"
#include "document/keltablefile.h"
#include "platform/convert.h"
#include "platform/fileerror.h"
#include "support/romdata.h"
#include "support/tempfiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

KelTable tableWith(std::initializer_list<std::pair<int, QByteArray>> entries)
{
    KelTable table;
    for (const auto &[value, text] : entries)
        table.setEntry(value, text);
    return table;
}

KelTable fullTable()
{
    KelTable table;
    for (int b = 0; b < KelTable::Size; ++b)
        table.setEntry(b, "old" + QByteArray::number(b));
    return table;
}

} // namespace

class TestKelTable : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void readRecords_data();
    void readRecords();
    void entriesWithoutARecordKeepTheirText();
    void surplusRecordsAreIgnored();
    void largeFilesAreReadLikeAnyOther();
    void recordsLayout();
    void saveThenLoadRoundTrips();
    void loadCreatesAMissingFile();
    void loadOfAnUnreadablePathThrows();
    void saveRefusesWhatWouldCorruptTheFile_data();
    void saveRefusesWhatWouldCorruptTheFile();
    void everyEntryIsCheckedForCarriageReturns();
    void saveAtTheSizeLimit();
    void saveIntoAMissingFolderThrows();
    void tablePath_data();
    void tablePath();
    void readsOnlyTheStartOfALongFile_data();
    void readsOnlyTheStartOfALongFile();
    void romThatIsItsOwnTableIsRefused_data();
    void romThatIsItsOwnTableIsRefused();
    void killedSaveLeavesTheOldTable();
};

void TestKelTable::encode_data()
{
    QTest::addColumn<KelTable>("table");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("expected"); // hex

    const KelTable ab = RomData::abTable();
    KelTable the = tableWith({{0x30, "the"}, {0x90, "the"}, {0x74, "t"}});
    KelTable loaded = ab;
    loaded.readRecords(QByteArray());
    KelTable yenTwice = loaded;
    yenTwice.setEntry(0xC0, "\xA5");

    QTest::newRow("longest prefix first") << ab << QByteArray("ABA") << QByteArray("4341");
    QTest::newRow("highest of equal entries") << the << QByteArray("the") << QByteArray("90");
    QTest::newRow("rest dropped at a miss") << ab << QByteArray("ABx") << QByteArray("43");
    QTest::newRow("miss at the start") << ab << QByteArray("xAB") << QByteArray();
    QTest::newRow("miss in the middle") << ab << QByteArray("AxB") << QByteArray("41");
    QTest::newRow("case-sensitive") << tableWith({{0x41, "A"}}) << QByteArray("a") << QByteArray();
    QTest::newRow("entry longer than the rest") << ab << QByteArray("BA") << QByteArray("4241");
    QTest::newRow("repeated") << ab << QByteArray("ABAB") << QByteArray("4343");
    QTest::newRow("yen is byte 0") << loaded
                                   << QByteArray("\xA5"
                                                 "A")
                                   << QByteArray("0041");
    QTest::newRow("yen shared") << yenTwice << QByteArray("\xA5") << QByteArray("c0");
    QTest::newRow("empty table") << KelTable() << QByteArray("A") << QByteArray();
}

void TestKelTable::encode()
{
    QFETCH(KelTable, table);
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, expected);
    const auto [bytes, consumed] = table.encode(typed);
    QCOMPARE(bytes.toHex(), expected.toLower());
    // What the greedy spelling found reads back as the text it consumed.
    QCOMPARE(table.decode(bytes), typed.left(consumed));
}

void TestKelTable::readRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("entries"); // entries 1, 2, ... that the file supplies
    QTest::newRow("three records") << QByteArray("A\r\rB C\r") << QList<QByteArray>{"A", "", "B C"};
    QTest::newRow("CR LF file") << QByteArray("A\r\nB\r\n") << QList<QByteArray>{"A", "\nB", "\n"};
    QTest::newRow("bytes 0 and 10 inside entries")
        << QByteArray("a\0b\r\n\r", 6) << QList<QByteArray>{QByteArray("a\0b", 3), "\n"};
    QTest::newRow("unterminated last record")
        << QByteArray("A\rthe") << QList<QByteArray>{"A", "the"};
    QTest::newRow("only a terminator") << QByteArray("\r") << QList<QByteArray>{""};
}

void TestKelTable::readRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, entries);
    KelTable table = fullTable();
    table.readRecords(file);
    for (int k = 1; k <= entries.size(); ++k)
        QCOMPARE(table.entry(k), entries.at(k - 1));
    QCOMPARE(table.entry(entries.size() + 1), "old" + QByteArray::number(entries.size() + 1));
    QCOMPARE(table.entry(0), QByteArray("\xA5"));
}

void TestKelTable::entriesWithoutARecordKeepTheirText()
{
    KelTable table = fullTable();
    table.readRecords(QByteArray());
    QCOMPARE(table.entry(0), QByteArray("\xA5"));
    for (int b = 1; b < KelTable::Size; ++b)
        QCOMPARE(table.entry(b), "old" + QByteArray::number(b));
}

void TestKelTable::surplusRecordsAreIgnored()
{
    QByteArray file;
    for (int k = 1; k <= 300; ++k)
        file += "r" + QByteArray::number(k) + '\r';
    KelTable table;
    table.readRecords(file);
    QCOMPARE(table.entry(255), QByteArray("r255"));
    QCOMPARE(table.entry(1), QByteArray("r1"));
    QCOMPARE(table.entry(0), QByteArray("\xA5"));
}

void TestKelTable::largeFilesAreReadLikeAnyOther()
{
    const QByteArray big(40000, 'x');
    KelTable table;
    table.readRecords(big + "\rsecond\r");
    QCOMPARE(table.entry(1), big);
    QCOMPARE(table.entry(2), QByteArray("second"));
}

void TestKelTable::recordsLayout()
{
    const KelTable table = tableWith({{1, "A"}, {3, "the"}});
    const QByteArray expected = QByteArray("\x41\x0D\x0D\x74\x68\x65\x0D") + QByteArray(252, '\r');
    QCOMPARE(table.records(), expected);
    QCOMPARE(table.records().size(), 259);
    QCOMPARE(table.recordsSize(), 259);
    QCOMPARE(KelTable().records(), QByteArray(255, '\r'));
}

void TestKelTable::saveThenLoadRoundTrips()
{
    TempFiles files;
    KelTable saved;
    for (int b = 0; b < KelTable::Size; ++b)
        saved.setEntry(b, QByteArray(b % 4, static_cast<char>(b == 13 ? 14 : b)));
    saved.setEntry(0, "not written");
    SaveTable(saved, files.path("game.kel"));
    QCOMPARE(files.read("game.kel"), saved.records());

    KelTable loaded;
    LoadTable(loaded, files.path("game.kel"));
    for (int b = 1; b < KelTable::Size; ++b)
        QCOMPARE(loaded.entry(b), saved.entry(b));
    QCOMPARE(loaded.entry(0), QByteArray("\xA5"));
}

void TestKelTable::loadCreatesAMissingFile()
{
    TempFiles files;
    KelTable table = fullTable();
    LoadTable(table, files.path("game.kel"));
    QVERIFY(QFile::exists(files.path("game.kel")));
    QCOMPARE(QFileInfo(files.path("game.kel")).size(), 0);
    QCOMPARE(table.entry(0), QByteArray("\xA5"));
    QCOMPARE(table.entry(200), QByteArray("old200"));
}

void TestKelTable::loadOfAnUnreadablePathThrows()
{
    TempFiles files;
    QDir(files.path({})).mkdir("game.kel");
    KelTable table = fullTable();
    QVERIFY_THROWS_EXCEPTION(FileError, LoadTable(table, files.path("game.kel")));
    QVERIFY(table == fullTable());
    QVERIFY_THROWS_EXCEPTION(FileError, LoadTable(table, files.path("missing/game.kel")));
}

void TestKelTable::saveRefusesWhatWouldCorruptTheFile_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("carriage return") << 0x41 << QByteArray("A\rB") << "41";
    QTest::newRow("over the size limit") << 0x10 << QByteArray(32767 - 254, 'x') << "32767";
}

void TestKelTable::saveRefusesWhatWouldCorruptTheFile()
{
    QFETCH(int, value);
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    TempFiles files;
    const QString path = files.write("game.kel", "A\rB\r");
    KelTable table;
    table.setEntry(value, text);
    QVERIFY(tableSaveProblem(table).contains(named));
    // The writer's callers check first; a table that slips through is refused all the same.
    QVERIFY_THROWS_EXCEPTION(Error, SaveTable(table, path));
    QCOMPARE(files.read("game.kel"), QByteArray("A\rB\r"));
}

void TestKelTable::everyEntryIsCheckedForCarriageReturns()
{
    for (int value = 1; value < KelTable::Size; ++value) {
        KelTable table;
        table.setEntry(value, "x\r");
        const QString problem = tableSaveProblem(table);
        QVERIFY2(problem.contains(QString::fromLatin1(Convert::hexPair(value))),
                 qPrintable(problem));
    }
    // Entry 0 is never written, so it may hold anything.
    QVERIFY(tableSaveProblem(tableWith({{0, "\r"}})).isEmpty());
}

void TestKelTable::saveAtTheSizeLimit()
{
    TempFiles files;
    KelTable table;
    table.setEntry(7, QByteArray(32767 - 255, 'x'));
    QVERIFY(tableSaveProblem(table).isEmpty());
    SaveTable(table, files.path("game.kel"));
    QCOMPARE(files.read("game.kel").size(), 32767);
}

void TestKelTable::saveIntoAMissingFolderThrows()
{
    TempFiles files;
    QVERIFY_THROWS_EXCEPTION(FileError, SaveTable(KelTable(), files.path("missing/game.kel")));
    QDir(files.path({})).mkdir("game.kel");
    QVERIFY_THROWS_EXCEPTION(FileError, SaveTable(KelTable(), files.path("game.kel")));
}

void TestKelTable::tablePath_data()
{
    QTest::addColumn<QString>("rom");
    QTest::addColumn<QString>("table");
    QTest::newRow("smc") << "/roms/Game.smc"
                         << "/roms/Game.kel";
    QTest::newRow("SMC") << "/roms/Game.SMC"
                         << "/roms/Game.kel";
    QTest::newRow("bin") << "/roms/Game.bin"
                         << "/roms/Game.kel";
    QTest::newRow("no extension") << "/roms/Game"
                                  << "/roms/Gkel";
    QTest::newRow("four letters") << "/roms/Game.sfc2"
                                  << "/roms/Game.skel";
    QTest::newRow("three-letter name") << "/roms/abc"
                                       << "/roms/kel";
    QTest::newRow("two-letter name, in the folder above") << "/roms/ab"
                                                          << "/romskel";
}

void TestKelTable::tablePath()
{
    QFETCH(QString, rom);
    QFETCH(QString, table);
    QCOMPARE(tablePathFor(rom), table);
}

void TestKelTable::readsOnlyTheStartOfALongFile_data()
{
    constexpr qsizetype limit = 65536;
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("entries"); // entries 1, 2, ...; the rest stay empty
    QTest::newRow("one entry longer than the limit")
        << QByteArray(limit + 100, 'x') << QList<QByteArray>{QByteArray(limit, 'x')};
    QTest::newRow("records after the limit")
        << "A\r" + QByteArray(limit - 3, 'b') + "\rC\rD\r"
        << QList<QByteArray>{"A", QByteArray(limit - 3, 'b'), "", ""};
    QTest::newRow("a record cut by the limit")
        << "A\r" + QByteArray(limit, 'b') + '\r'
        << QList<QByteArray>{"A", QByteArray(limit - 2, 'b'), ""};
}

void TestKelTable::readsOnlyTheStartOfALongFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, entries);
    TempFiles files;
    KelTable table;
    LoadTable(table, files.write("game.kel", file));
    for (int k = 1; k <= entries.size(); ++k)
        QCOMPARE(table.entry(k), entries.at(k - 1));
    QCOMPARE(files.read("game.kel"), file);
}

void TestKelTable::romThatIsItsOwnTableIsRefused_data()
{
    QTest::addColumn<QString>("rom");
    QTest::newRow("name ending in kel") << "Snorkel";
    QTest::newRow("extension kel") << "game.kel";
    QTest::newRow("named kel") << "kel";
    QTest::newRow("a table linked to the ROM") << "game.smc";
}

void TestKelTable::romThatIsItsOwnTableIsRefused()
{
    QFETCH(QString, rom);
    TempFiles files;
    const QString path = files.write(rom, TempFiles::pattern(4096));
    const QString table = tablePathFor(path);
    if (table != path)
        QVERIFY(QFile::link(path, table));
    try {
        refuseUnusableRom(path, table);
        QFAIL("the ROM was let through");
    } catch (const FileError &error) {
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path))
                     && error.message().contains("overwrite"),
                 qPrintable(error.message()));
    }
    QCOMPARE(files.read(rom), TempFiles::pattern(4096));
    refuseUnusableRom(files.write("other.smc", "x"), files.path("other.kel"));
}

void TestKelTable::killedSaveLeavesTheOldTable()
{
    TempFiles files;
    const QByteArray old = RomData::tableFile({"old"});
    const QString path = files.write("game.kel", old);
    KelTable longer;
    longer.setEntry(1, QByteArray(1000, 'n'));
    // Growing a file past the process's size limit kills the process, half-way through the save.
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        rlimit small{};
        getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        try { // the child must never return into the tests
            SaveTable(longer, path);
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ, "the save was not killed");
    QCOMPARE(files.read("game.kel"), old);

    // A file system without unnamed temporary files keeps one named so: it is never the table.
    files.write("game.kel.a1B2c3", RomData::tableFile({"half"}));
    KelTable table;
    LoadTable(table, path);
    QCOMPARE(table.entry(1), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestKelTable)
#include "tst_keltable.moc"
