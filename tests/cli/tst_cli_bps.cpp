#include "clirun.h"
#include "support/tempfiles.h"

#include <QFile>
#include <QTest>

class TestCliBps : public QObject
{
    Q_OBJECT

private slots:
    void createThenApply();
    void refusesAnotherRom();
};

void TestCliBps::createThenApply()
{
    TempFiles files;
    const QByteArray original = TempFiles::pattern(5000);
    const QByteArray modified = QByteArray(original).replace(100, 3, "new") + "longer";
    const QString a = files.write("a.smc", original);
    const QString b = files.write("b.smc", modified);
    const QString patch = files.path("p.bps");
    QCOMPARE(CliRun::run({"bps", "create", a, b, patch}).exitCode, 0);
    const CliRun apply = CliRun::run({"bps", "apply", a, patch, "-o", files.path("c.smc")});
    QCOMPARE(apply.exitCode, 0);
    QCOMPARE(apply.out, QString());
    QVERIFY2(apply.err.contains("checksums match"), qPrintable(apply.err));
    QVERIFY(files.read("c.smc") == modified);
    QVERIFY(files.read("a.smc") == original);
    QCOMPARE(CliRun::run({"bps", "apply", a, patch, "--in-place"}).exitCode, 0);
    QVERIFY(files.read("a.smc") == modified);
}

void TestCliBps::refusesAnotherRom()
{
    TempFiles files;
    const QString a = files.write("a.smc", "original");
    const QString b = files.write("b.smc", "modified");
    const QString patch = files.path("p.bps");
    QCOMPARE(CliRun::run({"bps", "create", a, b, patch}).exitCode, 0);
    const CliRun apply = CliRun::run({"bps", "apply", b, patch, "-o", files.path("c.smc")});
    QCOMPARE(apply.exitCode, 2);
    QVERIFY2(apply.err.contains("source checksum failed"), qPrintable(apply.err));
    QVERIFY(!QFile::exists(files.path("c.smc")));
}

QTEST_GUILESS_MAIN(TestCliBps)
#include "tst_cli_bps.moc"
