#include "stringreader.h"

#include "document/texttable.h"

#include <algorithm>

StringReader::StringReader(const TextTable &table, QByteArray endCode, qint64 fixedLength)
    : m_table(table)
    , m_endCode(std::move(endCode))
    , m_fixedLength(fixedLength)
{}

bool StringReader::canEnd() const
{
    if (m_fixedLength > 0 || !m_endCode.isEmpty())
        return true;
    const QList<TextTable::Entry> &entries = m_table.entries();
    return std::any_of(entries.begin(), entries.end(), [](const TextTable::Entry &entry) {
        return entry.kind == TextTable::Kind::End;
    });
}

std::optional<qint64> StringReader::lengthAt(QByteArrayView bytes, qint64 at) const
{
    if (m_fixedLength > 0) {
        if (at + m_fixedLength > bytes.size())
            return std::nullopt;
        return m_fixedLength;
    }
    qint64 point = at;
    while (point < bytes.size()) {
        const TextTable::Unit unit = m_table.unitAt(bytes, point);
        if (unit.entry && unit.entry->kind == TextTable::Kind::End)
            return point + unit.length - at;
        if (!m_endCode.isEmpty() && unit.length <= m_endCode.size()
            && bytes.sliced(point).startsWith(m_endCode)) {
            return point + m_endCode.size() - at;
        }
        point += unit.length;
    }
    return std::nullopt;
}

QStringList StringReader::lines(QByteArrayView bytes) const
{
    QStringList lines{QString()};
    qint64 point = 0;
    while (point < bytes.size()) {
        const TextTable::Unit unit = m_table.unitAt(bytes, point);
        lines.last() += m_table.unitText(bytes, point, unit);
        if (unit.entry && unit.entry->kind == TextTable::Kind::LineBreak)
            lines.append(QString());
        point += unit.length;
    }
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
