#pragma once

#include "document/keltable.h"

#include <QByteArray>
#include <QList>

#include <initializer_list>
#include <utility>

// ROMs and tables that several tests build.
namespace RomData {

// The bytes of a table file holding texts as entries 1, 2, ... in order.
[[nodiscard]] QByteArray tableFile(const QList<QByteArray> &entries);

// A with 41, B with 42 and AB with 43: the table where greed matters.
[[nodiscard]] KelTable abTable();

// count bytes of filler with the given pieces laid over it at the given 0-based offsets.
[[nodiscard]] QByteArray romWith(qsizetype count,
                                 std::initializer_list<std::pair<qsizetype, QByteArray>> pieces,
                                 char filler = '.');

// size random bytes, the same for the same seed.
[[nodiscard]] QByteArray noise(qsizetype size, quint32 seed);

} // namespace RomData
