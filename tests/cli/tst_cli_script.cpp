#include "clirun.h"
#include "support/tempfiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString ExamplesDir = QStringLiteral(ORVANE_EXAMPLES_DIR);

QByteArray example(const QString &name)
{
    QFile file(QDir(ExamplesDir).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(name));
    return file.readAll();
}

const QStringList DemoTables{"--pointers",
                             "&H100",
                             "--count",
                             "4",
                             "--pointers",
                             "&H120",
                             "--count",
                             "2",
                             "--base",
                             "0",
                             "--end",
                             "00"};

} // namespace

// script dump, script insert and pointers run on the demo ROM, as the README walks through them.
class TestCliScript : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dumpEditInsert();
    void pointersFindTheTable();
    void refusals_data();
    void refusals();

private:
    std::unique_ptr<TempFiles> m_files;
    QString m_rom;
    QString m_script;
};

void TestCliScript::init()
{
    m_files = std::make_unique<TempFiles>();
    m_rom = m_files->write(QStringLiteral("demo.smc"), example(QStringLiteral("demo.smc")));
    m_files->write(QStringLiteral("demo.kel"), example(QStringLiteral("demo.kel")));
    m_script = m_files->path(QStringLiteral("demo.txt"));
    const CliRun dump = CliRun::run(QStringList{"script", "dump", m_rom} + DemoTables
                                    + QStringList{"-o", m_script});
    QCOMPARE(dump.exitCode, 0);
    QVERIFY(dump.out.isEmpty());
    QCOMPARE(dump.err,
             QStringLiteral("Wrote 6 strings, from 6 pointers, to \"%1\".\n").arg(m_script));
}

void TestCliScript::dumpEditInsert()
{
    const QByteArray script = m_files->read(QStringLiteral("demo.txt"));
    QVERIFY(script.contains("@table demo.kel\n@end 00\n"));
    QVERIFY(script.contains("@string 2 at=0x434 length=55 crc32="));
    QVERIFY(script.contains("@pointers 0x102\nBring the brass key to the old mill before the moon "
                            "rises.\xC2\xA5\n"));

    const QString same = m_files->path(QStringLiteral("same.smc"));
    const CliRun unchanged = CliRun::run({"script", "insert", m_rom, m_script, "-o", same});
    QCOMPARE(unchanged.exitCode, 0);
    QVERIFY(unchanged.err.startsWith("Wrote \"" + same
                                     + "\": 6 strings unchanged, 0 rewritten "
                                       "in place, 0 moved.\n"));
    QVERIFY(m_files->read(QStringLiteral("same.smc")) == example(QStringLiteral("demo.smc")));

    m_files->write(QStringLiteral("demo.txt"),
                   QByteArray(script).replace("moon rises.", "moon rises, and the tide turns."));
    const QString out = m_files->path(QStringLiteral("en.smc"));
    const CliRun full = CliRun::run({"script", "insert", m_rom, m_script, "-o", out});
    QCOMPARE(full.exitCode, 2);
    QVERIFY2(full.err.contains("demo.txt string 2 (55 bytes at 0x434): needs 74 bytes"),
             qPrintable(full.err));
    QVERIFY(full.out.isEmpty());
    QVERIFY(!QFile::exists(out));

    const CliRun moved = CliRun::run(
        {"script", "insert", m_rom, m_script, "--space", "0xE00-0xFFF", "--fill", "00", "-o", out});
    QCOMPARE(moved.exitCode, 0);
    QVERIFY2(moved.err.contains("5 strings unchanged, 0 rewritten in place, 1 moved.\n"
                                "Free space left:\n  0 (0x0) to 4095 (0xFFF): 493 bytes\n"),
             qPrintable(moved.err));
    const QByteArray rom = m_files->read(QStringLiteral("en.smc"));
    QCOMPARE(rom.mid(0x102, 2), QByteArray("\x00\x0E", 2));
    QCOMPARE(rom.mid(0x434, 55), QByteArray(55, '\0'));
    const CliRun text = CliRun::run({"dump",
                                     out,
                                     "--text",
                                     "--from",
                                     "0xE00",
                                     "--length",
                                     "74",
                                     "--table",
                                     m_files->path("demo.kel")});
    QCOMPARE(text.out,
             QStringLiteral("Bring the brass key to the old mill before the moon rises, "
                            "and the tide turns.¥\n"));
    QCOMPARE(m_files->read(QStringLiteral("demo.smc")), example(QStringLiteral("demo.smc")));
}

