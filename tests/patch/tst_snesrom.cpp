#include "patch/snesrom.h"

#include <QRandomGenerator>
#include <QTest>

using Snes::Mapping;

Q_DECLARE_METATYPE(Snes::Mapping)

namespace {

void put16(QByteArray &rom, qint64 at, quint16 value)
{
    rom[at] = char(value & 0xFF);
    rom[at + 1] = char(value >> 8);
}

quint16 plainSum(const QByteArray &bytes)
{
    quint32 sum = 0;
    for (const char byte : bytes)
        sum += quint8(byte);
    return quint16(sum);
}

// A ROM of size bytes with its header laid out by hand at the mapping's place (7FC0, FFC0 or
// 40FFC0 hex): title, map byte, sizes, region, a matching checksum pair and a reset vector
// pointing at SEI (78 hex). The filler is a pattern, so that no other place scores.
QByteArray image(Mapping mapping, qint64 size)
{
    QByteArray rom(size, '\0');
    for (qint64 k = 0; k < size; ++k)
        rom[k] = char(k * 7 / 3);
    const qint64 place = mapping == Mapping::LoRom   ? 0x7FC0
                         : mapping == Mapping::HiRom ? 0xFFC0
                                                     : 0x40FFC0;
    rom.replace(place, 21, "ORVANE TEST          ");
    rom[place + 0x15] = char(mapping == Mapping::LoRom   ? 0x20
                             : mapping == Mapping::HiRom ? 0x31
                                                         : 0x35);
    rom[place + 0x17] = 0x08;
    rom[place + 0x18] = 0x03;
    rom[place + 0x19] = 0x01;
    put16(rom, place + 0x1C, 0xFFFF);
    put16(rom, place + 0x1E, 0x0000);
    put16(rom, place + 0x3C, 0x8000);
    // Bank 00's 8000 hex: ROM offset 0 for LoROM, 8000 for HiROM, 408000 for ExHiROM.
    rom[mapping == Mapping::LoRom ? 0 : mapping == Mapping::HiRom ? 0x8000 : 0x408000] = '\x78';
    const quint16 sum = plainSum(rom);
    put16(rom, place + 0x1C, quint16(~sum));
    put16(rom, place + 0x1E, sum);
    return rom;
}

} // namespace

class TestSnesRom : public QObject
{
    Q_OBJECT

private slots:
    void findsTheHeader_data();
    void findsTheHeader();
    void findsNoHeaderInFiller();
    void fixingMakesThePairMatch();
    void copierHeaderComesAndGoes();
    void addresses_data();
    void addresses();
    void addressesRoundTrip();
};

void TestSnesRom::findsTheHeader_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Mapping>("mapping");
    QTest::addColumn<qint64>("at");
    const QByteArray lo = image(Mapping::LoRom, 0x40000);
    const QByteArray hi = image(Mapping::HiRom, 0x40000);
    const QByteArray copier(512, '\0');
    QTest::newRow("LoROM") << lo << Mapping::LoRom << qint64(0x7FC0);
    QTest::newRow("LoROM, copier header") << copier + lo << Mapping::LoRom << qint64(0x81C0);
    QTest::newRow("HiROM") << hi << Mapping::HiRom << qint64(0xFFC0);
    QTest::newRow("HiROM, copier header") << copier + hi << Mapping::HiRom << qint64(0x101C0);
    QTest::newRow("ExHiROM") << image(Mapping::ExHiRom, 0x800000) << Mapping::ExHiRom
                             << qint64(0x40FFC0);
}

void TestSnesRom::findsTheHeader()
{
    QFETCH(QByteArray, file);
    QFETCH(Mapping, mapping);
    QFETCH(qint64, at);
    const auto header = Snes::findHeader(file);
    QVERIFY(header);
    QCOMPARE(header->mapping, mapping);
    QCOMPARE(header->at, at);
    QCOMPARE(header->title, QByteArray("ORVANE TEST"));
    QCOMPARE(header->romSizeCode, 0x08);
    QCOMPARE(header->ramSizeCode, 0x03);
    QCOMPARE(Snes::checksum(file, *header), header->checksum);
}

void TestSnesRom::findsNoHeaderInFiller()
{
    QVERIFY(!Snes::findHeader(QByteArray(0x20000, '\0')));
    QVERIFY(!Snes::findHeader(QByteArray(0x20000, '\xFF')));
    QVERIFY(!Snes::findHeader(QByteArray(4096, '\x20')));
}

