#include "romdata.h"

#include <QRandomGenerator>

namespace RomData {

QByteArray tableFile(const QList<QByteArray> &entries)
{
    QByteArray bytes;
    for (const QByteArray &entry : entries)
        bytes += entry + '\r';
    return bytes;
}

KelTable abTable()
{
    KelTable table;
    table.setEntry(0x41, "A");
    table.setEntry(0x42, "B");
    table.setEntry(0x43, "AB");
    return table;
}

QByteArray romWith(qsizetype count,
                   std::initializer_list<std::pair<qsizetype, QByteArray>> pieces,
                   char filler)
{
    QByteArray rom(count, filler);
    for (const auto &[offset, piece] : pieces)
        rom.replace(offset, piece.size(), piece);
    return rom;
}

QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char &byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    return bytes;
}

} // namespace RomData
