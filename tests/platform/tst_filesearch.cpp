#include "plainscan.h"

#include "platform/binaryfile.h"
#include "platform/filesearch.h"
#include "support/romdata.h"
#include "support/tempfiles.h"

#include <QRandomGenerator>
#include <QTest>

#include <optional>
#include <vector>

Q_DECLARE_METATYPE(std::optional<qint64>)

using RomData::romWith;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

} // namespace

class tst_FileSearch : public QObject
{
    Q_OBJECT

private slots:
    void findPattern_data();
    void findPattern();
    void readBoundaries();
    void progressAdvances();
    void shrunkFile();
    void agreesWithPlainScan();

private:
    TempFiles m_files;
};

void tst_FileSearch::findPattern_data()
{
    QTest::addColumn<QByteArray>("rom");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("romLength");
    QTest::addColumn<std::optional<qint64>>("expected");

    const QByteArray xyz("XYZ");
    auto at = [](qint64 position) { return std::optional<qint64>(position); };
    const std::optional<qint64> none;

    QTest::newRow("at offset 0") << romWith(64, {{0, xyz}}) << xyz << qint64(1) << qint64(64)
                                 << at(1);
    QTest::newRow("at the start position")
        << romWith(64, {{20, xyz}}) << xyz << qint64(21) << qint64(64) << at(21);
    QTest::newRow("before the start position")
        << romWith(64, {{20, xyz}}) << xyz << qint64(22) << qint64(64) << none;
    QTest::newRow("next passes over 9, finds 15") << romWith(64, {{3, xyz}, {9, xyz}, {15, xyz}})
                                                  << xyz << qint64(16) << qint64(64) << at(16);
    QTest::newRow("overlapping occurrences")
        << romWith(64, {{10, "AAAB"}}) << QByteArray("AAB") << qint64(1) << qint64(64) << at(12);
    QTest::newRow("only in a window overlap")
        << romWith(5000, {{2000, xyz}}) << xyz << qint64(1) << qint64(5000) << at(2001);
    QTest::newRow("straddling a window's end")
        << romWith(5000, {{2998, xyz}}) << xyz << qint64(1) << qint64(5000) << at(2999);
    QTest::newRow("longer pattern on the last byte")
        << romWith(64, {{63, "X"}}) << QByteArray("XY") << qint64(1) << qint64(64) << none;
    QTest::newRow("pattern through the end")
        << romWith(64, {{62, "XY"}}) << xyz << qint64(1) << qint64(64) << none;
    QTest::newRow("pattern ending on the last byte")
        << romWith(64, {{61, xyz}}) << xyz << qint64(1) << qint64(64) << at(62);
    QTest::newRow("one byte at position N")
        << romWith(64, {{63, "X"}}) << QByteArray("X") << qint64(63) << qint64(64) << at(64);
    QTest::newRow("start at N") << romWith(64, {{63, "X"}}) << QByteArray("X") << qint64(64)
                                << qint64(64) << none;
    QTest::newRow("rom of 0 bytes")
        << QByteArray() << QByteArray("X") << qint64(1) << qint64(0) << none;
    QTest::newRow("rom of 1 byte")
        << QByteArray("X") << QByteArray("X") << qint64(1) << qint64(1) << none;
    QTest::newRow("rom of 2 bytes")
        << QByteArray(".X") << QByteArray("X") << qint64(1) << qint64(2) << at(2);
    QTest::newRow("beyond the measured length")
        << romWith(64, {{40, xyz}}) << xyz << qint64(1) << qint64(41) << none;
    QTest::newRow("spaces never match past the end")
        << QByteArray("ab ") << QByteArray("   ") << qint64(1) << qint64(3) << none;
    QTest::newRow("empty pattern")
        << romWith(64, {}) << QByteArray() << qint64(1) << qint64(64) << none;
    QTest::newRow("zero bytes") << romWith(64, {{30, bytes({0, 0, 1})}}, '\0') << bytes({0, 1})
                                << qint64(1) << qint64(64) << at(32);
}

void tst_FileSearch::findPattern()
{
    QFETCH(QByteArray, rom);
    QFETCH(QByteArray, pattern);
    QFETCH(qint64, start);
    QFETCH(qint64, romLength);
    QFETCH(std::optional<qint64>, expected);

    BinaryFile file(m_files.write(QStringLiteral("rom.smc"), rom), BinaryFile::Mode::Read);
    QCOMPARE(FileSearch::findPattern(file, pattern, start, romLength), expected);
    QCOMPARE(FileSearch::findPattern(file, pattern, start, romLength, {}, 2), expected);
    QCOMPARE(PlainScan::find(file, pattern, start, romLength), expected);
}