void TestSnesRom::fixingMakesThePairMatch()
{
    // 608 KiB reads as 1 MiB: 512 KiB, then the 96 KiB past it four times, each time as 64 KiB
    // and its last 32 KiB twice.
    QByteArray rom = QByteArray(512, '\0') + image(Mapping::HiRom, 0x98000);
    put16(rom, 512 + 0xFFDC, 0x1234); // a broken pair, as well as a stale sum
    const auto header = Snes::headerAt(rom, Mapping::HiRom);
    QVERIFY(header);
    const QByteArray fixed = Snes::withChecksum(rom, *header);
    const auto after = Snes::headerAt(fixed, Mapping::HiRom);
    const QByteArray body = fixed.mid(512);
    const int rest = plainSum(body.mid(0x80000, 0x10000)) + 2 * plainSum(body.mid(0x90000));
    QCOMPARE(after->checksum, quint16(plainSum(body.left(0x80000)) + 4 * rest));
    QCOMPARE(quint16(after->checksum ^ after->complement), quint16(0xFFFF));
}

void TestSnesRom::copierHeaderComesAndGoes()
{
    const QByteArray rom = image(Mapping::LoRom, 0x40000);
    const QByteArray headered = Snes::withCopierHeader(rom);
    QCOMPARE(Snes::copierHeaderSize(headered.size()), 512);
    QCOMPARE(Snes::copierHeaderSize(rom.size()), 0);
    QCOMPARE(headered.left(11), QByteArray::fromHex("2000000000000000AABB04")); // 32 blocks
    QVERIFY(Snes::withoutCopierHeader(headered) == rom);
}

void TestSnesRom::addresses_data()
{
    QTest::addColumn<Mapping>("mapping");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<qint64>("offset"); // -1: not ROM
    QTest::newRow("LoROM 00:8000") << Mapping::LoRom << 0x008000u << qint64(0);
    QTest::newRow("LoROM 01:9234") << Mapping::LoRom << 0x019234u << qint64(0x9234);
    QTest::newRow("LoROM FF:FFFF") << Mapping::LoRom << 0xFFFFFFu << qint64(0x3FFFFF);
    QTest::newRow("LoROM lower half") << Mapping::LoRom << 0x001234u << qint64(-1);
    QTest::newRow("LoROM work RAM") << Mapping::LoRom << 0x7E8000u << qint64(-1);
    QTest::newRow("HiROM C1:0005") << Mapping::HiRom << 0xC10005u << qint64(0x10005);
    QTest::newRow("HiROM 40:1234") << Mapping::HiRom << 0x401234u << qint64(0x1234);
    QTest::newRow("HiROM 00:8000") << Mapping::HiRom << 0x008000u << qint64(0x8000);
    QTest::newRow("HiROM 00:1000") << Mapping::HiRom << 0x001000u << qint64(-1);
    QTest::newRow("ExHiROM 40:0000") << Mapping::ExHiRom << 0x400000u << qint64(0x400000);
    QTest::newRow("ExHiROM 00:8000") << Mapping::ExHiRom << 0x008000u << qint64(0x408000);
    QTest::newRow("ExHiROM 3E:8000") << Mapping::ExHiRom << 0x3E8000u << qint64(0x7E8000);
    QTest::newRow("ExHiROM work RAM") << Mapping::ExHiRom << 0x7F0000u << qint64(-1);
}

void TestSnesRom::addresses()
{
    QFETCH(Mapping, mapping);
    QFETCH(quint32, address);
    QFETCH(qint64, offset);
    QCOMPARE(Snes::romOffset(mapping, address).value_or(-1), offset);
}

void TestSnesRom::addressesRoundTrip()
{
    QRandomGenerator random(1);
    for (const Mapping mapping : {Mapping::LoRom, Mapping::HiRom, Mapping::ExHiRom}) {
        const qint64 reach = mapping == Mapping::ExHiRom ? 0x800000 : 0x400000;
        QVERIFY(!Snes::busAddress(mapping, reach));
        for (int k = 0; k < 2000; ++k) {
            const qint64 offset = random.bounded(reach);
            const auto address = Snes::busAddress(mapping, offset);
            if (!address) {
                // Only ExHiROM's last 128 KiB have halves that banks 7E and 7F hide.
                QVERIFY(mapping == Mapping::ExHiRom && offset >= 0x7E0000 && (offset & 0x8000) == 0);
                continue;
            }
            QCOMPARE(Snes::romOffset(mapping, *address).value_or(-1), offset);
        }
    }
}

QTEST_GUILESS_MAIN(TestSnesRom)
#include "tst_snesrom.moc"
