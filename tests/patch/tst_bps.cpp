#include "patch/bps.h"
#include "patch/bpsdelta.h"
#include "patch/patcherror.h"
#include "support/romdata.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <utility>

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

// ROM-like bytes: stretches of noise, runs of padding and tiles that repeat.
QByteArray romLike(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    const QByteArray tiles = RomData::noise(qsizetype(32) * 16, seed + 1);
    QByteArray rom;
    while (rom.size() < size) {
        switch (random.bounded(3)) {
        case 0:
            rom += RomData::noise(random.bounded(64, 2048), random.generate());
            break;
        case 1:
            rom += QByteArray(random.bounded(16, 512), random.bounded(2) ? '\0' : '\xFF');
            break;
        default:
            for (int k = random.bounded(1, 20); k > 0; --k)
                rom += tiles.mid(qsizetype(32) * random.bounded(16), 32);
        }
    }
    return rom.left(size);
}

enum class Shape {
    Shifts,
    Inserts,
    Deletes,
    Repeats,
    Expansion,
    HeaderAdded,
    HeaderRemoved,
    Identical,
    EmptyTarget,
    EmptySource,
};

// A source and the target that work of the given shape makes of it.
std::pair<QByteArray, QByteArray> shaped(Shape shape, qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    const QByteArray source = romLike(size, seed);
    QByteArray target = source;
    auto somewhere = [&] { return random.bounded(target.size()); };
    switch (shape) {
    case Shape::Shifts:
        // Text grows and the rest of its bank moves on, into the padding at the bank's end.
        for (qsizetype bank = 0; bank + 8192 <= target.size(); bank += 8192) {
            const qsizetype grown = random.bounded(1, 500);
            target.insert(bank + random.bounded(4096), RomData::noise(grown, random.generate()));
            target.remove(bank + 8192, grown);
        }
        break;
    case Shape::Inserts:
        for (int k = 0; k < 5; ++k)
            target.insert(somewhere(), RomData::noise(random.bounded(1, 3000), random.generate()));
        break;
    case Shape::Deletes:
        for (int k = 0; k < 5; ++k)
            target.remove(somewhere(), random.bounded(1, 3000));
        break;
    case Shape::Repeats: {
        const QByteArray fresh = RomData::noise(random.bounded(100, 1000), random.generate());
        target.insert(somewhere(), fresh.repeated(random.bounded(2, 6)));
        target.insert(somewhere(), source.mid(somewhere(), 2000).repeated(3));
        break;
    }
    case Shape::Expansion:
        while (target.size() < 2 * size) {
            target += random.bounded(2) ? RomData::noise(4096, random.generate())
                                        : source.mid(somewhere(), 4096);
        }
        break;
    case Shape::HeaderAdded:
        target.prepend(QByteArray(512, '\0'));
        break;
    case Shape::HeaderRemoved:
        target.remove(0, 512);
        break;
    case Shape::Identical:
        return {source, target};
    case Shape::EmptyTarget:
        return {source, QByteArray()};
    case Shape::EmptySource:
        return {QByteArray(), target};
    }
    for (int k = 0; k < 20; ++k)
        target[somewhere()] = static_cast<char>(random.bounded(256));
    return {source, target};
}

qsizetype numberSize(quint64 value)
{
    qsizetype size = 1;
    for (; value >= 0x80; value = (value >> 7) - 1)
        ++size;
    return size;
}

// The size of the plainest patch: bytes equal at their place read from the source, the rest
// written out.
qsizetype plainPatchSize(const QByteArray &source, const QByteArray &target)
{
    qsizetype size = 4 + numberSize(source.size()) + numberSize(target.size()) + 1 + 12;
    for (qsizetype at = 0; at < target.size();) {
        const bool same = at < source.size() && source[at] == target[at];
        qsizetype end = at + 1;
        while (end < target.size() && (end < source.size() && source[end] == target[end]) == same)
            ++end;
        size += numberSize(quint64(end - at - 1) << 2) + (same ? 0 : end - at);
        at = end;
    }
    return size;
}

// An action read from a patch: its kind (0 SourceRead, 1 TargetRead, 2 SourceCopy,
// 3 TargetCopy), the target offset it writes at and, for a read or copy, where it reads from.
struct ReadAction
{
    int kind = 0;
    qint64 at = 0;
    qint64 length = 0;
    qint64 from = -1;
};

