#pragma once

#include "document/keltable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The .tbl table files that most tools of the field read and write: UTF-8 text, one
// "HH=text" definition a line. Reading keeps what a KelTable can hold and names every line
// whose content it cannot, so that nothing is lost without a word; writing gives a file that
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
    QString problem; // why nothing at all can be taken from the file; empty when fine
};

struct Written
{
    QByteArray bytes;
    QStringList leftOut; // entries that no .tbl line can hold
};

// Reads the bytes of a .tbl file. Lines end in LF, CR LF or CR; a leading byte-order mark is
// skipped; "#" starts a comment; "HH=text", "/HH=text" (an end token) and "*HH" or "*HH=text"
// (a line break, whose text is a line feed unless given) set entry HH to the text after "="
// exactly. Multi-byte keys, control codes, table switches and names, entry 00, a text that is
// not Latin-1, a second definition of a byte, and a line that is not UTF-8 or none of these
// are warnings, left out.
[[nodiscard]] Parsed parse(QByteArrayView fileBytes);

// "HH=text" for every non-empty entry 1 to 255, UTF-8 with LF line ends; a lone line feed is
// written as the line break "*HH". An entry holding a line end elsewhere is left out.
[[nodiscard]] Written write(const KelTable &table);

// Whether a path names a .tbl file rather than a .kel, by its suffix.
[[nodiscard]] bool isTblPath(const QString &path);

// The largest .tbl file read: a table of every two-byte code with long texts fits many times.
constexpr qint64 MaxFileSize = qint64(16) << 20;

// Parses the file at path; throws FileError when it cannot be read, Error when it gives no
// entry at all.
[[nodiscard]] Parsed read(const QString &path);

} // namespace TblFile
