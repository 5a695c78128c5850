#include "cli/commands.h"

#include "cli/pointeroptions.h"
#include "patch/snesrom.h"
#include "platform/binaryfile.h"

namespace Cli {

PointerOptions::PointerOptions()
    : m_width(QStringLiteral("width"),
              QStringLiteral("Bytes in a pointer, 2 or 3 (default 2)."),
              QStringLiteral("2|3"))
    , m_bigEndian(QStringLiteral("big-endian"),
                  QStringLiteral("Pointers hold their high byte first (default: low first)."))
    , m_stride(QStringLiteral("stride"),
               QStringLiteral("Bytes from one pointer of a table to the next (default: the "
                              "width)."),
               QStringLiteral("S"))
    , m_loRom(QStringLiteral("lorom"), QStringLiteral("Pointers are LoROM bus addresses."))
    , m_hiRom(QStringLiteral("hirom"), QStringLiteral("Pointers are HiROM bus addresses."))
    , m_exHiRom(QStringLiteral("exhirom"), QStringLiteral("Pointers are ExHiROM bus addresses."))
    , m_bank(QStringLiteral("bank"),
             QStringLiteral("The bank of 2-byte bus pointers, in hex (default: the bank the "
                            "pointer itself is read at)."),
             QStringLiteral("BB"))
    , m_base(QStringLiteral("base"),
             QStringLiteral("Pointers are plain offsets: OFF is the file offset of value 0."),
             QStringLiteral("OFF"))
{}

void PointerOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({m_width, m_bigEndian, m_stride, m_loRom, m_hiRom, m_exHiRom, m_bank, m_base});
}

PointerFormat PointerOptions::format(const QCommandLineParser &parser) const
{
    PointerFormat format;
    if (parser.isSet(m_width)) {
        const QString width = parser.value(m_width);
        if (width != QLatin1String("2") && width != QLatin1String("3"))
            throw UsageError(QStringLiteral("--width is 2 or 3, not \"%1\".").arg(width));
        format.width = width.toInt();
    }
    format.bigEndian = parser.isSet(m_bigEndian);
    format.stride = format.width;
    if (parser.isSet(m_stride)) {
        const qint64 stride = parseOffset(parser.value(m_stride), QStringLiteral("--stride"));
        format.stride = static_cast<int>(std::min<qint64>(stride, 1 << 20));
    }
    int mappings = 0;
    for (const auto &[option, mapping] : {std::pair{&m_loRom, PointerFormat::Mapping::LoRom},
                                          std::pair{&m_hiRom, PointerFormat::Mapping::HiRom},
                                          std::pair{&m_exHiRom, PointerFormat::Mapping::ExHiRom}}) {
        if (parser.isSet(*option)) {
            format.mapping = mapping;
            ++mappings;
        }
    }
    if (parser.isSet(m_base)) {
        format.mapping = PointerFormat::Mapping::Base;
        format.base = parseOffset(parser.value(m_base), QStringLiteral("--base"));
        ++mappings;
    }
    if (mappings != 1)
        throw UsageError(QStringLiteral("takes one of --lorom, --hirom, --exhirom and --base OFF, "
                                        "to say what a pointer's value means."));
    if (parser.isSet(m_bank)) {
        format.bank = static_cast<quint8>(
            parseHexCode(parser.value(m_bank), QStringLiteral("--bank"), 1).at(0));
    }
    if (const QString why = format.problem(); !why.isEmpty())
        throw UsageError(why + QLatin1Char('.'));
    return format;
}

QByteArray parseHexCode(const QString &text, const QString &what, int maxBytes)
{
    const QByteArray digits = text.toLatin1();
    QByteArray bytes = QByteArray::fromHex(digits);
    if (digits.isEmpty() || digits.size() % 2 != 0 || bytes.size() > maxBytes
        || bytes.toHex() != digits.toLower()) {
        throw UsageError(QStringLiteral("%1 \"%2\" is not %3 in bare hex digits (such as 00 or "
                                        "C6).")
                             .arg(what,
                                  text,
                                  maxBytes == 1 ? QStringLiteral("a byte")
                                                : QStringLiteral("1 to %1 bytes").arg(maxBytes)));
    }
    return bytes;
}

Exit pointersCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints every place in the ROM, at any alignment, that holds a pointer to "
                       "OFFSET in the format the options give: the way to the pointer table of a "
                       "string whose offset is known."));
    const PointerOptions pointerOptions;
    pointerOptions.addTo(parser);
    if (!parse(parser,
               arguments,
               {{"ROM", "The ROM file."}, {"OFFSET", "The file offset the pointers lead to."}}))
        return Exit::Success;
    const QStringList positional = parser.positionalArguments();
    const qint64 target = parseOffset(positional[1], QStringLiteral("OFFSET"));
    PointerFormat format = pointerOptions.format(parser);
    const QByteArray rom = BinaryFile::readAll(positional[0],
                                               Snes::MaxFileSize,
                                               QStringLiteral("a SNES ROM"));
    if (target >= rom.size()) {
        throw UsageError(QStringLiteral("OFFSET %1 lies beyond the end of the file (%2 bytes).")
                             .arg(offsetText(target))
                             .arg(rom.size()));
    }
    format.setFileSize(rom.size());
    // One pass, every place read as a pointer: a 2-byte bus pointer's bank depends on its own
    // place, and a 3-byte one has several mirrors, so no single pattern would find them all.
    qint64 found = 0;
    for (qint64 place = 0; place + format.width <= rom.size(); ++place) {
        if (format.offsetOf(format.read(rom, place), place) == target) {
            out() << offsetText(place) << '\n';
            ++found;
        }
    }
    if (found == 0) {
        err() << positional[0] << ": no pointer in this format leads to " << offsetText(target)
              << ".\n";
        return Exit::NotFound;
    }
    return Exit::Success;
}

} // namespace Cli
