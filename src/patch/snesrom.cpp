#include "snesrom.h"

#include <array>

namespace Snes {

namespace {

// Field offsets within the internal header.
constexpr qint64 TitleSize = 21;
constexpr qint64 MapModeAt = 0x15;
constexpr qint64 CartridgeTypeAt = 0x16;
constexpr qint64 RomSizeAt = 0x17;
constexpr qint64 RamSizeAt = 0x18;
constexpr qint64 RegionAt = 0x19;
constexpr qint64 VersionAt = 0x1B;
constexpr qint64 ComplementAt = 0x1C;
constexpr qint64 ChecksumAt = 0x1E;
constexpr qint64 ResetVectorAt = 0x3C; // the 6502-mode reset vector, at FFFC on the bus
constexpr qint64 HeaderSize = 0x40;

// Less than this and a place holds no header, only bytes that happen to fit some of it.
constexpr int MinScore = 3;

constexpr qint64 Mebibytes4 = 0x400000;

qint64 placeOf(Mapping mapping)
{
    switch (mapping) {
    case Mapping::LoRom:
        return 0x7FC0;
    case Mapping::HiRom:
        return 0xFFC0;
    case Mapping::ExHiRom:
        return 0x40FFC0;
    }
    return 0;
}

bool mapByteNames(Mapping mapping, quint8 mapMode)
{
    if ((mapMode & 0xE0) != 0x20)
        return false;
    const int kind = mapMode & 0x0F; // bit 4, FastROM, says nothing about the mapping
    switch (mapping) {
    case Mapping::LoRom:
        return kind == 0x0 || kind == 0x2 || kind == 0x3; // plain, S-DD1, SA-1
    case Mapping::HiRom:
        return kind == 0x1 || kind == 0xA; // plain, SPC7110
    case Mapping::ExHiRom:
        return kind == 0x5;
    }
    return false;
}

// What a game's reset code starts with: masking interrupts, setting flags or modes, a jump.
bool usualFirstInstruction(quint8 opcode)
{
    constexpr std::array<quint8, 8> opcodes{0x78, 0x18, 0x38, 0xC2, 0xE2, 0x9C, 0x4C, 0x5C};
    for (const quint8 usual : opcodes) {
        if (opcode == usual)
            return true;
    }
    return false;
}

quint16 word(const QByteArray &bytes, qint64 at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes[at])
                                | static_cast<quint8>(bytes[at + 1]) << 8);
}

quint8 byteAt(const QByteArray &bytes, qint64 at)
{
    return static_cast<quint8>(bytes[at]);
}

qint64 powerOfTwoAtLeast(qint64 n)
{
    qint64 power = 1;
    while (power < n)
        power <<= 1;
    return power;
}

quint64 plainSum(const char *bytes, qint64 count)
{
    quint64 sum = 0;
    for (qint64 k = 0; k < count; ++k)
        sum += static_cast<quint8>(bytes[k]);
    return sum;
}

// The sum of count bytes mirrored up to the next power of two, as the console's address
// decoding repeats the part past the largest power of two that fits.
quint64 mirroredSum(const char *bytes, qint64 count)
{
    if (count == 0)
        return 0;
    const qint64 full = powerOfTwoAtLeast(count);
    if (full == count)
        return plainSum(bytes, count);
    const qint64 half = full / 2;
    const qint64 rest = count - half;
    return plainSum(bytes, half)
           + mirroredSum(bytes + half, rest) * static_cast<quint64>(half / powerOfTwoAtLeast(rest));
}

} // namespace

qint64 copierHeaderSize(qint64 fileSize)
{
    return fileSize % 0x8000 == CopierHeaderSize ? CopierHeaderSize : 0;
}

quint16 checksum(const QByteArray &file, const InternalHeader &header)
{
    const qint64 base = copierHeaderSize(file.size());
    QByteArray rom = file.mid(base);
    const qint64 at = header.at - base;
    rom[at + ComplementAt] = '\xFF';
    rom[at + ComplementAt + 1] = '\xFF';
    rom[at + ChecksumAt] = '\0';
    rom[at + ChecksumAt + 1] = '\0';
    return static_cast<quint16>(mirroredSum(rom.constData(), rom.size()) & 0xFFFF);
}

std::optional<InternalHeader> headerAt(const QByteArray &file, Mapping mapping)
{
    const qint64 base = copierHeaderSize(file.size());
    const qint64 romSize = file.size() - base;
    const qint64 place = placeOf(mapping);
    if (romSize < place + HeaderSize)
        return std::nullopt;
    InternalHeader header;
    header.mapping = mapping;
    header.at = base + place;
    const qint64 at = header.at;
    header.title = file.mid(at, TitleSize);
    while (header.title.endsWith(' ') || header.title.endsWith('\0'))
        header.title.chop(1);
    header.mapMode = byteAt(file, at + MapModeAt);
    header.cartridgeType = byteAt(file, at + CartridgeTypeAt);
    header.romSizeCode = byteAt(file, at + RomSizeAt);
    header.ramSizeCode = byteAt(file, at + RamSizeAt);
    header.region = byteAt(file, at + RegionAt);
    header.version = byteAt(file, at + VersionAt);
    header.complement = word(file, at + ComplementAt);
    header.checksum = word(file, at + ChecksumAt);
    header.resetVector = word(file, at + ResetVectorAt);

    if (mapByteNames(mapping, header.mapMode))
        header.score += 2;
    if ((header.checksum ^ header.complement) == 0xFFFF) {
        header.score += 2;
        if (header.checksum == checksum(file, header))
            header.score += 1;
    }
    const std::optional<qint64> reset = romOffset(mapping, header.resetVector);
    if (reset && *reset < romSize) {
        header.score += 1;
        if (usualFirstInstruction(byteAt(file, base + *reset)))
            header.score += 1;
    }
    return header;
}

