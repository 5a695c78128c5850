#pragma once

#include <QByteArray>

class BinaryFile;
class KelTable;

// A ROM line: 16 bytes starting at byte offset 16·n for a line number n, which may be
// fractional, with its hex form and its text form.
namespace RomLine {

constexpr int Length = 16;

// The 1-based file position of byte 0 of line n: 16·n + 1, halves to the even neighbour.
[[nodiscard]] qint64 firstPosition(double lineNumber);

// The 16 bytes of line n; bytes at or beyond the end of the file read as spaces.
[[nodiscard]] QByteArray ReadLine(BinaryFile &rom, double lineNumber);
// Writes the 16 bytes of line n in place.
void WriteLine(BinaryFile &rom, double lineNumber, const QByteArray &bytes);

// 32 uppercase hex digits, two per byte, no separators.
[[nodiscard]] QByteArray LineHex(const QByteArray &bytes);
// The translations of the bytes joined, through the table's decoding.
[[nodiscard]] QByteArray LineText(const QByteArray &bytes, const KelTable &table);

} // namespace RomLine
