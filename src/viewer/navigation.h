#pragma once

#include <QString>

#include <optional>

// The page rules of the viewer as plain functions of the top line and the ROM's length:
// a page is 14 lines, and paging moves by 13 so that the last line of one page is the first
// of the next.
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

// The byte offset of the first byte of row r of a page, as the user sees it.
[[nodiscard]] QString offsetText(double topLine, int row = 0);

} // namespace Navigation
