#include "filesearch.h"

#include "platform/binaryfile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace FileSearch {

std::optional<qint64> findPattern(BinaryFile &file,
                                  const QByteArray &pattern,
                                  qint64 start,
                                  qint64 length,
                                  const Progress &progress,
                                  qint64 chunkSize)
{
    const qint64 patternLength = pattern.size();
    if (patternLength == 0 || start > length - 1)
        return std::nullopt;
    start = std::max<qint64>(start, 1);

    // Each read repeats the last pattern length - 1 bytes of the one before, so a match that
    // straddles two reads is whole in the second; a match can start no later than
    // length - overlap.
    const qint64 overlap = patternLength - 1;
    const qint64 capacity = std::max<qint64>(chunkSize, 1) + overlap;
    // Left uninitialised: every byte scanned was just read into it.
    const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(capacity)]);
    qint64 base = start;
    while (base + overlap <= length) {
        if (progress)
            progress(base);
        const qint64 wanted = std::min(capacity, length - base + 1);
        const qint64 got = file.read(base, buffer.get(), wanted);
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

} // namespace FileSearch
