#include "platform/binaryfile.h"
#include "platform/fileerror.h"
#include "support/faultinjection.h"
#include "support/tempfiles.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBinaryFile : public QObject
{
    Q_OBJECT

private slots:
    void getReadsByOneBasedPosition();
    void getBeyondTheEndYieldsFullLength_data();
    void getBeyondTheEndYieldsFullLength();
    void putBeyondTheEndExtends();
    void readingNeverCreatesOrWrites();
    void updateCreatesAMissingFile();
    void unusablePathsThrowNamingTheFile_data();
    void unusablePathsThrowNamingTheFile();
    void replaceContentsSwapsTheWholeFile();
    void readOnlyFileOpensForReading();
    void failedWritesLeaveTheFileWhole_data();
    void failedWritesLeaveTheFileWhole();
    void onlyRegularFilesAreOpened();
};

void TestBinaryFile::getReadsByOneBasedPosition()
{
    TempFiles files;
    const QString path = files.write("rom.smc", TempFiles::pattern(40));
    BinaryFile file(path, BinaryFile::Mode::Read);
    QCOMPARE(file.length(), 40);
    QCOMPARE(file.get(1, 3), QByteArray("\x00\x01\x02", 3));
    QCOMPARE(file.get(17, 2), QByteArray("\x10\x11"));
}

void TestBinaryFile::getBeyondTheEndYieldsFullLength_data()
{
    QTest::addColumn<qint64>("position");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("straddling the end") << qint64(19) << QByteArray("\x12\x13  ", 4);
    QTest::newRow("just past the end") << qint64(21) << QByteArray("    ");
    QTest::newRow("far beyond") << qint64(1 << 30) << QByteArray("    ");
}

void TestBinaryFile::getBeyondTheEndYieldsFullLength()
{
    QFETCH(qint64, position);
    QFETCH(QByteArray, expected);
    TempFiles files;
    BinaryFile file(files.write("rom.smc", TempFiles::pattern(20)), BinaryFile::Mode::Read);
    QCOMPARE(file.get(position, 4), expected);
    QCOMPARE(file.length(), 20);
}

void TestBinaryFile::putBeyondTheEndExtends()
{
    TempFiles files;
    const QString path = files.write("rom.smc", QByteArray("abc"));
    BinaryFile file(path, BinaryFile::Mode::Update);
    file.put(2, "X");
    file.put(6, "YZ");
    file.close();
    QCOMPARE(files.read("rom.smc"), QByteArray("aXc\0\0YZ", 7));
}

void TestBinaryFile::readingNeverCreatesOrWrites()
{
    TempFiles files;
    for (const auto mode : {BinaryFile::Mode::Read, BinaryFile::Mode::Write}) {
        try {
            BinaryFile file(files.path("missing.smc"), mode);
            QFAIL("a missing file opened");
        } catch (const FileError &error) {
            QCOMPARE(error.path(), files.path("missing.smc"));
        }
        QVERIFY(!QFile::exists(files.path("missing.smc")));
    }
    // Write changes an existing file in place.
    BinaryFile file(files.write("rom.smc", "abc"), BinaryFile::Mode::Write);
    file.put(2, "X");
    file.close();
    QCOMPARE(files.read("rom.smc"), QByteArray("aXc"));
}

void TestBinaryFile::updateCreatesAMissingFile()
{
    TempFiles files;
    BinaryFile::createIfMissing(files.path("new.kel"));
    QVERIFY(QFile::exists(files.path("new.kel")));
    QCOMPARE(QFileInfo(files.path("new.kel")).size(), 0);

    files.write("old.kel", "keep");
    BinaryFile::createIfMissing(files.path("old.kel"));
    QCOMPARE(files.read("old.kel"), QByteArray("keep"));
}

void TestBinaryFile::unusablePathsThrowNamingTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a folder") << QString("folder");
    QTest::newRow("in a missing folder") << QString("nowhere/rom.smc");
}

