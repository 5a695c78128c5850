#pragma once

#include "document/texttable.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Every spelling of a text written out, the reference the streaming matcher must agree with:
// all byte strings whose entries, keys of any length, join to the text, and the offsets where
// the ROM holds one.
namespace PlainSpellings {

[[nodiscard]] QList<QByteArray> all(const QString &text, const TextTable &table);
[[nodiscard]] QList<qint64> starts(const QByteArray &rom,
                                   const QString &text,
                                   const TextTable &table,
                                   qint64 from);

} // namespace PlainSpellings