QList<ReadAction> actionsOf(const QByteArray &patch)
{
    qsizetype i = 4;
    auto number = [&] {
        quint64 value = 0;
        quint64 shift = 1;
        while (true) {
            const auto byte = static_cast<quint8>(patch[i++]);
            value += (byte & 0x7F) * shift;
            if (byte & 0x80)
                return qint64(value);
            shift <<= 7;
            value += shift;
        }
    };
    number();
    number();
    i += number();
    QList<ReadAction> actions;
    qint64 at = 0;
    qint64 cursors[2] = {0, 0};
    while (i < patch.size() - 12) {
        const qint64 data = number();
        ReadAction action{int(data & 3), at, (data >> 2) + 1};
        if (action.kind == 0) {
            action.from = at;
        } else if (action.kind == 1) {
            i += action.length;
        } else {
            const qint64 offset = number();
            qint64 &cursor = cursors[action.kind - 2];
            cursor += offset & 1 ? -(offset >> 1) : offset >> 1;
            action.from = cursor;
            cursor += action.length;
        }
        actions.append(action);
        at += action.length;
    }
    return actions;
}

} // namespace

class TestBps : public QObject
{
    Q_OBJECT

private slots:
    void crcIsZlibs();
    void numberSizeIsWhatIsWritten();
    void appliesHandMadePatches_data();
    void appliesHandMadePatches();
    void refusesWhatDoesNotFit_data();
    void refusesWhatDoesNotFit();
    void refusesEveryCut();
    void roundTrips_data();
    void roundTrips();
    void createdPatchesCheckOut_data();
    void createdPatchesCheckOut();
    void movedBytesAreCopied_data();
    void movedBytesAreCopied();
    void longestMatchesAPlainScan_data();
    void longestMatchesAPlainScan();
};

// The creator counts a number's bytes without writing it: at each size's first number and the
// one before, the count must be what the writer writes.
void TestBps::numberSizeIsWhatIsWritten()
{
    quint64 first = 0;
    for (int bytes = 1; bytes <= 10; ++bytes) {
        for (const quint64 value : {first, first - 1}) {
            QByteArray written;
            Bps::appendNumber(written, value);
            QCOMPARE(Bps::numberSize(value), int(written.size()));
        }
        if (bytes < 10)
            first += quint64(1) << (7 * bytes);
    }
    QCOMPARE(Bps::numberSize(~quint64(0)), 10);
}

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
    QTest::newRow("longer, with a long run")
        << small << scattered + QByteArray(100000, '\0') + RomData::noise(10, 4);
    QTest::newRow("shorter") << small << scattered.left(1000);
    QTest::newRow("beyond IPS's reach") << RomData::noise((qsizetype(1) << 24) + 1, 5)
                                        << RomData::noise((qsizetype(1) << 24) + 7, 5) + "tail";
}

void TestBps::roundTrips()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, target);
    QVERIFY(Bps::apply(source, Bps::create(source, target)) == target);
}

void TestBps::createdPatchesCheckOut_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("shifts") << Shape::Shifts << qsizetype(65536);
    QTest::newRow("inserts") << Shape::Inserts << qsizetype(65536);
    QTest::newRow("deletes") << Shape::Deletes << qsizetype(65536);
    QTest::newRow("repeats") << Shape::Repeats << qsizetype(65536);
    QTest::newRow("expansion") << Shape::Expansion << qsizetype(65536);
    QTest::newRow("header added") << Shape::HeaderAdded << qsizetype(65536);
    QTest::newRow("header removed") << Shape::HeaderRemoved << qsizetype(65536);
    QTest::newRow("identical") << Shape::Identical << qsizetype(65536);
    QTest::newRow("empty target") << Shape::EmptyTarget << qsizetype(65536);
    QTest::newRow("empty source") << Shape::EmptySource << qsizetype(65536);
    QTest::newRow("both empty") << Shape::Identical << qsizetype(0);
    // Large enough to be searched in parts on two threads.
    QTest::newRow("expansion in parts") << Shape::Expansion << qsizetype(200000);
    QTest::newRow("shifts in parts") << Shape::Shifts << qsizetype(300000);
}

