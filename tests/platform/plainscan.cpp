#include "plainscan.h"

#include "platform/binaryfile.h"

namespace PlainScan {

namespace {
constexpr qint64 WindowSize = 3000;
constexpr qint64 WindowStep = 1500;
} // namespace

std::optional<qint64> find(BinaryFile &rom,
                           const QByteArray &pattern,
                           qint64 start,
                           qint64 romLength)
{
    const qint64 length = pattern.size();
    if (length == 0)
        return std::nullopt;
    qint64 w = start;
    while (w <= romLength - 1) {
        const QByteArray window = rom.get(w, WindowSize);
        bool restarted = false;
        for (qint64 k = 1; k <= WindowSize; ++k) {
            if (window[k - 1] != pattern[0])
                continue;
            const qint64 c = w + k - 1;
            qint64 equal = 1;
            while (equal < length && rom.get(c + equal, 1)[0] == pattern[equal])
                ++equal;
            if (equal == length && c + length - 1 <= romLength)
                return c;
            w = c + 1;
            restarted = true;
            break;
        }
        if (!restarted)
            w += WindowStep;
    }
    return std::nullopt;
}

} // namespace PlainScan
