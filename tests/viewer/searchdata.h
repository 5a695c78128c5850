#pragma once

#include "document/keltable.h"

#include <QByteArray>

#include <initializer_list>
#include <utility>

// Tables and ROMs that the search and Find tests share.
namespace SearchData {

// A with 41, B with 42 and AB with 43: the table where greed matters.
inline KelTable abTable()
{
    KelTable table;
    table.setEntry(0x41, "A");
    table.setEntry(0x42, "B");
    table.setEntry(0x43, "AB");
    return table;
}

// count bytes of filler with the given pieces laid over it at the given 0-based offsets.
inline QByteArray romWith(qsizetype count,
                          std::initializer_list<std::pair<qsizetype, QByteArray>> pieces,
                          char filler = '.')
{
    QByteArray rom(count, filler);
    for (const auto &[offset, piece] : pieces)
        rom.replace(offset, piece.size(), piece);
    return rom;
}

} // namespace SearchData
