#pragma once

#include <QString>

class KelTable;

// Reading and writing the table file that lives beside a ROM. Failures throw FileError.

// Loads the records of the file at path into table; a missing file is created, empty. At most
// the first KelTable::MaxReadSize bytes of the file are read, as though it ended there.
void LoadTable(KelTable &table, const QString &path);
// Reads the records of the existing file at path into table, creating nothing.
void ReadTable(KelTable &table, const QString &path);

// Why table cannot be saved as it stands (an entry holding the terminator, or a file that
// would be too large), or an empty text when it can.
[[nodiscard]] QString tableSaveProblem(const KelTable &table);

// Replaces the file at path with entries 1 to 255 in one step: either the whole new table is
// there afterwards or the old file is untouched. The table must have no save problem.
void SaveTable(const KelTable &table, const QString &path);

// The table path of a ROM: the ROM path with its last three characters replaced by "kel".
[[nodiscard]] QString tablePathFor(const QString &romPath);
// Throws FileError, naming the ROM and saying why, when the ROM cannot be opened with its table:
// it is no regular file that can be read, or the table path names the ROM's own file (a ROM
// whose path ends in "kel", or a table that is a link to the ROM), so that saving the table
// would overwrite the ROM. Creates and changes nothing.
void refuseUnusableRom(const QString &romPath, const QString &tablePath);