void TestCliScript::pointersFindTheTable()
{
    const CliRun found = CliRun::run({"pointers", m_rom, "1076", "--base", "0"});
    QCOMPARE(found.exitCode, 0);
    QCOMPARE(found.out, QStringLiteral("258 (0x102)\n"));
    const CliRun lorom = CliRun::run({"pointers", m_rom, "1076", "--lorom", "--bank", "80"});
    QCOMPARE(lorom.exitCode, 1);
    QVERIFY(lorom.out.isEmpty());
    const CliRun none = CliRun::run({"pointers", m_rom, "1077", "--base", "0"});
    QCOMPARE(none.exitCode, 1);
    QVERIFY2(none.err.contains("no pointer in this format leads to 1077 (0x435)"),
             qPrintable(none.err));
}

void TestCliScript::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no mapping") << QStringList{"pointers", "ROM", "1076"}
                                << "takes one of --lorom, --hirom, --exhirom and --base OFF";
    QTest::newRow("bank not hex") << QStringList{"pointers", "ROM", "1", "--lorom", "--bank", "0x80"}
                                  << "--bank \"0x80\" is not a byte in bare hex digits";
    QTest::newRow("width 4") << QStringList{"pointers", "ROM", "1", "--base", "0", "--width", "4"}
                             << "--width is 2 or 3";
    QTest::newRow("no end") << QStringList{"script",
                                           "dump",
                                           "ROM",
                                           "--pointers",
                                           "256",
                                           "--count",
                                           "4",
                                           "--base",
                                           "0"}
                            << "the table has no end token";
    QTest::newRow("counts unpaired")
        << QStringList{"script", "dump", "ROM", "--pointers", "256", "--base", "0", "--end", "00"}
        << "needs --pointers AT --count N";
    QTest::newRow("pointer outside") << QStringList{"script",
                                                    "dump",
                                                    "ROM",
                                                    "--pointers",
                                                    "256",
                                                    "--count",
                                                    "4",
                                                    "--base",
                                                    "4000",
                                                    "--end",
                                                    "00"}
                                     << "leads to no byte of the ROM";
    QTest::newRow("no output") << QStringList{"script", "insert", "ROM", "SCRIPT"}
                               << "needs -o OUT, or --in-place";
    QTest::newRow("space outside")
        << QStringList{"script", "insert", "ROM", "SCRIPT", "--space", "0xF00-0x1000", "-o", "OUT"}
        << "the free space 0xF00-0x1000 does not lie within the ROM";
    QTest::newRow("another rom") << QStringList{"script", "insert", "OTHER", "SCRIPT", "-o", "OUT"}
                                 << "demo.txt string 1 (52 bytes at 0x400): the ROM's 52 bytes at "
                                    "0x400 are not those it was dumped from";
    QTest::newRow("script edited into nonsense")
        << QStringList{"script", "insert", "ROM", "NONSENSE", "-o", "OUT"}
        << "bad.txt:10: \"@strung\" is no directive of a script";
}

void TestCliScript::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QByteArray other = example(QStringLiteral("demo.smc"));
    other[0x401] = '\x01';
    const QString otherPath = m_files->write(QStringLiteral("other.smc"), other);
    const QString nonsense = m_files->write(QStringLiteral("bad.txt"),
                                            m_files->read(QStringLiteral("demo.txt"))
                                                .replace("@string 1 ", "@strung 1 "));
    arguments.replaceInStrings(QRegularExpression("^ROM$"), m_rom);
    arguments.replaceInStrings(QRegularExpression("^OTHER$"), otherPath);
    arguments.replaceInStrings(QRegularExpression("^SCRIPT$"), m_script);
    arguments.replaceInStrings(QRegularExpression("^NONSENSE$"), nonsense);
    arguments.replaceInStrings(QRegularExpression("^OUT$"), m_files->path("out.smc"));
    const CliRun run = CliRun::run(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFile::exists(m_files->path("out.smc")));
}

QTEST_GUILESS_MAIN(TestCliScript)
#include "tst_cli_script.moc"
