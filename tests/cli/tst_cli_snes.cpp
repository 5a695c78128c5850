#include "clirun.h"
#include "support/tempfiles.h"

#include <QFile>
#include <QTest>

namespace {

// A 64 KiB LoROM behind a copier header: map byte 20, a matching but stale checksum pair, and
// a reset vector of 8000 hex pointing at SEI.
QByteArray loRom()
{
    QByteArray rom(0x10000, '\0');
    rom.replace(0x7FC0, 8, "CLI TEST");
    rom[0x7FD5] = 0x20;
    rom[0x7FDC] = rom[0x7FDD] = '\xFF';
    rom[0x7FFD] = '\x80';
    rom[0] = '\x78';
    return QByteArray(512, '\0') + rom;
}

} // namespace

class TestCliSnes : public QObject
{
    Q_OBJECT

private slots:
    void infoThenFixChecksum();
    void withoutAHeaderNothingIsFound();
    void copierHeaderAddAndRemove();
    void addr_data();
    void addr();
};

void TestCliSnes::infoThenFixChecksum()
{
    TempFiles files;
    const QString rom = files.write("rom.smc", loRom());
    const CliRun info = CliRun::run({"snes", "info", rom});
    QCOMPARE(info.exitCode, 0);
    for (const char *line : {"Copier header:  512 bytes",
                             "LoROM, internal header at 33216 (0x81C0)",
                             "Title:          \"CLI TEST\"",
                             "the header is wrong"})
        QVERIFY2(info.out.contains(line), qPrintable(info.out));
    const QString fixed = files.path("fixed.smc");
    QCOMPARE(CliRun::run({"snes", "fix-checksum", rom, "-o", fixed}).exitCode, 0);
    QVERIFY(files.read("rom.smc") == loRom());
    const CliRun after = CliRun::run({"snes", "info", fixed});
    QVERIFY2(after.out.contains("the header is right"), qPrintable(after.out));
}

void TestCliSnes::withoutAHeaderNothingIsFound()
{
    TempFiles files;
    const QString rom = files.write("zeros.smc", QByteArray(0x10000, '\0'));
    QCOMPARE(CliRun::run({"snes", "info", rom}).exitCode, 1);
    QCOMPARE(CliRun::run({"snes", "fix-checksum", rom, "-o", files.path("out.smc")}).exitCode, 1);
    QCOMPARE(CliRun::run({"addr", rom, "$80:8000"}).exitCode, 1);
    QVERIFY(!QFile::exists(files.path("out.smc")));
}

void TestCliSnes::copierHeaderAddAndRemove()
{
    TempFiles files;
    const QString headered = files.write("rom.smc", loRom());
    const QString bare = files.path("bare.smc");
    QCOMPARE(CliRun::run({"snes", "header", "remove", headered, "-o", bare}).exitCode, 0);
    QVERIFY(files.read("bare.smc") == loRom().mid(512));
    QCOMPARE(CliRun::run({"snes", "header", "remove", bare, "-o", files.path("x.smc")}).exitCode, 1);
    QCOMPARE(CliRun::run({"snes", "header", "add", bare, "--in-place"}).exitCode, 0);
    QCOMPARE(files.read("bare.smc").size(), 0x10000 + 512);
    QVERIFY(!QFile::exists(files.path("x.smc")));
}

void TestCliSnes::addr_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("bus to file") << QStringList{"$80:8000"} << 0 << "file offset 512 (0x200)";
    QTest::newRow("bank and address")
        << QStringList{"01:8004"} << 0 << "file offset 33284 (0x8204)";
    QTest::newRow("file to bus") << QStringList{"--to-snes", "0x8204"} << 0
                                 << "is read at $81:8004";
    QTest::newRow("forced HiROM") << QStringList{"--hirom", "$C0:0010"} << 0
                                  << "528 (0x210) (HiROM";
    QTest::newRow("work RAM") << QStringList{"$7E:0000"} << 2 << "is not ROM under LoROM";
    QTest::newRow("past the ROM") << QStringList{"$82:8000"} << 2 << "past the end";
    QTest::newRow("in the copier header")
        << QStringList{"--to-snes", "100"} << 2 << "copier header";
}

void TestCliSnes::addr()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    TempFiles files;
    const CliRun run = CliRun::run(QStringList{"addr", files.write("rom.smc", loRom())} + arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((exitCode == 0 ? run.out : run.err).contains(output), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TestCliSnes)
#include "tst_cli_snes.moc"