void TestBinaryFile::unusablePathsThrowNamingTheFile()
{
    QFETCH(QString, name);
    TempFiles files;
    QDir(files.path({})).mkdir("folder");
    const QString path = files.path(name);
    for (const auto mode : {BinaryFile::Mode::Read, BinaryFile::Mode::Update}) {
        try {
            BinaryFile file(path, mode);
            QFAIL("opening an unusable path succeeded");
        } catch (const FileError &error) {
            QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)),
                     qPrintable(error.message()));
        }
    }
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile::replaceContents(path, "x"));
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile(QString(), BinaryFile::Mode::Read));
}

void TestBinaryFile::replaceContentsSwapsTheWholeFile()
{
    TempFiles files;
    const QString path = files.write("game.kel", "old");
    BinaryFile::replaceContents(path, "new contents");
    QCOMPARE(files.read("game.kel"), QByteArray("new contents"));
    QVERIFY(QDir(files.path({})).entryList(QDir::Files).size() == 1);
}

void TestBinaryFile::readOnlyFileOpensForReading()
{
    ORVANE_RUN_UNPRIVILEGED();
    TempFiles files;
    const QString path = files.write("rom.smc", "abc");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY2(!QFileInfo(path).isWritable(), "permission bits must stop this user");
    BinaryFile file(path, BinaryFile::Mode::Read);
    QCOMPARE(file.get(1, 3), QByteArray("abc"));
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile(path, BinaryFile::Mode::Update));
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile::replaceContents(path, "x"));
    QCOMPARE(files.read("rom.smc"), QByteArray("abc"));
}

void TestBinaryFile::failedWritesLeaveTheFileWhole_data()
{
    QTest::addColumn<bool>("fullDisk"); // or a file size limit that the new bytes pass
    QTest::addColumn<bool>("replace");  // or put in place and close
    QTest::addColumn<QString>("reason");
    QTest::newRow("replace on a full disk") << true << true << "No space left on device";
    QTest::newRow("replace past the size limit") << false << true << "File too large";
    QTest::newRow("put on a full disk") << true << false << "No space left on device";
    QTest::newRow("put past the size limit") << false << false << "File too large";
}

void TestBinaryFile::failedWritesLeaveTheFileWhole()
{
    QFETCH(bool, fullDisk);
    QFETCH(bool, replace);
    QFETCH(QString, reason);
    const QByteArray old = TempFiles::pattern(300);
    TempFiles files;
    QString path = files.path("game.kel");
    std::optional<FullDisk> disk;
    if (fullDisk) {
        disk.emplace();
        if (!disk->mounted())
            QSKIP(qPrintable("no full disk to write to: " + disk->whyNot()));
        path = disk->path("game.kel");
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    if (disk)
        disk->fill();
    {
        std::optional<FileSizeLimit> limit;
        if (!fullDisk)
            limit.emplace(old.size());
        try {
            if (replace) {
                BinaryFile::replaceContents(path, TempFiles::pattern(5000, 3));
            } else {
                // Beyond the blocks the file has, into a block a full disk cannot give.
                BinaryFile rom(path, BinaryFile::Mode::Update);
                rom.put(8193, "past the end");
                rom.close();
            }
            QFAIL("the write went through");
        } catch (const FileError &error) {
            QVERIFY2(error.message().contains(QDir::toNativeSeparators(path))
                         && error.message().contains(reason),
                     qPrintable(error.message()));
        }
    }
    QCOMPARE(contents(path), old);
    const QStringList left = disk ? QStringList{"filler", "game.kel"} : QStringList{"game.kel"};
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), left);
}

void TestBinaryFile::onlyRegularFilesAreOpened()
{
    TempFiles files;
    const QString path = files.path("game.kel");
    const HeldPipe pipe(path);
    QVERIFY(pipe.made());
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile(path, BinaryFile::Mode::Update));
    QVERIFY_THROWS_EXCEPTION(FileError, BinaryFile::replaceContents(path, "x"));
    try {
        BinaryFile file(path, BinaryFile::Mode::Read);
        QFAIL("a named pipe was opened as a file");
    } catch (const FileError &error) {
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path))
                     && error.message().contains("named pipe"),
                 qPrintable(error.message()));
    }
    QVERIFY(pipe.stillThere());
}

QTEST_GUILESS_MAIN(TestBinaryFile)
#include "tst_binaryfile.moc"
