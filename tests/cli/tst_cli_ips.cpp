#include "clirun.h"
#include "support/tempfiles.h"

#include <QFile>
#include <QTest>

class TestCliIps : public QObject
{
    Q_OBJECT

private slots:
    void createThenApply();
    void refusesAndWritesNothing_data();
    void refusesAndWritesNothing();
    void helpNamesTheSubcommand();
};

void TestCliIps::createThenApply()
{
    TempFiles files;
    const QByteArray original = TempFiles::pattern(5000);
    const QByteArray modified = QByteArray(original.left(4000)).replace(100, 3, "new");
    const QString a = files.write("a.smc", original);
    const QString b = files.write("b.smc", modified);
    const CliRun create = CliRun::run({"ips", "create", a, b, files.path("p.ips")});
    QCOMPARE(create.exitCode, 0);
    // What was written is status, on stderr; stdout is kept for results.
    QCOMPARE(create.out, QString());
    QVERIFY2(create.err.startsWith("Wrote ") && create.err.contains("1 record, 19 bytes")
                 && create.err.contains("to 4000 bytes"),
             qPrintable(create.err));
    const CliRun apply = CliRun::run(
        {"ips", "apply", a, files.path("p.ips"), "-o", files.path("c.smc")});
    QCOMPARE(apply.exitCode, 0);
    QVERIFY(files.read("c.smc") == modified);
    QVERIFY(files.read("a.smc") == original);
    QCOMPARE(CliRun::run({"ips", "apply", a, files.path("p.ips"), "--in-place"}).exitCode, 0);
    QVERIFY(files.read("a.smc") == modified);
}

void TestCliIps::refusesAndWritesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no output named") << QStringList{"apply", "ROM", "PATCH"} << "needs -o OUT";
    QTest::newRow("output and in place")
        << QStringList{"apply", "ROM", "PATCH", "-o", "OUT", "--in-place"} << "not both";
    QTest::newRow("output is the ROM")
        << QStringList{"apply", "ROM", "PATCH", "-o", "ROM"} << "it is an input";
    QTest::newRow("patch over an input")
        << QStringList{"create", "ROM", "OUT", "ROM"} << "it is an input";
    QTest::newRow("damaged patch")
        << QStringList{"apply", "ROM", "CUT", "-o", "OUT"} << "cut short";
    QTest::newRow("a folder as the output")
        << QStringList{"apply", "ROM", "PATCH", "-o", "FOLDER"} << "cannot write";
}

void TestCliIps::refusesAndWritesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    TempFiles files;
    files.write("rom.smc", "abcdefgh");
    files.write("p.ips", QByteArray("PATCH\0\0\x02\0\x01Z", 11) + "EOF");
    files.write("cut.ips", QByteArray("PATCH\0\0\x02\0\x05Z", 11));
    QVERIFY(QDir(files.path(QString())).mkdir("folder"));
    const QMap<QString, QString> names{{"ROM", "rom.smc"},
                                       {"PATCH", "p.ips"},
                                       {"CUT", "cut.ips"},
                                       {"OUT", "out.smc"},
                                       {"FOLDER", "folder"}};
    for (QString &argument : arguments) {
        if (names.contains(argument))
            argument = files.path(names[argument]);
    }
    const CliRun run = CliRun::run(QStringList{"ips"} + arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(files.read("rom.smc"), QByteArray("abcdefgh"));
    QVERIFY(!QFile::exists(files.path("out.smc")));
    QCOMPARE(QDir(files.path("folder")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(),
             0);
}

void TestCliIps::helpNamesTheSubcommand()
{
    const CliRun run = CliRun::run({"ips", "create", "--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("Usage: orvane-cli ips create [options] ORIGINAL MODIFIED OUT.ips"),
             qPrintable(run.out));
}

QTEST_GUILESS_MAIN(TestCliIps)
#include "tst_cli_ips.moc"
