#pragma once

#include <QByteArray>

#include <functional>

class BinaryFile;

// Reading a ROM from front to back in chunks of a fixed size, so that a scan of any file
// needs the same little memory, and the plain search for every place of a byte pattern on it.
// Offsets here are 0-based.
namespace RomScan {

// Bytes read at a time, besides what a scan carries over from one read to the next.
constexpr qint64 ChunkSize = qint64(1) << 20;

// Told each match's offset in turn; returning false stops the scan.
using Found = std::function<bool(qint64 offset)>;

// Hands the bytes from offset from up to end to scan, chunk by chunk, each chunk beginning with
// the last overlap bytes of the one before so that a piece of up to overlap + 1 bytes lies
// whole in some chunk. scan gets the chunk, its size and the offset of its first byte, and
// returns false to stop. A file shorter than end ends the scan early.
void chunks(BinaryFile &rom,
            qint64 from,
            qint64 end,
            qint64 overlap,
            const std::function<bool(const char *, qint64, qint64)> &scan,
            qint64 chunkSize = ChunkSize);

// Every offset c >= from at which the pattern lies whole before end, in order.
void eachPattern(BinaryFile &rom,
                 const QByteArray &pattern,
                 qint64 from,
                 qint64 end,
                 const Found &found,
                 qint64 chunkSize = ChunkSize);

} // namespace RomScan
