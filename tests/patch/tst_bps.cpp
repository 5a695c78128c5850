#include "patch/bps.h"
#include "patch/patcherror.h"
#include "support/romdata.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray littleEndian(quint32 value)
{
    QByteArray bytes;
    for (int k = 0; k < 4; ++k)
        bytes.append(char(value >> (8 * k)));
    return bytes;
}

// A patch's body with the footer that the format puts after it.
QByteArray withFooter(const QByteArray &body, const QByteArray &source, const QByteArray &target)
{
    const QByteArray patch = body + littleEndian(Bps::crc32(source))
                             + littleEndian(Bps::crc32(target));
    return patch + littleEndian(Bps::crc32(patch));
}

const QByteArray Source = "ABCDEFGH";
const QByteArray Target = "ABCDxyzxyzxyzGHA";

// Written by hand: sizes 8 and 16, no metadata; SourceRead 4, TargetRead "xyz", TargetCopy 6
// from target offset 4, SourceCopy 2 from source offset 6, SourceCopy 1 from offset 0 (-8).
QByteArray handMade()
{
    return withFooter(QByteArray("BPS1") + QByteArray::fromHex("889080 8C 89 78797A 9788 868C 8291"),
                      Source,
                      Target);
}

} // namespace

class TestBps : public QObject
{
    Q_OBJECT

private slots:
    void crcIsZlibs();
    void appliesHandMadePatches_data();
    void appliesHandMadePatches();
    void refusesWhatDoesNotFit_data();
    void refusesWhatDoesNotFit();
    void refusesEveryCut();
    void roundTrips_data();
    void roundTrips();
};

void TestBps::crcIsZlibs()
{
    QCOMPARE(Bps::crc32("123456789"), 0xCBF43926u);
}

void TestBps::appliesHandMadePatches_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("every action") << Source << handMade() << Target;
    // Two-byte numbers: 200 is 48 80, SourceRead 200 ((199 << 2) | 0) is 1C 85.
    const QByteArray long200 = RomData::noise(200, 1);
    QTest::newRow("two-byte numbers")
        << long200
        << withFooter(QByteArray("BPS1") + QByteArray::fromHex("4880 4880 80 1C85"),
                      long200,
                      long200)
        << long200;
    QTest::newRow("metadata is skipped")
        << Source
        << withFooter(QByteArray("BPS1") + QByteArray::fromHex("8888 82 6869 9C"), Source, Source)
        << Source;
}

void TestBps::appliesHandMadePatches()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, patch);
    QFETCH(QByteArray, expected);
    QCOMPARE(Bps::apply(source, patch), expected);
}

void TestBps::refusesWhatDoesNotFit_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QString>("message");
    QByteArray damaged = handMade();
    damaged[9] = 'Q';
    QTest::newRow("damaged") << Source << damaged << "patch checksum failed";
    QTest::newRow("wrong magic") << Source << QByteArray("UPS1") + handMade().mid(4)
                                 << "not a BPS patch";
    QTest::newRow("wrong source") << QByteArray("ABCDEFGX") << handMade()
                                  << "source checksum failed";
    QTest::newRow("headered source")
        << QByteArray(512, '\0') + Source << handMade() << "copier header";
    QTest::newRow("wrong target") << Source
                                  << withFooter(handMade().chopped(12), Source, "ABCDxyzxyzxyzGHB")
                                  << "target checksum failed";
    const QByteArray header = QByteArray("BPS1") + QByteArray::fromHex("888480");
    QTest::newRow("past the target's end")
        << Source << withFooter(header + QByteArray::fromHex("94"), Source, "ABCD")
        << "past the target's end";
    QTest::newRow("copy from unwritten target")
        << Source << withFooter(header + QByteArray::fromHex("8F82"), Source, "ABCD")
        << "not yet written";
    QTest::newRow("copy outside the source")
        << Source << withFooter(header + QByteArray::fromHex("8E8E"), Source, "ABCD")
        << "outside the source";
    QTest::newRow("too few bytes written")
        << Source << withFooter(header + QByteArray::fromHex("84"), Source, "ABCD") << "promises 4";
}

void TestBps::refusesWhatDoesNotFit()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, patch);
    QFETCH(QString, message);
    try {
        (void) Bps::apply(source, patch);
        QFAIL("the patch was applied");
    } catch (const PatchError &error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
}

void TestBps::refusesEveryCut()
{
    const QByteArray patch = handMade();
    for (qsizetype size = 0; size < patch.size(); ++size)
        QVERIFY_THROWS_EXCEPTION(PatchError, (void) Bps::apply(Source, patch.left(size)));
}

void TestBps::roundTrips_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("target");
    const QByteArray small = RomData::noise(70000, 2);
    QByteArray scattered = small;
    QRandomGenerator random(3);
    for (int k = 0; k < 300; ++k)
        scattered[random.bounded(small.size())] = char(random.bounded(256));
    QTest::newRow("scattered changes") << small << scattered;
    QTest::newRow("identical") << small << small;
    QTest::newRow("longer, with a long run")
        << small << scattered + QByteArray(100000, '\0') + RomData::noise(10, 4);
    QTest::newRow("shorter") << small << scattered.left(1000);
    QTest::newRow("empty target") << small << QByteArray();
    QTest::newRow("from nothing") << QByteArray() << small;
    QTest::newRow("beyond IPS's reach") << RomData::noise((qsizetype(1) << 24) + 1, 5)
                                        << RomData::noise((qsizetype(1) << 24) + 7, 5) + "tail";
}

void TestBps::roundTrips()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, target);
    QVERIFY(Bps::apply(source, Bps::create(source, target)) == target);
}

QTEST_GUILESS_MAIN(TestBps)
#include "tst_bps.moc"
