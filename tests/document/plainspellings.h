#pragma once

#include "document/keltable.h"

#include <QByteArray>
#include <QList>

// Every spelling of a text written out, the reference the streaming matcher must agree with:
// all byte strings whose entries join to the text, and the offsets where the ROM holds one.
namespace PlainSpellings {

[[nodiscard]] QList<QByteArray> all(const QByteArray &text, const KelTable &table);
[[nodiscard]] QList<qint64> starts(const QByteArray &rom,
                                   const QByteArray &text,
                                   const KelTable &table,
                                   qint64 from);

} // namespace PlainSpellings
