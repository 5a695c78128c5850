#include "script/pointerformat.h"

#include <QRandomGenerator>
#include <QTest>

using Mapping = PointerFormat::Mapping;

class TestPointerFormat : public QObject
{
    Q_OBJECT

private slots:
    void offsetOf_data();
    void offsetOf();
    void valueForInvertsOffsetOf();
    void reachIsTheBank();
    void bytesAndText();
};

void TestPointerFormat::offsetOf_data()
{
    QTest::addColumn<int>("mapping");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bank"); // -1: the pointer's own
    QTest::addColumn<qint64>("base");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("place");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<qint64>("offset"); // -1: none

    const auto lo = int(Mapping::LoRom);
    const auto hi = int(Mapping::HiRom);
    const auto ex = int(Mapping::ExHiRom);
    const auto base = int(Mapping::Base);
    // Worked by hand from the memory maps: LoROM banks of 32 KiB at 8000-FFFF, HiROM of 64 KiB.
    QTest::newRow("lorom bank of the place")
        << lo << 2 << -1 << 0LL << 0x10000LL << 0x100LL << 0x8400u << 0x400LL;
    QTest::newRow("lorom second bank")
        << lo << 2 << -1 << 0LL << 0x10000LL << 0x8100LL << 0x8400u << 0x8400LL;
    QTest::newRow("lorom copier header")
        << lo << 2 << -1 << 0LL << 0x10200LL << 0x300LL << 0x8400u << 0x600LL;
    QTest::newRow("lorom low half is no ROM")
        << lo << 2 << -1 << 0LL << 0x10000LL << 0x100LL << 0x1234u << -1LL;
    QTest::newRow("lorom given bank")
        << lo << 2 << 0x81 << 0LL << 0x10000LL << 0x100LL << 0x8000u << 0x8000LL;
    QTest::newRow("lorom past the file")
        << lo << 2 << 0x82 << 0LL << 0x10000LL << 0x100LL << 0x8000u << -1LL;
    QTest::newRow("lorom 3 bytes slow mirror")
        << lo << 3 << -1 << 0LL << 0x10000LL << 0LL << 0x018400u << 0x8400LL;
    QTest::newRow("hirom bank of the place")
        << hi << 2 << -1 << 0LL << 0x20000LL << 0x10100LL << 0x0400u << 0x10400LL;
    QTest::newRow("hirom 3 bytes")
        << hi << 3 << -1 << 0LL << 0x20000LL << 0LL << 0xC10400u << 0x10400LL;
    QTest::newRow("hirom 3 bytes mirror 40")
        << hi << 3 << -1 << 0LL << 0x20000LL << 0LL << 0x410400u << 0x10400LL;
    QTest::newRow("hirom 3 bytes low half of 01")
        << hi << 3 << -1 << 0LL << 0x20000LL << 0LL << 0x010400u << -1LL;
    QTest::newRow("hirom 3 bytes high half of 01")
        << hi << 3 << -1 << 0LL << 0x20000LL << 0LL << 0x018400u << 0x18400LL;
    QTest::newRow("exhirom upper 4 MiB")
        << ex << 3 << -1 << 0LL << 0x500000LL << 0LL << 0x400010u << 0x400010LL;
    QTest::newRow("exhirom first 4 MiB")
        << ex << 3 << -1 << 0LL << 0x500000LL << 0LL << 0xC00010u << 0x10LL;
    QTest::newRow("base") << base << 2 << -1 << 0x1000LL << 0x2000LL << 0LL << 0x0400u << 0x1400LL;
    QTest::newRow("base past the file")
        << base << 2 << -1 << 0x1000LL << 0x2000LL << 0LL << 0x1000u << -1LL;
    QTest::newRow("base 3 bytes") << base << 3 << -1 << 0LL << 0x200000LL << 0LL << 0x123456u
                                  << 0x123456LL;
}

