#pragma once

#include <QByteArray>

// BPS patches: "BPS1", the source and target sizes and the metadata as variable-length numbers,
// actions that build the target from start to end out of the source, the patch and the target
// written so far, and last the CRC32 of the source, the target and the patch before it.
namespace Bps {

// The largest target this tool builds: a declared size is checked against it before anything
// is allocated.
constexpr qint64 MaxTargetSize = qint64(1) << 32;

struct Header
{
    qint64 sourceSize = 0;
    qint64 targetSize = 0;
    QByteArray metadata;
    qsizetype actionsAt = 0; // where the first action starts in the patch
    quint32 sourceCrc = 0;
    quint32 targetCrc = 0;
    quint32 patchCrc = 0;
};

// The patch's sizes, metadata and checksums, once its own checksum has been verified. Throws
// PatchError.
[[nodiscard]] Header readHeader(const QByteArray &patch);

// The target that the patch builds from source. Verifies the patch's checksum, then the
// source's (naming a copier header the patch was not made for), then the target's; throws
// PatchError saying which failed, or where the patch is damaged.
[[nodiscard]] QByteArray apply(const QByteArray &source, const QByteArray &patch);

// A patch that builds target from source: bytes unchanged at their place are read from the
// source, bytes that moved are copied from where they stand in it, repeats copied from the
// target already written, and only what is new is stored, choosing the actions that take the
// fewest bytes. Throws PatchError for a target above MaxTargetSize, std::bad_alloc when the
// source's index does not fit in memory.
[[nodiscard]] QByteArray create(const QByteArray &source, const QByteArray &target);

// zlib's CRC32 of the bytes.
[[nodiscard]] quint32 crc32(const QByteArray &bytes);

} // namespace Bps
