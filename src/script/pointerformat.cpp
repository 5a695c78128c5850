#include "pointerformat.h"

#include "patch/snesrom.h"
#include "platform/error.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr qint64 BankSize = 0x10000;
constexpr qint64 LoRomBankSize = 0x8000;

Snes::Mapping snesMapping(PointerFormat::Mapping mapping)
{
    switch (mapping) {
    case PointerFormat::Mapping::HiRom:
        return Snes::Mapping::HiRom;
    case PointerFormat::Mapping::ExHiRom:
        return Snes::Mapping::ExHiRom;
    case PointerFormat::Mapping::Base:
    case PointerFormat::Mapping::LoRom:
        break;
    }
    return Snes::Mapping::LoRom;
}

const char *mappingWord(PointerFormat::Mapping mapping)
{
    switch (mapping) {
    case PointerFormat::Mapping::LoRom:
        return "lorom";
    case PointerFormat::Mapping::HiRom:
        return "hirom";
    case PointerFormat::Mapping::ExHiRom:
        return "exhirom";
    case PointerFormat::Mapping::Base:
        break;
    }
    return "base";
}

PointerFormat::Range intersect(PointerFormat::Range a, PointerFormat::Range b)
{
    return {std::max(a.first, b.first), std::min(a.last, b.last)};
}

} // namespace

void PointerFormat::setFileSize(qint64 fileSize)
{
    m_fileSize = fileSize;
}

qint64 PointerFormat::copier() const
{
    return mapping == Mapping::Base ? 0 : Snes::copierHeaderSize(m_fileSize);
}

quint32 PointerFormat::read(QByteArrayView file, qint64 place) const
{
    quint32 value = 0;
    for (int k = 0; k < width; ++k) {
        const auto byte = static_cast<quint8>(file[place + (bigEndian ? k : width - 1 - k)]);
        value = value << 8 | byte;
    }
    return value;
}

void PointerFormat::write(QByteArray &file, qint64 place, quint32 value) const
{
    for (int k = 0; k < width; ++k) {
        const auto byte = static_cast<char>((value >> (8 * k)) & 0xFF);
        file[place + (bigEndian ? width - 1 - k : k)] = byte;
    }
}

std::optional<int> PointerFormat::bankFor(qint64 place) const
{
    if (bank)
        return bank;
    const std::optional<quint32> address = Snes::busAddress(snesMapping(mapping), place - copier());
    if (!address)
        return std::nullopt;
    return static_cast<int>(*address >> 16);
}

PointerFormat::Range PointerFormat::bankRange(int bankNumber) const
{
    const Snes::Mapping snes = snesMapping(mapping);
    const auto address = [&](quint32 low) { return quint32(bankNumber) << 16 | low; };
    std::optional<qint64> first = Snes::romOffset(snes, address(0));
    if (!first)
        first = Snes::romOffset(snes, address(0x8000));
    const std::optional<qint64> last = Snes::romOffset(snes, address(0xFFFF));
    if (!first || !last)
        return {};
    return intersect({*first + copier(), *last + copier()}, {0, m_fileSize - 1});
}

std::optional<qint64> PointerFormat::offsetOf(quint32 value, qint64 place) const
{
    std::optional<qint64> offset;
    if (mapping == Mapping::Base) {
        offset = base + value;
    } else if (width == 3) {
        offset = Snes::romOffset(snesMapping(mapping), value & 0xFFFFFF);
    } else if (const std::optional<int> b = bankFor(place)) {
        offset = Snes::romOffset(snesMapping(mapping), quint32(*b) << 16 | (value & 0xFFFF));
    }
    if (!offset)
        return std::nullopt;
    if (mapping != Mapping::Base)
        *offset += copier();
    if (*offset < 0 || *offset >= m_fileSize)
        return std::nullopt;
    return offset;
}

std::optional<quint32> PointerFormat::valueFor(qint64 offset, qint64 place, quint32 like) const
{
    if (offset < 0 || offset >= m_fileSize)
        return std::nullopt;
    if (mapping == Mapping::Base) {
        const qint64 value = offset - base;
        if (value < 0 || value >= (qint64(1) << (8 * width)))
            return std::nullopt;
        return static_cast<quint32>(value);
    }
    if (width == 2) {
        const std::optional<int> b = bankFor(place);
        if (!b)
            return std::nullopt;
        const Range range = bankRange(*b);
        if (!range.contains(offset, 1))
            return std::nullopt;
        const quint32 low = Snes::romOffset(snesMapping(mapping), quint32(*b) << 16) ? 0 : 0x8000;
        return static_cast<quint32>(low + (offset - range.first));
    }
    const std::optional<quint32> canonical = Snes::busAddress(snesMapping(mapping),
                                                              offset - copier());
    if (!canonical)
        return std::nullopt;
    // A game that reads its text through the slow mirror (banks 00-3F) should go on doing so.
    const quint32 mirrored = (*canonical & 0x3FFFFF) | (like & 0xC00000);
    if (offsetOf(mirrored, place) == offset)
        return mirrored;
    return canonical;
}

PointerFormat::Range PointerFormat::reach(qint64 offset, qint64 place) const
{
    Range range;
    if (const std::optional<Range> fixed = fixedReach(place)) {
        range = *fixed;
    } else if (const std::optional<quint32> address = Snes::busAddress(snesMapping(mapping),
                                                                       offset - copier())) {
        range = bankRange(static_cast<int>(*address >> 16));
    }
    if (!range.contains(offset, 1))
        return {};
    return range;
}

