#include "keltable.h"

QByteArray KelTable::decode(QByteArrayView bytes) const
{
    QByteArray text;
    for (const char c : bytes)
        text.append(m_entries[static_cast<unsigned char>(c)]);
    return text;
}

KelTable::Encoded KelTable::encode(QByteArrayView text) const
{
    QByteArray bytes;
    QByteArrayView rest = text;
    while (!rest.isEmpty()) {
        int bestValue = -1;
        qsizetype bestLength = 0;
        for (int b = 0; b < Size; ++b) {
            const QByteArray &entry = m_entries[b];
            if (entry.isEmpty() || entry.size() < bestLength || !rest.startsWith(entry))
                continue;
            bestValue = b;
            bestLength = entry.size();
        }
        if (bestValue < 0)
            break;
        bytes.append(static_cast<char>(bestValue));
        rest = rest.sliced(bestLength);
    }
    return {bytes, text.size() - rest.size()};
}

void KelTable::readRecords(const QByteArray &fileBytes)
{
    qsizetype start = 0;
    for (int k = 1; k <= RecordCount && start < fileBytes.size(); ++k) {
        qsizetype end = fileBytes.indexOf(Terminator, start);
        if (end < 0)
            end = fileBytes.size();
        m_entries[k] = fileBytes.mid(start, end - start);
        start = end + 1;
    }
    m_entries[0] = QByteArray(1, EntryZero);
}

qsizetype KelTable::recordsSize() const
{
    qsizetype size = RecordCount;
    for (int k = 1; k <= RecordCount; ++k)
        size += m_entries[k].size();
    return size;
}

QByteArray KelTable::records() const
{
    QByteArray bytes;
    bytes.reserve(recordsSize());
    for (int k = 1; k <= RecordCount; ++k) {
        bytes.append(m_entries[k]);
        bytes.append(Terminator);
    }
    return bytes;
}