std::optional<InternalHeader> findHeader(const QByteArray &file)
{
    std::optional<InternalHeader> best;
    for (const Mapping mapping : {Mapping::LoRom, Mapping::HiRom, Mapping::ExHiRom}) {
        const qint64 romSize = file.size() - copierHeaderSize(file.size());
        if (mapping == Mapping::ExHiRom && romSize <= Mebibytes4)
            continue;
        const std::optional<InternalHeader> header = headerAt(file, mapping);
        if (header && header->score >= MinScore && (!best || header->score > best->score))
            best = header;
    }
    return best;
}

QByteArray withChecksum(const QByteArray &file, const InternalHeader &header)
{
    const quint16 sum = checksum(file, header);
    const auto complement = static_cast<quint16>(~sum);
    QByteArray fixed = file;
    fixed[header.at + ComplementAt] = static_cast<char>(complement & 0xFF);
    fixed[header.at + ComplementAt + 1] = static_cast<char>(complement >> 8);
    fixed[header.at + ChecksumAt] = static_cast<char>(sum & 0xFF);
    fixed[header.at + ChecksumAt + 1] = static_cast<char>(sum >> 8);
    return fixed;
}

QByteArray withCopierHeader(const QByteArray &rom)
{
    QByteArray header(CopierHeaderSize, '\0');
    const qint64 blocks = (rom.size() + 0x1FFF) / 0x2000;
    header[0] = static_cast<char>(blocks & 0xFF);
    header[1] = static_cast<char>((blocks >> 8) & 0xFF);
    header[8] = '\xAA';
    header[9] = '\xBB';
    header[10] = '\x04';
    return header + rom;
}

QByteArray withoutCopierHeader(const QByteArray &file)
{
    return file.mid(copierHeaderSize(file.size()));
}

std::optional<qint64> romOffset(Mapping mapping, quint32 address)
{
    const quint32 bank = (address >> 16) & 0xFF;
    const quint32 low = address & 0xFFFF;
    if (bank == 0x7E || bank == 0x7F) // work RAM
        return std::nullopt;
    const bool upperHalf = low >= 0x8000;
    switch (mapping) {
    case Mapping::LoRom:
        if (!upperHalf)
            return std::nullopt;
        return qint64(bank & 0x7F) * 0x8000 + (low - 0x8000);
    case Mapping::HiRom:
        if ((bank & 0x7F) < 0x40 && !upperHalf)
            return std::nullopt;
        return qint64(bank & 0x3F) * 0x10000 + low;
    case Mapping::ExHiRom:
        if ((bank & 0x7F) < 0x40 && !upperHalf)
            return std::nullopt;
        // Banks C0-FF (and 80-BF's upper halves) hold the first 4 MiB, 40-7D and 00-3F the rest.
        return (bank >= 0x80 ? 0 : Mebibytes4) + qint64(bank & 0x3F) * 0x10000 + low;
    }
    return std::nullopt;
}

std::optional<quint32> busAddress(Mapping mapping, qint64 offset)
{
    if (offset < 0)
        return std::nullopt;
    switch (mapping) {
    case Mapping::LoRom:
        if (offset >= Mebibytes4)
            return std::nullopt;
        return quint32((0x80 + offset / 0x8000) << 16 | (0x8000 + offset % 0x8000));
    case Mapping::HiRom:
        if (offset >= Mebibytes4)
            return std::nullopt;
        return quint32(0xC00000 + offset);
    case Mapping::ExHiRom: {
        if (offset < Mebibytes4)
            return quint32(0xC00000 + offset);
        const qint64 upper = offset - Mebibytes4;
        if (upper < 0x3E0000)
            return quint32(0x400000 + upper);
        // Banks 7E and 7F are work RAM: only the upper halves of 3E and 3F reach the last 128 KiB.
        if (upper < Mebibytes4 && (upper & 0xFFFF) >= 0x8000)
            return quint32(upper);
        return std::nullopt;
    }
    }
    return std::nullopt;
}

QString mappingName(Mapping mapping)
{
    switch (mapping) {
    case Mapping::LoRom:
        return QStringLiteral("LoROM");
    case Mapping::HiRom:
        return QStringLiteral("HiROM");
    case Mapping::ExHiRom:
        return QStringLiteral("ExHiROM");
    }
    return {};
}

std::optional<QString> regionName(quint8 code)
{
    static const std::array<const char *, 18> names{"Japan",
                                                    "North America",
                                                    "Europe",
                                                    "Scandinavia",
                                                    "Finland",
                                                    "Denmark",
                                                    "France",
                                                    "Netherlands",
                                                    "Spain",
                                                    "Germany",
                                                    "Italy",
                                                    "China",
                                                    "Indonesia",
                                                    "South Korea",
                                                    nullptr,
                                                    "Canada",
                                                    "Brazil",
                                                    "Australia"};
    if (code >= names.size() || names[code] == nullptr)
        return std::nullopt;
    return QString::fromLatin1(names[code]);
}

QString addressText(quint32 address)
{
    return QStringLiteral("$%1:%2")
        .arg(address >> 16, 2, 16, QLatin1Char('0'))
        .arg(address & 0xFFFF, 4, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace Snes
