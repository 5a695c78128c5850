#pragma once

#include "document/keltable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The .tbl table files that most tools of the field read and write, as far as a KelTable holds
// them. Reading takes TextTable's reading of the file and keeps the entries a KelTable can hold,
// naming every line it cannot, so that nothing is lost without a word; writing gives a file that
// reads back to the same table.
namespace TblFile {

// A line of a .tbl file whose content a KelTable cannot hold, and why.
struct Warning
{
    int line = 0; // 1-based
    QString what;
};

struct Parsed
{
    KelTable table;  // entry 0 is the yen sign, as every table read from a file
    int defined = 0; // bytes the file defined
    QList<Warning> warnings;
    QString problem; // why the file cannot be read as a .tbl at all; empty when fine
};

struct Written
{
    QByteArray bytes;
    QStringList leftOut; // entries that no .tbl line can hold
};

// Reads the bytes of a .tbl file as TextTable::parse does. Every line it leaves out is a
// warning, and so is each entry a .kel cannot hold: a key of more than one byte, a linked
// entry, entry 00, a text that is not Latin-1. A file with no entry gives the empty table; a
// UTF-16 file is a problem.
[[nodiscard]] Parsed parse(QByteArrayView fileBytes);

// "HH=text" for every non-empty entry 1 to 255, UTF-8 with LF line ends; a lone line feed is
// written as the line break "*HH". An entry holding a line end elsewhere is left out.
[[nodiscard]] Written write(const KelTable &table);

// Whether a path names a .tbl file rather than a .kel, by its suffix.
[[nodiscard]] bool isTblPath(const QString &path);

// Parses the file at path; throws FileError when it cannot be read, is larger than
// TextTable::MaxFileSize or has a problem.
[[nodiscard]] Parsed read(const QString &path);

} // namespace TblFile
