#include "romline.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

namespace RomLine {

qint64 firstPosition(double lineNumber)
{
    return static_cast<qint64>(Convert::roundHalfEven(double(Length) * lineNumber + 1.0));
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
    return table.decode(bytes);
}

} // namespace RomLine
