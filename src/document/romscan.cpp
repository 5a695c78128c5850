#include "romscan.h"

#include "platform/binaryfile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace RomScan {

void chunks(BinaryFile &rom,
            qint64 from,
            qint64 end,
            qint64 overlap,
            const std::function<bool(const char *, qint64, qint64)> &scan,
            qint64 chunkSize)
{
    from = std::max<qint64>(from, 0);
    chunkSize = std::max<qint64>(chunkSize, 1);
    const qint64 capacity = chunkSize + overlap;
    const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(capacity)]);
    qint64 kept = 0; // bytes at the front of the buffer carried over from the read before
    for (qint64 at = from; at < end;) {
        const qint64 wanted = std::min(capacity - kept, end - at);
        const qint64 got = rom.read(at + 1, buffer.get() + kept, wanted);
        if (got <= 0)
            return;
        if (!scan(buffer.get(), kept + got, at - kept))
            return;
        if (got < wanted)
            return;
        at += got;
        const qint64 carry = std::min(overlap, kept + got);
        std::memmove(buffer.get(), buffer.get() + kept + got - carry, static_cast<size_t>(carry));
        kept = carry;
    }
}

void eachPattern(BinaryFile &rom,
                 const QByteArray &pattern,
                 qint64 from,
                 qint64 end,
                 const Found &found,
                 qint64 chunkSize)
{
    const qint64 length = pattern.size();
    if (length == 0)
        return;
    chunks(
        rom,
        from,
        end,
        length - 1,
        [&](const char *bytes, qint64 size, qint64 offset) {
            const char *at = bytes;
            const char *const last = bytes + size;
            while (last - at >= length) {
                const void *hit = memmem(at,
                                         static_cast<size_t>(last - at),
                                         pattern.constData(),
                                         static_cast<size_t>(length));
                if (!hit)
                    break;
                at = static_cast<const char *>(hit);
                if (!found(offset + (at - bytes)))
                    return false;
                ++at;
            }
            return true;
        },
        chunkSize);
}

} // namespace RomScan
