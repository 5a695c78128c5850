// Any bytes as a BPS patch, and as a file to make a patch for: applying refuses the patch or
// builds exactly the target it promises, and a patch made for any file applies back to it. The
// first byte chooses whether the rest is the patch as it stands or its body, given a footer with
// the right source and patch checksums, so that the actions are reached past the checks.

#include "fuzzsupport.h"

#include "patch/bps.h"
#include "patch/patcherror.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

// Larger targets only cost memory; they reach no other code.
constexpr qint64 MaxFuzzedTarget = qint64(1) << 20;

QByteArray littleEndian(quint32 value)
{
    QByteArray bytes;
    for (int k = 0; k < 4; ++k)
        bytes.append(static_cast<char>(value >> (8 * k)));
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    QByteArray patch(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    const QByteArray source = QByteArray("ABCDEFGH").repeated(32);
    if (data[0] & 1) {
        patch += littleEndian(Bps::crc32(source)) + littleEndian(0);
        patch += littleEndian(Bps::crc32(patch));
    }
    try {
        const Bps::Header header = Bps::readHeader(patch);
        if (header.targetSize <= MaxFuzzedTarget) {
            const QByteArray target = Bps::apply(source, patch);
            FuzzSupport::check(target.size() == header.targetSize
                               && Bps::crc32(target) == header.targetCrc);
        }
    } catch (const PatchError &) {
    }
    FuzzSupport::check(Bps::apply(source, Bps::create(source, patch)) == patch);
    FuzzSupport::check(Bps::apply(patch, Bps::create(patch, source)) == source);
    return 0;
}
