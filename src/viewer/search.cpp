#include "search.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace Search {

namespace {

// Large sequential reads keep the scan at the speed of the disk and memchr; a chunk's tail of
// pattern length - 1 bytes is read again with the next chunk so no match across a boundary
// is missed.
constexpr qint64 ChunkSize = 1 << 20;

} // namespace

QByteArray textToBytes(const QByteArray &typed, const KelTable &table)
{
    QByteArray pattern;
    QByteArrayView rest(typed);
    while (!rest.isEmpty()) {
        int bestValue = -1;
        qsizetype bestLength = 0;
        for (int b = 0; b < KelTable::Size; ++b) {
            const QByteArray &entry = table.entry(b);
            if (entry.isEmpty() || entry.size() < bestLength || !rest.startsWith(entry))
                continue;
            bestValue = b;
            bestLength = entry.size();
        }
        if (bestValue < 0)
            break;
        pattern.append(static_cast<char>(bestValue));
        rest = rest.sliced(bestLength);
    }
    return pattern;
}

qint64 startPosition(bool findNext, double topLine)
{
    if (!findNext)
        return 1;
    return static_cast<qint64>(Convert::roundHalfEven((topLine + 1) * 16));
}

std::optional<qint64> findPattern(BinaryFile &rom, const QByteArray &pattern, qint64 start,
                                  qint64 romLength, const std::function<void(qint64)> &progress)
{
    const qint64 patternLength = pattern.size();
    if (patternLength == 0 || start > romLength - 1)
        return std::nullopt;
    start = std::max<qint64>(start, 1);

    const qint64 overlap = patternLength - 1;
    std::vector<char> buffer(static_cast<size_t>(ChunkSize + overlap));
    qint64 base = start;
    while (base + overlap <= romLength) {
        if (progress)
            progress(base);
        const qint64 wanted = std::min<qint64>(ChunkSize + overlap, romLength - base + 1);
        const qint64 got = rom.read(base, buffer.data(), wanted);
        if (got < patternLength)
            return std::nullopt;
        const void *hit = memmem(buffer.data(), static_cast<size_t>(got), pattern.constData(),
                                 static_cast<size_t>(patternLength));
        if (hit)
            return base + (static_cast<const char *>(hit) - buffer.data());
        if (got < wanted)
            return std::nullopt;
        base += got - overlap;
    }
    return std::nullopt;
}

double topLineForMatch(qint64 position)
{
    return std::floor(static_cast<double>(position + 1) / 16);
}

double topLineWhenNotFound(qint64 start)
{
    return std::floor(static_cast<double>(start + 1) / 16);
}

} // namespace Search
