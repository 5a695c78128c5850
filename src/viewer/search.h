#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

class BinaryFile;
class KelTable;

// Find: typed text spelled through the table becomes a byte pattern, and the ROM is scanned
// for its first occurrence at or after a start position.
namespace Search {

// Greedy: the longest prefix some translation equals exactly, the highest byte value among
// equal ones; the rest is dropped at the first prefix no translation matches.
[[nodiscard]] QByteArray textToBytes(const QByteArray &typed, const KelTable &table);

// 1 for Find; for Find Next the position of the last byte of the top line, halves to even.
[[nodiscard]] qint64 startPosition(bool findNext, double topLine);

// Bytes taken by one sequential read, besides the pattern's length - 1 carried over from the
// read before: large enough that a read costs little beside scanning it, small enough that a
// search needs the same little memory for a ROM of any size.
constexpr qint64 DefaultChunkSize = qint64(1) << 20;

// The smallest position c >= start at which the whole pattern lies within the first
// romLength bytes of the file, or nothing; nothing is searched when start > romLength - 1.
// progress is told the position reached before each read.
[[nodiscard]] std::optional<qint64> findPattern(BinaryFile &rom,
                                                const QByteArray &pattern,
                                                qint64 start,
                                                qint64 romLength,
                                                const std::function<void(qint64)> &progress = {},
                                                qint64 chunkSize = DefaultChunkSize);

// The top line that brings a match at position c into view: Int((c + 1) / 16).
[[nodiscard]] double topLineForMatch(qint64 position);
// The top line when nothing was found from start: Int((start + 1) / 16).
[[nodiscard]] double topLineWhenNotFound(qint64 start);

} // namespace Search
