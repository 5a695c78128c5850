#include "cli/commands.h"

#include "patch/snesrom.h"
#include "platform/binaryfile.h"

#include <QRegularExpression>

namespace Cli {

namespace {

constexpr qint64 LastAddress = 0xFFFFFF;

// "$80:8000", "$808000" and "80:8000" are hex, as SNES addresses are written; anything else is
// read as an offset is ("0x808000", "&H808000", or decimal).
quint32 parseAddress(const QString &text)
{
    static const QRegularExpression hexForm(
        QStringLiteral("^(?:\\$([0-9A-Fa-f]{1,2}):?([0-9A-Fa-f]{4})|\\$([0-9A-Fa-f]{1,6})|"
                       "([0-9A-Fa-f]{1,2}):([0-9A-Fa-f]{4}))$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = hexForm.match(trimmed);
    qint64 value = 0;
    if (match.hasMatch()) {
        QString digits;
        for (int group = 1; group <= 5; ++group)
            digits += match.captured(group);
        value = digits.toLongLong(nullptr, 16);
    } else {
        value = parseOffset(trimmed, QStringLiteral("ADDRESS"));
    }
    if (value > LastAddress) {
        throw UsageError(
            QStringLiteral("ADDRESS \"%1\" is beyond the 24-bit bus, whose last address is "
                           "$FF:FFFF.")
                .arg(text));
    }
    return static_cast<quint32>(value);
}

// The mapping the options name, else the one the ROM's internal header shows.
std::optional<Snes::Mapping> mappingFor(const QCommandLineParser &parser,
                                        const QByteArray &file,
                                        const std::vector<QCommandLineOption> &options)
{
    std::optional<Snes::Mapping> chosen;
    const Snes::Mapping mappings[] = {Snes::Mapping::LoRom,
                                      Snes::Mapping::HiRom,
                                      Snes::Mapping::ExHiRom};
    for (std::size_t k = 0; k < options.size(); ++k) {
        if (!parser.isSet(options[k]))
            continue;
        if (chosen)
            throw UsageError(QStringLiteral("takes one of --lorom, --hirom and --exhirom."));
        chosen = mappings[k];
    }
    if (chosen)
        return chosen;
    if (const auto header = Snes::findHeader(file))
        return header->mapping;
    return std::nullopt;
}

} // namespace

Exit addrCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the file offset that a SNES bus address reads, or with --to-snes the "
        "address that reads a file offset, under the mapping that the ROM's internal header "
        "shows (or the one an option names), counting a copier header. ADDRESS is hex when "
        "written $80:8000, $808000 or 80:8000; 0x808000 and &H808000 work too, plain "
        "digits are decimal. An address that reads no byte of the ROM is an error."));
    const QCommandLineOption toSnes(QStringLiteral("to-snes"),
                                    QStringLiteral("Turns a file OFFSET into a bus address."),
                                    QStringLiteral("OFFSET"));
    const std::vector<QCommandLineOption> mappingOptions{
        {"lorom", "Reads the ROM as LoROM."},
        {"hirom", "Reads the ROM as HiROM."},
        {"exhirom", "Reads the ROM as ExHiROM."},
    };
    parser.addOption(toSnes);
    for (const QCommandLineOption &option : mappingOptions)
        parser.addOption(option);
    if (!parse(parser,
               arguments,
               {{"ROM", "The ROM file."}, {"ADDRESS", "The bus address (not with --to-snes)."}},
               1,
               QStringLiteral("ROM ADDRESS | ROM --to-snes OFFSET")))
        return Exit::Success;
    const QStringList positional = parser.positionalArguments();
    const bool reverse = parser.isSet(toSnes);
    if (reverse == (positional.size() == 2))
        throw UsageError(QStringLiteral("takes either ADDRESS or --to-snes OFFSET."));
    const quint32 address = reverse ? 0 : parseAddress(positional[1]);
    const qint64 offset = reverse ? parseOffset(parser.value(toSnes), QStringLiteral("--to-snes"))
                                  : 0;

    const QString &path = positional[0];
    const QByteArray file = BinaryFile::readAll(path,
                                                Snes::MaxFileSize,
                                                QStringLiteral("a SNES ROM"));
    const std::optional<Snes::Mapping> mapping = mappingFor(parser, file, mappingOptions);
    if (!mapping) {
        err() << "No SNES internal header found in \"" << path
              << "\" to tell its mapping: give --lorom, --hirom or --exhirom.\n";
        return Exit::NotFound;
    }
    const QString name = Snes::mappingName(*mapping);
    const qint64 copier = Snes::copierHeaderSize(file.size());
    const qint64 romSize = file.size() - copier;
    const QString counted = copier != 0 ? QStringLiteral(", after the 512-byte copier header")
                                        : QString();

    if (reverse) {
        const qint64 romAt = offset - copier;
        QString problem;
        std::optional<quint32> bus;
        if (offset >= file.size())
            problem = QStringLiteral("lies past the end of the file (%1 bytes)").arg(file.size());
        else if (romAt < 0)
            problem = QStringLiteral("lies in the copier header");
        else if (!(bus = Snes::busAddress(*mapping, romAt)))
            problem = QStringLiteral("lies beyond what %1 maps onto the bus").arg(name);
        if (!problem.isEmpty()) {
            err() << "Offset " << offsetText(offset) << ' ' << problem << ".\n";
            return Exit::Failure;
        }
        out() << offsetText(offset) << " is read at " << Snes::addressText(*bus) << " (" << name
              << counted << ").\n";
        return Exit::Success;
    }

    const std::optional<qint64> romAt = Snes::romOffset(*mapping, address);
    if (!romAt) {
        err() << Snes::addressText(address) << " is not ROM under " << name
              << " (it is work RAM, a register or save RAM).\n";
        return Exit::Failure;
    }
    if (*romAt >= romSize) {
        err() << Snes::addressText(address) << " reads ROM offset " << offsetText(*romAt)
              << ", past the end of this " << romSize << "-byte ROM.\n";
        return Exit::Failure;
    }
    out() << Snes::addressText(address) << " reads file offset " << offsetText(*romAt + copier)
          << " (" << name << counted << ").\n";
    return Exit::Success;
}

} // namespace Cli
