// Any bytes as a table file: the reader must keep to the layout and never read past the end.

#include "fuzzsupport.h"

#include "document/keltable.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    // Entries the file supplies no record for must keep what they held.
    KelTable table;
    const QByteArray untouched("\x01untouched");
    for (int k = 0; k < KelTable::Size; ++k)
        table.setEntry(k, untouched);
    table.readRecords(bytes);

    QList<QByteArray> records = bytes.split(KelTable::Terminator);
    if (bytes.endsWith(KelTable::Terminator) || bytes.isEmpty())
        records.removeLast();
    const qsizetype supplied = std::min<qsizetype>(records.size(), KelTable::RecordCount);

    FuzzSupport::check(table.entry(0) == QByteArray(1, KelTable::EntryZero));
    for (int k = 1; k < KelTable::Size; ++k) {
        const QByteArray &entry = table.entry(k);
        FuzzSupport::check(k <= supplied ? entry == records.at(k - 1) : entry == untouched);
        FuzzSupport::check(!entry.contains(KelTable::Terminator));
    }

    // What is written reads back the same.
    const QByteArray written = table.records();
    FuzzSupport::check(written.size() == table.recordsSize());
    KelTable again;
    again.readRecords(written);
    for (int k = 1; k < KelTable::Size; ++k)
        FuzzSupport::check(again.entry(k) == table.entry(k));
    return 0;
}
