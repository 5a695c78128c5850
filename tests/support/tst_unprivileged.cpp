#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestUnprivileged : public QObject
{
    Q_OBJECT

private slots:
    void permissionBitsStopTheCopy();
    void startsFromAPrivateFolder();
};

void TestUnprivileged::permissionBitsStopTheCopy()
{
    ORVANE_RUN_UNPRIVILEGED();
    TempFiles files;
    const QString path = files.write("locked.kel", "x");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QFile file(path);
    QVERIFY(!file.open(QIODevice::WriteOnly));
}

// As from a clone in root's home or in a folder made by mktemp -d: nobody may not enter it.
void TestUnprivileged::startsFromAPrivateFolder()
{
    if (!Unprivileged::isRoot())
        QSKIP("only root hands tests to a copy run as nobody");
    QTemporaryDir privateFolder; // mode 0700
    const QString binary = privateFolder.filePath(QStringLiteral("tst_unprivileged"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), binary));
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(binary, {QStringLiteral("permissionBitsStopTheCopy")});
    QVERIFY(run.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(run.readAll());
    QVERIFY2(run.exitCode() == 0
                 && output.contains(
                     QLatin1String("PASS   : TestUnprivileged::permissionBitsStopTheCopy")),
             qPrintable(output));
}

QTEST_GUILESS_MAIN(TestUnprivileged)
#include "tst_unprivileged.moc"
