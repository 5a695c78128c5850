#include "search.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace Search {

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

std::optional<qint64> findPattern(BinaryFile &rom,
                                  const QByteArray &pattern,
                                  qint64 start,
                                  qint64 romLength,
                                  const std::function<void(qint64)> &progress,
                                  qint64 chunkSize)
{
    const qint64 patternLength = pattern.size();
    if (patternLength == 0 || start > romLength - 1)
        return std::nullopt;
    start = std::max<qint64>(start, 1);

    // Each read repeats the last pattern length - 1 bytes of the one before, so a match that
    // straddles two reads is whole in the second; a match can start no later than
    // romLength - overlap.
    const qint64 overlap = patternLength - 1;
    const qint64 capacity = std::max<qint64>(chunkSize, 1) + overlap;
    // Left uninitialised: every byte scanned was just read into it.
    const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(capacity)]);
    qint64 base = start;
    while (base + overlap <= romLength) {
        if (progress)
            progress(base);
        const qint64 wanted = std::min(capacity, romLength - base + 1);
        const qint64 got = rom.read(base, buffer.get(), wanted);
        if (got < patternLength)
            return std::nullopt;
        const void *hit = memmem(buffer.get(),
                                 static_cast<size_t>(got),
                                 pattern.constData(),
                                 static_cast<size_t>(patternLength));
        if (hit)
            return base + (static_cast<const char *>(hit) - buffer.get());
        // The file ended early: it has shrunk since its length was measured.
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
