#include "keltable.h"

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
