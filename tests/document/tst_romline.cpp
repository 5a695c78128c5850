#include "document/keltable.h"
#include "document/romline.h"
#include "platform/binaryfile.h"
#include "support/tempfiles.h"

#include <QTest>

class TestRomLine : public QObject
{
    Q_OBJECT

private slots:
    void firstPosition_data();
    void firstPosition();
    void readLineOfA20ByteRom();
    void fractionalLinesReadAndWriteTheSameBytes();
    void lineHex();
    void lineText();
};

void TestRomLine::firstPosition_data()
{
    QTest::addColumn<double>("line");
    QTest::addColumn<qint64>("position");
    QTest::newRow("line 0") << 0.0 << qint64(1);
    QTest::newRow("line 3") << 3.0 << qint64(49);
    QTest::newRow("offset 100") << 6.25 << qint64(101);
    QTest::newRow("offset 10.5, half to even") << 0.65625 << qint64(12);
    QTest::newRow("end of a 16,000-byte ROM") << 1000.0 << qint64(16001);
}

void TestRomLine::firstPosition()
{
    QFETCH(double, line);
    QFETCH(qint64, position);
    QCOMPARE(RomLine::firstPosition(line), position);
}

void TestRomLine::readLineOfA20ByteRom()
{
    TempFiles files;
    const QByteArray rom = TempFiles::pattern(20, 1, 0x30);
    BinaryFile file(files.write("rom.smc", rom), BinaryFile::Mode::Read);
    QCOMPARE(RomLine::ReadLine(file, 0), rom.left(16));
    QCOMPARE(RomLine::ReadLine(file, 1), rom.mid(16) + QByteArray(12, ' '));
    QCOMPARE(RomLine::ReadLine(file, 6.25), QByteArray(16, ' '));
}

void TestRomLine::fractionalLinesReadAndWriteTheSameBytes()
{
    TempFiles files;
    const QByteArray rom = TempFiles::pattern(200);
    const QString path = files.write("rom.smc", rom);
    {
        BinaryFile file(path, BinaryFile::Mode::Read);
        QCOMPARE(RomLine::ReadLine(file, 6.25), rom.mid(100, 16));
        QCOMPARE(RomLine::ReadLine(file, 0.65625), rom.mid(11, 16)); // positions 12 to 27
    }
    BinaryFile file(path, BinaryFile::Mode::Update);
    RomLine::WriteLine(file, 0.65625, QByteArray(16, '\xEE'));
    file.close();
    QByteArray expected = rom;
    expected.replace(11, 16, QByteArray(16, '\xEE'));
    QCOMPARE(files.read("rom.smc"), expected);
}

void TestRomLine::lineHex()
{
    const QByteArray bytes = QByteArray("\x00\x0A\x10\xFF", 4) + QByteArray(12, '\x41');
    QCOMPARE(RomLine::LineHex(bytes), QByteArray("000A10FF414141414141414141414141"));
    QCOMPARE(RomLine::LineHex(QByteArray(16, '\0')).size(), 32);
}

void TestRomLine::lineText()
{
    KelTable table;
    table.readRecords({});
    table.setEntry(0x41, "A");
    table.setEntry(0x20, " ");
    table.setEntry(0x42, "the");
    const QByteArray bytes = QByteArray("\x41\x20\x00\x41", 4) + QByteArray(12, '\x7F');
    QCOMPARE(RomLine::LineText(bytes, table),
             QByteArray("A \xA5"
                        "A"));
    QCOMPARE(RomLine::LineText(QByteArray(16, '\x42'), table), QByteArray("the").repeated(16));
    QCOMPARE(RomLine::LineText(QByteArray(16, '\x7F'), table), QByteArray());
}

QTEST_GUILESS_MAIN(TestRomLine)
#include "tst_romline.moc"
