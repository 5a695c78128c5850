#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

class BinaryFile;

// Reading a file from front to back in chunks of a fixed size, so that a scan of a file of any
// size needs the same little memory, and the search of a file for a byte pattern on it.
namespace FileSearch {

// Bytes taken by one read, besides what a scan carries over from the read before: large enough
// that a read costs little beside scanning it.
constexpr qint64 DefaultChunkSize = qint64(1) << 20;

// Told the 1-based position of the first byte of each read, before it is scanned.
using Progress = std::function<void(qint64 position)>;
// Told each match's 0-based offset in turn; returning false stops the scan.
using Found = std::function<bool(qint64 offset)>;
// Gets a chunk, its size and the 0-based offset of its first byte; returning false stops.
using Scan = std::function<bool(const char *bytes, qint64 size, qint64 offset)>;

// Hands the bytes from 0-based offset from up to end to scan, chunk by chunk, each chunk
// beginning with the last overlap bytes of the one before, so that a piece of up to overlap + 1
// bytes lies whole in some chunk. A file shorter than end ends the scan early.
void eachChunk(BinaryFile &file,
               qint64 from,
               qint64 end,
               qint64 overlap,
               const Scan &scan,
               qint64 chunkSize = DefaultChunkSize);

// Every 0-based offset c >= from at which the pattern lies whole before end, in order.
void eachMatch(BinaryFile &file,
               const QByteArray &pattern,
               qint64 from,
               qint64 end,
               const Found &found,
               qint64 chunkSize = DefaultChunkSize);

// The smallest 1-based position c >= start at which the whole pattern lies within the first
// length bytes of the file, or nothing; nothing is searched when start > length - 1.
[[nodiscard]] std::optional<qint64> findPattern(BinaryFile &file,
                                                const QByteArray &pattern,
                                                qint64 start,
                                                qint64 length,
                                                const Progress &progress = {},
                                                qint64 chunkSize = DefaultChunkSize);

} // namespace FileSearch
