#pragma once

#include "script/pointerformat.h"
#include "script/script.h"

#include <QByteArray>
#include <QList>

class TextTable;

// Dumping a ROM's strings to a script: each pointer of the given tables is followed to its
// string, pointers that lead to one place give one string, and each string is recorded with its
// place, length, checksum, pointers and text.
namespace ScriptDump {

struct PointerTable
{
    qint64 at = 0;
    qint64 count = 0;
};

struct Options
{
    PointerFormat format; // its file size is set from the ROM
    QList<PointerTable> tables;
    QByteArray endCode;     // an end code of its own, beside the table's end tokens
    qint64 fixedLength = 0; // every string that many bytes, when not 0
    QString romName;
    QString tablePath;
};

// Throws Error on a format that cannot work, strings that cannot end, a pointer table or a
// pointer outside the ROM, or a string that runs to the ROM's end without its end.
[[nodiscard]] Script dump(const QByteArray &rom, const TextTable &table, const Options &options);

} // namespace ScriptDump
