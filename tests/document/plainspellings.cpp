#include "plainspellings.h"

#include <algorithm>

namespace PlainSpellings {

QList<QByteArray> all(const QByteArray &text, const KelTable &table)
{
    if (text.isEmpty())
        return {QByteArray()};
    QList<QByteArray> spellings;
    for (int b = 0; b < KelTable::Size; ++b) {
        const QByteArray &entry = table.entry(b);
        if (entry.isEmpty() || !text.startsWith(entry))
            continue;
        for (const QByteArray &rest : all(text.mid(entry.size()), table))
            spellings.append(char(b) + rest);
    }
    return spellings;
}

QList<qint64> starts(const QByteArray &rom,
                     const QByteArray &text,
                     const KelTable &table,
                     qint64 from)
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