void TestPointerFormat::offsetOf()
{
    QFETCH(int, mapping);
    QFETCH(int, width);
    QFETCH(int, bank);
    QFETCH(qint64, base);
    QFETCH(qint64, fileSize);
    QFETCH(qint64, place);
    QFETCH(quint32, value);
    QFETCH(qint64, offset);
    PointerFormat format;
    format.mapping = Mapping(mapping);
    format.width = format.stride = width;
    if (bank >= 0)
        format.bank = bank;
    format.base = base;
    format.setFileSize(fileSize);
    QVERIFY(format.problem().isEmpty());
    const std::optional<qint64> got = format.offsetOf(value, place);
    QCOMPARE(got.value_or(-1), offset);
    if (offset >= 0) {
        // Rewritten, a pointer keeps the mirror the game used.
        QCOMPARE(format.valueFor(offset, place, value).value_or(0xFFFFFFFF), value);
        QVERIFY(format.reaches(offset, 1, place));
    }
}

void TestPointerFormat::valueForInvertsOffsetOf()
{
    QRandomGenerator random(19);
    for (const Mapping mapping : {Mapping::LoRom, Mapping::HiRom, Mapping::ExHiRom, Mapping::Base}) {
        for (const int width : {2, 3}) {
            PointerFormat format;
            format.mapping = mapping;
            format.width = format.stride = width;
            format.base = mapping == Mapping::Base ? 0x300 : 0;
            format.setFileSize(mapping == Mapping::ExHiRom ? 0x480200 : 0x40200);
            for (int k = 0; k < 2000; ++k) {
                const qint64 place = random.bounded(format.fileSize());
                const qint64 offset = random.bounded(format.fileSize());
                const std::optional<quint32> value = format.valueFor(offset, place);
                QCOMPARE(value.has_value(), format.reaches(offset, 1, place));
                if (value)
                    QCOMPARE(format.offsetOf(*value, place), offset);
            }
        }
    }
}

void TestPointerFormat::reachIsTheBank()
{
    PointerFormat format;
    format.mapping = Mapping::LoRom;
    format.setFileSize(0x20200); // a copier header: banks start 0x200 later in the file
    QVERIFY(format.reaches(0x8200, 0x8000, 0x8300));
    QVERIFY(!format.reaches(0x8200, 0x8001, 0x8300));
    QVERIFY(!format.reaches(0x81FF, 1, 0x8300));
    QVERIFY(!format.reaches(0x100, 1, 0x100)); // a pointer in the copier header reads no bank
    format.width = format.stride = 3;
    QVERIFY(format.reaches(0x10100, 0x100, 0));
    QVERIFY(!format.reaches(0x101F0, 0x20, 0)); // across the end of bank 81
    format.mapping = Mapping::Base;
    format.width = format.stride = 2;
    format.base = 0x10000;
    QVERIFY(format.reaches(0x10000, 0x10000, 0));
    QVERIFY(!format.reaches(0x1FFFF, 2, 0));
}

void TestPointerFormat::bytesAndText()
{
    PointerFormat format;
    format.mapping = Mapping::HiRom;
    format.width = 3;
    format.stride = 5;
    format.bigEndian = true;
    QByteArray bytes("\x00\xC1\x04\x00\x00", 5);
    QCOMPARE(format.read(bytes, 1), 0xC10400u);
    format.write(bytes, 1, 0xC20501u);
    QCOMPARE(bytes, QByteArray("\x00\xC2\x05\x01\x00", 5));
    QCOMPARE(format.toText(), QStringLiteral("width=3 big-endian stride=5 hirom"));
    QCOMPARE(PointerFormat::fromText(format.toText()), format);
    const PointerFormat lo = PointerFormat::fromText(
        QStringLiteral("width=2 little-endian lorom bank=C6"));
    QCOMPARE(lo.bank.value_or(-1), 0xC6);
    QCOMPARE(lo.stride, 2);
    QVERIFY_THROWS_EXCEPTION(std::exception, (void) PointerFormat::fromText("width=4 lorom"));
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             (void) PointerFormat::fromText("width=3 base=0x0 bank=01"));
    QVERIFY_THROWS_EXCEPTION(std::exception, (void) PointerFormat::fromText("width=2 sideways"));
}

QTEST_GUILESS_MAIN(TestPointerFormat)
#include "tst_pointerformat.moc"
