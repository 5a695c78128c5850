#include "plainspellings.h"

#include <algorithm>

namespace PlainSpellings {

QList<QByteArray> all(const QString &text, const TextTable &table)
{
    if (text.isEmpty())
        return {QByteArray()};
    QList<QByteArray> spellings;
    for (const TextTable::Entry &entry : table.entries()) {
        const bool takesParameters = entry.kind == TextTable::Kind::Linked && entry.parameters > 0;
        if (entry.text.isEmpty() || takesParameters || !text.startsWith(entry.text))
            continue;
        for (const QByteArray &rest : all(text.mid(entry.text.size()), table))
            spellings.append(entry.key + rest);
    }
    return spellings;
}

QList<qint64> starts(const QByteArray &rom, const QString &text, const TextTable &table, qint64 from)
{
    QList<qint64> found;
    if (text.isEmpty())
        return found;
    const QList<QByteArray> spellings = all(text, table);
    for (qint64 at = from; at < rom.size(); ++at) {
        if (std::any_of(spellings.begin(), spellings.end(), [&](const QByteArray &s) {
                return QByteArrayView(rom).sliced(at).startsWith(s);
            })) {
            found.append(at);
        }
    }
    return found;
}

} // namespace PlainSpellings
