#include "filesearch.h"

#include "platform/binaryfile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace FileSearch {

namespace {

// The first place of pattern in bytes, or null.
const char *search(const char *bytes, qint64 size, const QByteArray &pattern)
{
    return static_cast<const char *>(memmem(bytes,
                                            static_cast<size_t>(size),
                                            pattern.constData(),
                                            static_cast<size_t>(pattern.size())));
}

} // namespace

void eachChunk(
    BinaryFile &file, qint64 from, qint64 end, qint64 overlap, const Scan &scan, qint64 chunkSize)
{
    from = std::max<qint64>(from, 0);
    const qint64 capacity = std::max<qint64>(chunkSize, 1) + overlap;
    // Left uninitialised: every byte scanned was just read into it.
    const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(capacity)]);
    qint64 kept = 0; // bytes at the front of the buffer carried over from the read before
    for (qint64 at = from; at < end;) {
        const qint64 wanted = std::min(capacity - kept, end - at);
        const qint64 got = file.read(at + 1, buffer.get() + kept, wanted);
        if (got <= 0 || !scan(buffer.get(), kept + got, at - kept))
            return;
        // The file ended early: it has shrunk since its length was measured.
        if (got < wanted)
            return;
        at += got;
        const qint64 carry = std::min(overlap, kept + got);
        std::memmove(buffer.get(), buffer.get() + kept + got - carry, static_cast<size_t>(carry));
        kept = carry;
    }
}

void eachMatch(BinaryFile &file,
               const QByteArray &pattern,
               qint64 from,
               qint64 end,
               const Found &found,
               qint64 chunkSize)
{
    if (pattern.isEmpty())
        return;
    const auto scan = [&](const char *bytes, qint64 size, qint64 offset) {
        const char *const last = bytes + size;
        for (const char *at = bytes; last - at >= pattern.size(); ++at) {
            at = search(at, last - at, pattern);
            if (!at)
                break;
            if (!found(offset + (at - bytes)))
                return false;
        }
        return true;
    };
    eachChunk(file, from, end, pattern.size() - 1, scan, chunkSize);
}

std::optional<qint64> findPattern(BinaryFile &file,
                                  const QByteArray &pattern,
                                  qint64 start,
                                  qint64 length,
                                  const Progress &progress,
                                  qint64 chunkSize)
{
    if (pattern.isEmpty() || start > length - 1)
        return std::nullopt;
    std::optional<qint64> position;
    const auto scan = [&](const char *bytes, qint64 size, qint64 offset) {
        if (progress)
            progress(offset + 1);
        if (const char *hit = search(bytes, size, pattern)) {
            position = offset + (hit - bytes) + 1;
            return false;
        }
        return true;
    };
    eachChunk(file, std::max<qint64>(start, 1) - 1, length, pattern.size() - 1, scan, chunkSize);
    return position;
}

} // namespace FileSearch