std::optional<PointerFormat::Range> PointerFormat::fixedReach(qint64 place) const
{
    if (mapping == Mapping::Base)
        return intersect({base, base + (qint64(1) << (8 * width)) - 1}, {0, m_fileSize - 1});
    if (width == 3)
        return std::nullopt;
    if (const std::optional<int> b = bankFor(place))
        return bankRange(*b);
    return Range{};
}

bool PointerFormat::reaches(qint64 offset, qint64 length, qint64 place) const
{
    const Range range = reach(offset, place);
    return !range.isEmpty() && range.contains(offset, length);
}

PointerFormat::Range PointerFormat::bankAround(qint64 offset) const
{
    const qint64 start = mapping == Mapping::Base ? base : copier();
    if (offset < start)
        return {0, start - 1};
    const qint64 size = mapping == Mapping::LoRom ? LoRomBankSize : BankSize;
    const qint64 first = start + (offset - start) / size * size;
    return intersect({first, first + size - 1}, {0, m_fileSize - 1});
}

QString PointerFormat::bankName(qint64 offset) const
{
    if (mapping == Mapping::Base)
        return {};
    const std::optional<quint32> address = Snes::busAddress(snesMapping(mapping),
                                                            bankAround(offset).first - copier());
    if (!address)
        return QStringLiteral("copier header");
    return QLatin1Char('$')
           + QStringLiteral("%1").arg(*address >> 16, 2, 16, QLatin1Char('0')).toUpper();
}

QString PointerFormat::toText() const
{
    QString text = QStringLiteral("width=%1 %2 stride=%3 %4")
                       .arg(width)
                       .arg(bigEndian ? QStringLiteral("big-endian")
                                      : QStringLiteral("little-endian"))
                       .arg(stride)
                       .arg(QString::fromLatin1(mappingWord(mapping)));
    if (mapping == Mapping::Base)
        text += QStringLiteral("=0x") + QString::number(base, 16).toUpper();
    if (bank)
        text += QStringLiteral(" bank=")
                + QStringLiteral("%1").arg(*bank, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

PointerFormat PointerFormat::fromText(const QString &text)
{
    PointerFormat format;
    bool mapped = false;
    bool strideSet = false;
    const auto bad = [&](const QString &word) {
        return Error(QStringLiteral("\"%1\" is no part of a pointer format").arg(word));
    };
    const auto number = [&](const QString &word, const QString &digits, int radix) {
        bool ok = false;
        const qint64 value = digits.toLongLong(&ok, radix);
        if (!ok || value < 0 || digits.startsWith(QLatin1Char('+')))
            throw bad(word);
        return value;
    };
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = word.section(QLatin1Char('='), 0, 0);
        const QString value = word.section(QLatin1Char('='), 1);
        if (word == QLatin1String("little-endian") || word == QLatin1String("big-endian")) {
            format.bigEndian = word.startsWith(QLatin1Char('b'));
        } else if (key == QLatin1String("width")) {
            format.width = static_cast<int>(number(word, value, 10));
        } else if (key == QLatin1String("stride")) {
            format.stride = static_cast<int>(std::min<qint64>(number(word, value, 10), 1 << 20));
            strideSet = true;
        } else if (key == QLatin1String("bank")) {
            format.bank = static_cast<int>(std::min<qint64>(number(word, value, 16), 0x100));
        } else if (key == QLatin1String("base") && value.startsWith(QLatin1String("0x"))) {
            format.base = number(word, value.mid(2), 16);
            mapped = true;
        } else if (!mapped && value.isEmpty()
                   && (word == QLatin1String("lorom") || word == QLatin1String("hirom")
                       || word == QLatin1String("exhirom"))) {
            format.mapping = word == QLatin1String("lorom")   ? Mapping::LoRom
                             : word == QLatin1String("hirom") ? Mapping::HiRom
                                                              : Mapping::ExHiRom;
            mapped = true;
        } else {
            throw bad(word);
        }
    }
    if (!mapped)
        throw Error(QStringLiteral("the pointer format names no mapping (lorom, hirom, "
                                   "exhirom or base=0x...)"));
    if (!strideSet)
        format.stride = format.width;
    if (const QString why = format.problem(); !why.isEmpty())
        throw Error(why);
    return format;
}

QString PointerFormat::problem() const
{
    if (width != 2 && width != 3)
        return QStringLiteral("a pointer is 2 or 3 bytes wide, not %1").arg(width);
    if (stride < width || stride > 0xFFFF)
        return QStringLiteral("the stride between pointers must be from %1 to 65535 bytes, not %2")
            .arg(width)
            .arg(stride);
    if (bank && (mapping == Mapping::Base || width != 2))
        return QStringLiteral("a bank is given only to 2-byte pointers that are bus addresses");
    if (bank && (*bank < 0 || *bank > 0xFF))
        return QStringLiteral("a bank is a byte, 00 to FF");
    if (base < 0)
        return QStringLiteral("the base is a file offset, not negative");
    return {};
}

bool operator==(const PointerFormat &a, const PointerFormat &b)
{
    return a.width == b.width && a.bigEndian == b.bigEndian && a.stride == b.stride
           && a.mapping == b.mapping && a.bank == b.bank && a.base == b.base;
}
