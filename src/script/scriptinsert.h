#pragma once

#include "document/texttable.h"
#include "script/pointerformat.h"
#include "script/script.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Inserting edited scripts back into the ROM they were dumped from: an unchanged string stays
// byte for byte, a changed one is spelled through the table and written in its old place when
// it fits there, else moved to free space that all of its pointers reach, and its pointers
// rewritten. All or nothing: every string that cannot be inserted is listed in one Error.
namespace ScriptInsert {

struct Input
{
    Script script;
    QString name;             // for messages
    const TextTable *table{}; // the table to read and spell its strings with
};

struct Options
{
    QList<PointerFormat::Range> space; // free for moved strings, both ends included
    TextTable::Spelling spelling = TextTable::Spelling::LongestFirst;
    std::optional<char> fill; // for the rest of a place a string left or shrank in
};

struct BankSpace
{
    QString bank;
    PointerFormat::Range range;
    qint64 free = 0;
};

struct Summary
{
    int unchanged = 0;
    int inPlace = 0;
    int moved = 0;
    QList<BankSpace> space; // the free space left, bank by bank
};

struct Result
{
    QByteArray rom;
    Summary summary;
};

// Throws Error: a free range outside the ROM, or every string that failed, with why.
[[nodiscard]] Result insert(const QByteArray &rom,
                            const QList<Input> &inputs,
                            const Options &options);

} // namespace ScriptInsert
