#include "romline.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

namespace RomLine {

qint64 firstPosition(double lineNumber)
{
    return static_cast<qint64>(Convert::roundHalfEven(16.0 * lineNumber + 1.0));
}

QByteArray ReadLine(BinaryFile &rom, double lineNumber)
{
    return rom.get(firstPosition(lineNumber), Length);
}

void WriteLine(BinaryFile &rom, double lineNumber, const QByteArray &bytes)
{
    rom.put(firstPosition(lineNumber), bytes.left(Length));
}

QByteArray LineHex(const QByteArray &bytes)
{
    QByteArray hex;
    hex.reserve(2 * bytes.size());
    for (const char c : bytes)
        hex.append(Convert::hexPair(static_cast<unsigned char>(c)));
    return hex;
}

QByteArray LineText(const QByteArray &bytes, const KelTable &table)
{
    QByteArray text;
    for (const char c : bytes)
        text.append(table.entry(static_cast<unsigned char>(c)));
    return text;
}

QByteArray hexPairAt(const QByteArray &hexForm, int byte)
{
    return hexForm.mid(qsizetype(2) * byte, 2);
}

} // namespace RomLine
