#include "patch/ips.h"
#include "patch/patcherror.h"
#include "support/romdata.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Random bytes, then changed bytes at random places, with a few runs of one byte.
QByteArray changed(QByteArray bytes, quint32 seed, int changes)
{
    QRandomGenerator random(seed);
    for (int k = 0; k < changes && !bytes.isEmpty(); ++k) {
        const qsizetype at = random.bounded(bytes.size());
        const qsizetype length = std::min<qsizetype>(bytes.size() - at, random.bounded(1, 40));
        if (k % 4 == 0)
            bytes.replace(at, length, QByteArray(length, char(random.bounded(256))));
        else
            bytes[at] = char(bytes[at] ^ (1 + random.bounded(255)));
    }
    return bytes;
}

} // namespace

class TestIps : public QObject
{
    Q_OBJECT

private slots:
    void appliesHandMadePatches_data();
    void appliesHandMadePatches();
    void refusesDamagedPatches_data();
    void refusesDamagedPatches();
    void refusesEveryCut();
    void roundTrips_data();
    void roundTrips();
    void runRecordsShrinkThePatch();
    void refusesTargetsBeyondReach();
};

void TestIps::appliesHandMadePatches_data()
{
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray magic = "PATCH";
    QTest::newRow("data record") << magic + bytes("000002 0003 58595A") + "EOF"
                                 << QByteArray("abXYZfgh");
    QTest::newRow("run record") << magic + bytes("000001 0000 0004 2A") + "EOF"
                                << QByteArray("a****fgh");
    QTest::newRow("later record wins")
        << magic + bytes("000000 0002 5858 000001 0001 59") + "EOF" << QByteArray("XYcdefgh");
    QTest::newRow("grows with zero bytes")
        << magic + bytes("00000A 0001 21") + "EOF" << QByteArray("abcdefgh\0\0!", 11);
    QTest::newRow("truncation") << magic + "EOF" + bytes("000003") << QByteArray("abc");
    QTest::newRow("truncation beyond the end")
        << magic + "EOF" + bytes("000010") << QByteArray("abcdefgh");
    QTest::newRow("no records") << magic + "EOF" << QByteArray("abcdefgh");
}

void TestIps::appliesHandMadePatches()
{
    QFETCH(QByteArray, patch);
    QFETCH(QByteArray, expected);
    QCOMPARE(Ips::apply("abcdefgh", patch), expected);
}

void TestIps::refusesDamagedPatches_data()
{
    QTest::addColumn<QByteArray>("patch");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong magic") << QByteArray("PATCX") + "EOF"
                                 << "does not begin with \"PATCH\"";
    QTest::newRow("data past the end") << QByteArray("PATCH") + bytes("000002 0010 5859") + "EOF"
                                       << "record at patch offset 5 (0x5) writes 16 bytes";
    QTest::newRow("no EOF") << QByteArray("PATCH") + bytes("000002 0001 58")
                            << "without the \"EOF\"";
    QTest::newRow("junk after EOF")
        << QByteArray("PATCH") + "EOF" + bytes("0102") << "2 bytes follow";
}

void TestIps::refusesDamagedPatches()
{
    QFETCH(QByteArray, patch);
    QFETCH(QString, message);
    try {
        (void) Ips::apply("abcdefgh", patch);
        QFAIL("the patch was applied");
    } catch (const PatchError &error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
}

void TestIps::refusesEveryCut()
{
    const QByteArray patch = QByteArray("PATCH") + bytes("000002 0003 58595A 000001 0000 0004 2A")
                             + "EOF";
    for (qsizetype size = 0; size < patch.size(); ++size)
        QVERIFY_THROWS_EXCEPTION(PatchError, (void) Ips::apply("abcdefgh", patch.left(size)));
}

void TestIps::roundTrips_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("modified");
    const QByteArray small = RomData::noise(70000, 1);
    QTest::newRow("scattered changes") << small << changed(small, 2, 300);
    QTest::newRow("identical") << small << small;
    QTest::newRow("longer, ending in zero bytes")
        << small << changed(small, 3, 20) + RomData::noise(5000, 4) + QByteArray(100, '\0');
    QTest::newRow("shorter") << small << changed(small.left(50000), 5, 20);
    QTest::newRow("empty target") << small << QByteArray();
    QTest::newRow("from nothing") << QByteArray() << small;

    // A record may not start at 454F46 hex: a change there, a run there, a stretch ending there.
    const qsizetype eof = Ips::EofOffset;
    const QByteArray large = RomData::noise(eof + 100000, 6);
    QByteArray atEof = large;
    atEof[eof] = char(~atEof[eof]);
    QTest::newRow("change at 454F46") << large << atEof;
    QTest::newRow("run at 454F46")
        << large << QByteArray(large).replace(eof, 50, QByteArray(50, 'r'));
    QTest::newRow("data split at 454F46")
        << large
        << QByteArray(large).replace(eof - 65535, 65545, RomData::noise(65548, 7).left(65545));
    QTest::newRow("long run across 454F46")
        << large << QByteArray(large).replace(eof - 70000, 140000, QByteArray(140000, 'q'));

    QByteArray runs = RomData::noise(600000, 8);
    qsizetype at = 1000;
    for (const qsizetype length : {65533, 65534, 65535, 65536, 65537, 65539, 131070, 131071}) {
        runs.replace(at, length, QByteArray(length, char(length)));
        at += length + 10;
    }
    QTest::newRow("runs near 65535") << RomData::noise(600000, 8) << runs;
    QByteArray changedRuns = runs;
    for (qsizetype k = 0; k < changedRuns.size(); k += 3)
        changedRuns[k] = char(changedRuns[k] ^ 0x55);
    QTest::newRow("data near 65535") << runs << changedRuns.left(65535 * 3 + 1);

    const QByteArray full = RomData::noise(Ips::MaxTargetSize, 9);
    QTest::newRow("16 MiB") << full.left(Ips::MaxTargetSize - 3) << changed(full, 10, 50);
}

void TestIps::roundTrips()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, modified);
    const QByteArray patch = Ips::create(original, modified);
    QVERIFY(Ips::apply(original, patch) == modified);
}

void TestIps::runRecordsShrinkThePatch()
{
    const QByteArray original(4000, 'a');
    const QByteArray modified = QByteArray(original).replace(10, 3000, QByteArray(3000, 'z'));
    const QByteArray patch = Ips::create(original, modified);
    QCOMPARE(patch.size(), 5 + 8 + 3);
    QVERIFY(Ips::read(patch).records.at(0).run);
}

void TestIps::refusesTargetsBeyondReach()
{
    const QByteArray beyond(Ips::MaxTargetSize + 1, 'x');
    try {
        (void) Ips::create(QByteArray(), beyond);
        QFAIL("a patch was made");
    } catch (const PatchError &error) {
        QVERIFY2(error.message().contains("16 MiB"), qPrintable(error.message()));
    }
    // Cutting a file to 16 MiB needs a length that 3 bytes cannot hold.
    QVERIFY_THROWS_EXCEPTION(PatchError,
                             (void) Ips::create(beyond, beyond.left(Ips::MaxTargetSize)));
}

QTEST_GUILESS_MAIN(TestIps)
#include "tst_ips.moc"
