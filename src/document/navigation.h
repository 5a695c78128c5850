#pragma once

#include <QString>

#include <optional>

// The page rules as plain functions of the top line and the ROM's length: a page is 14 lines,
// and paging moves by 13 so that the last line of one page is the first of the next; Go To and
// Find choose the top line from an offset.
namespace Navigation {

constexpr int PageRows = 14;
constexpr int PageStep = 13;

[[nodiscard]] bool pageUpEnabled(double topLine);
// Enabled while the top line begins at least 14 bytes before the end of the file.
[[nodiscard]] bool pageDownEnabled(double topLine, double romLength);

// Moves down by 13 lines, but no further than a top line at the end of the file; never above
// the first line.
[[nodiscard]] double pageDown(double topLine, double romLength);
// Moves up by 13 lines, stopping at the first line.
[[nodiscard]] double pageUp(double topLine);
// The top line for a byte offset typed into Go To, or nothing when the entry is empty,
// negative or beyond the end of the file.
[[nodiscard]] std::optional<double> goTo(const QString &entry, double romLength);

// Where a search starts: for Find the first byte; for Find Next the 1-based position of the last
// byte of the top line, halves to even.
enum class FindFrom { Start, TopLine };
[[nodiscard]] qint64 startPosition(FindFrom from, double topLine);
// The top line after a search that found its pattern at 1-based position p, or that found
// nothing from start position p: the line holding byte p + 1, Int((p + 1) / 16).
[[nodiscard]] double topLineAfterFind(qint64 position);

// The byte offset of the first byte of row r of a page, as the user sees it.
[[nodiscard]] double rowOffset(double topLine, int row = 0);
[[nodiscard]] QString offsetText(double topLine, int row = 0);

} // namespace Navigation
