// A small table, a text and a ROM from one input: the streaming matcher must find the starts
// that writing out every spelling of the text and looking for each finds, read in chunks of
// any size. Header byte: entry count and chunk size; then two bytes an entry (key, of one byte
// or two, and length; letters), one for the text's length and one for its letters; the rest is
// the ROM.

#include "fuzzsupport.h"

#include "plainspellings.h"

#include "document/spellings.h"
#include "platform/binaryfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// Up to bits letters a and b, one per bit.
QByteArray letters(uint8_t bits, int count)
{
    QByteArray text;
    for (int k = 0; k < count; ++k)
        text.append(static_cast<char>('a' + ((bits >> k) & 1)));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int entries = 1 + data[0] % 6;
    const qint64 chunk = 1 + (data[0] >> 3) % 8;
    const size_t header = 1 + 2 * static_cast<size_t>(entries) + 2;
    if (size < header)
        return 0;
    TextTable table;
    for (int k = 0; k < entries; ++k) {
        const uint8_t value = data[1 + 2 * k];
        QByteArray key(1, static_cast<char>(1 + value % 7));
        if (value & 0x80)
            key.append(static_cast<char>(1 + (value >> 5) % 3));
        (void) table.add({key, QString::fromLatin1(letters(data[2 + 2 * k], 1 + (value >> 3) % 3))});
    }
    const QString text = QString::fromLatin1(letters(data[header - 1], 1 + data[header - 2] % 5));
    QByteArray rom;
    for (size_t k = header; k < size && rom.size() < 64; ++k)
        rom.append(static_cast<char>(data[k] % 9));
    const qint64 from = (data[header - 2] >> 3) % 4;

    static const FuzzSupport::ScratchRom scratch("spellings");
    {
        QFile file(scratch.path());
        FuzzSupport::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FuzzSupport::check(file.write(rom) == rom.size());
    }
    BinaryFile romFile(scratch.path(), BinaryFile::Mode::Read);
    Spellings spellings(text, table);
    QList<qint64> found;
    spellings.scan(
        romFile, from, rom.size(), [&](qint64 at) { return found.append(at), true; }, chunk);
    FuzzSupport::check(spellings.possible() == !PlainSpellings::all(text, table).isEmpty());
    FuzzSupport::check(found == PlainSpellings::starts(rom, text, table, from));
    return 0;
}