void tst_FileSearch::readBoundaries()
{
    // Every placement of the pattern around the end of the first read, for reads of a few
    // bytes and of the default size.
    const QByteArray pattern("WXYZ");
    const qint64 chunks[] = {1, 3, 4, 7, FileSearch::DefaultChunkSize};
    for (const qint64 chunk : chunks) {
        const qint64 size = chunk * 3 + 16;
        for (qint64 offset = std::max<qint64>(0, chunk - 6); offset <= chunk + 6; ++offset) {
            const QByteArray rom = romWith(size, {{offset, pattern}});
            BinaryFile file(m_files.write(QStringLiteral("boundary.smc"), rom),
                            BinaryFile::Mode::Read);
            const auto found = FileSearch::findPattern(file, pattern, 1, size, {}, chunk);
            QVERIFY2(found == offset + 1,
                     qPrintable(QStringLiteral("chunk %1, offset %2").arg(chunk).arg(offset)));
        }
    }
}

void tst_FileSearch::progressAdvances()
{
    const qint64 size = 1000;
    BinaryFile file(m_files.write(QStringLiteral("progress.smc"), romWith(size, {})),
                    BinaryFile::Mode::Read);
    std::vector<qint64> reported;
    const auto found = FileSearch::findPattern(
        file, QByteArray("XY"), 5, size, [&reported](qint64 p) { reported.push_back(p); }, 100);
    QVERIFY(!found);
    QVERIFY(reported.size() >= 9);
    QCOMPARE(reported.front(), qint64(5));
    for (size_t k = 1; k < reported.size(); ++k)
        QVERIFY(reported[k] > reported[k - 1] && reported[k] <= size);
}

void tst_FileSearch::shrunkFile()
{
    // The length measured at the last render may be larger than the file is now.
    BinaryFile file(m_files.write(QStringLiteral("shrunk.smc"), romWith(100, {{50, "XY"}})),
                    BinaryFile::Mode::Read);
    QCOMPARE(FileSearch::findPattern(file, QByteArray("XY"), 1, 200, {}, 16),
             std::optional<qint64>(51));
    QCOMPARE(FileSearch::findPattern(file, QByteArray("XZ"), 1, 200, {}, 16), std::nullopt);
}

void tst_FileSearch::agreesWithPlainScan()
{
    QRandomGenerator random(20240607);
    const qint64 chunks[] = {1, 2, 3, 5, 8, 13, 64, 1000, 3000, FileSearch::DefaultChunkSize};
    int matches = 0;
    for (int round = 0; round < 800; ++round) {
        const qint64 size = random.bounded(4) == 0 ? random.bounded(40) : random.bounded(7000);
        const qint64 chunk = chunks[random.bounded(int(std::size(chunks)))];

        // Few distinct values, the space among them, so that candidates and near misses abound.
        const int alphabet = 1 + random.bounded(4);
        auto draw = [&random, alphabet] {
            if (random.bounded(alphabet) == 0)
                return ' ';
            return static_cast<char>('a' + random.bounded(alphabet));
        };
        QByteArray rom(size, '\0');
        for (qint64 k = 0; k < size; ++k)
            rom[k] = draw();

        const int length = random.bounded(8) == 0 ? 1 + random.bounded(40) : 1 + random.bounded(6);
        QByteArray pattern(length, '\0');
        for (int k = 0; k < length; ++k)
            pattern[k] = draw();
        if (size > 0 && random.bounded(2) == 0) {
            // Plant it, often across a read boundary, and sometimes one byte off.
            qint64 offset = random.bounded(size);
            if (random.bounded(2) == 0 && chunk < size)
                offset = std::max<qint64>(0,
                                          chunk * (1 + random.bounded(size / chunk))
                                              - random.bounded(length + 1));
            rom.replace(offset, std::min<qint64>(length, size - offset), pattern);
            if (random.bounded(4) == 0 && offset + length - 1 < size)
                rom[offset + length - 1] = '#';
        }
        const qint64 romLength = random.bounded(5) == 0 ? random.bounded(size + 1) : size;
        const qint64 start = 1 + random.bounded(size + 2);

        BinaryFile file(m_files.write(QStringLiteral("random.smc"), rom), BinaryFile::Mode::Read);
        const auto expected = PlainScan::find(file, pattern, start, romLength);
        const auto found = FileSearch::findPattern(file, pattern, start, romLength, {}, chunk);
        QVERIFY2(found == expected,
                 qPrintable(QStringLiteral("round %1: size %2, length %3, start %4, chunk %5")
                                .arg(round)
                                .arg(size)
                                .arg(romLength)
                                .arg(start)
                                .arg(chunk)));
        matches += found ? 1 : 0;
    }
    // Both outcomes must be common for the comparison to mean anything.
    QVERIFY2(matches > 200 && matches < 600, qPrintable(QString::number(matches)));
}

QTEST_GUILESS_MAIN(tst_FileSearch)
#include "tst_filesearch.moc"
