#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

class BinaryFile;

// The search of a file for a byte pattern, in sequential reads of a fixed size, so that a search
// needs the same little memory for a file of any size.
namespace FileSearch {

// Bytes taken by one read, besides the pattern's length - 1 carried over from the read before:
// large enough that a read costs little beside scanning it.
constexpr qint64 DefaultChunkSize = qint64(1) << 20;

// Told the 1-based position reached before each read.
using Progress = std::function<void(qint64 position)>;

// The smallest 1-based position c >= start at which the whole pattern lies within the first
// length bytes of the file, or nothing; nothing is searched when start > length - 1.
[[nodiscard]] std::optional<qint64> findPattern(BinaryFile &file,
                                                const QByteArray &pattern,
                                                qint64 start,
                                                qint64 length,
                                                const Progress &progress = {},
                                                qint64 chunkSize = DefaultChunkSize);

} // namespace FileSearch