// Each created patch rebuilds its target with the applier, carries the three checksums, is no
// larger than the plainest patch, and is made again byte for byte.
void TestBps::createdPatchesCheckOut()
{
    QFETCH(Shape, shape);
    QFETCH(qsizetype, size);
    for (quint32 seed = 1; seed <= 3; ++seed) {
        const auto [source, target] = shaped(shape, size, seed);
        const QByteArray patch = Bps::create(source, target);
        QVERIFY(Bps::apply(source, patch) == target);
        const Bps::Header header = Bps::readHeader(patch);
        QCOMPARE(header.sourceCrc, Bps::crc32(source));
        QCOMPARE(header.targetCrc, Bps::crc32(target));
        QCOMPARE(patch.right(4), littleEndian(Bps::crc32(patch.chopped(4))));
        QVERIFY2(patch.size() <= plainPatchSize(source, target),
                 qPrintable(QStringLiteral("seed %1: %2 bytes").arg(seed).arg(patch.size())));
        // Whichever thread searches which part, the patch is the same.
        QVERIFY(Bps::create(source, target) == patch);
    }
}

void TestBps::movedBytesAreCopied_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<qint64>("movedTo");
    QTest::addColumn<qint64>("movedFrom");
    const QByteArray rom = romLike(65536, 9);
    QTest::newRow("block moved to the front")
        << rom << rom.mid(40000, 8000) + rom.left(40000) + rom.mid(48000) << qint64(0)
        << qint64(40000);
    QTest::newRow("copier header added")
        << rom << QByteArray(512, '\0') + rom << qint64(512) << qint64(0);
    QTest::newRow("text grown") << rom << QByteArray(rom).insert(20000, RomData::noise(300, 10))
                                << qint64(20300) << qint64(20000);
}

void TestBps::movedBytesAreCopied()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, target);
    QFETCH(qint64, movedTo);
    QFETCH(qint64, movedFrom);
    const QByteArray patch = Bps::create(source, target);
    const QList<ReadAction> actions = actionsOf(patch);
    const auto writing = std::find_if(actions.begin(), actions.end(), [&](const ReadAction &a) {
        return a.at <= movedTo && movedTo < a.at + a.length;
    });
    QVERIFY(writing != actions.end());
    QCOMPARE(writing->kind, 2);
    QCOMPARE(writing->from + (movedTo - writing->at), movedFrom);
    QVERIFY(writing->at + writing->length >= movedTo + 1000);
    QVERIFY2(patch.size() < 400, qPrintable(QString::number(patch.size())));
}

void TestBps::longestMatchesAPlainScan_data()
{
    QTest::addColumn<int>("symbols");
    QTest::addColumn<int>("longestSource");
    QTest::newRow("two symbols, long matches") << 2 << 60;
    QTest::newRow("four symbols") << 4 << 60;
    QTest::newRow("any byte") << 256 << 60;
    // Groups of a pair large enough that keys of their suffixes narrow the search first.
    QTest::newRow("two symbols, large groups") << 2 << 3000;
    QTest::newRow("four symbols, large groups") << 4 << 3000;
}

// The suffix array's search against every place of the source, on sources whose last byte's
// own suffix sorts between two groups of pairs: 00 FF and 01 00, FE FF and FF 00.
void TestBps::longestMatchesAPlainScan()
{
    QFETCH(int, symbols);
    QFETCH(int, longestSource);
    QRandomGenerator random(11);
    auto symbol = [&] {
        static const char Edges[] = {'\x00', '\xFF', '\x01', '\xFE'};
        return symbols < 256 ? Edges[random.bounded(symbols)] : char(random.bounded(256));
    };
    for (int round = 0; round < 1000; ++round) {
        QByteArray source(random.bounded(1, longestSource), '\0');
        for (char &byte : source)
            byte = symbol();
        const Bps::SourceIndex index(source);
        // Half of the patterns start somewhere in the source, the others anywhere.
        QByteArray pattern = round % 2 == 0
                                 ? source.mid(random.bounded(source.size()), random.bounded(2, 40))
                                 : QByteArray();
        while (pattern.size() < 40)
            pattern.append(symbol());
        pattern[random.bounded(pattern.size())] = symbol();
        const qint64 limit = random.bounded(2, 40);
        qint64 longest = 0;
        for (qsizetype from = 0; from < source.size(); ++from) {
            qint64 length = 0;
            while (length < limit && from + length < source.size()
                   && source[from + length] == pattern[length])
                ++length;
            longest = std::max(longest, length);
        }
        const auto [from, length] = index.longest(pattern.constData(), limit);
        QCOMPARE(length, longest >= 2 ? longest : qint64(0));
        QVERIFY(source.mid(from, length) == pattern.left(length));
    }
}

QTEST_GUILESS_MAIN(TestBps)
#include "tst_bps.moc"
