#include "cli/commands.h"

#include "cli/output.h"
#include "patch/snesrom.h"
#include "platform/binaryfile.h"
#include "platform/text8.h"

namespace Cli {

namespace {

QString hex(uint value, int digits)
{
    return QStringLiteral("0x")
           + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString hexByte(quint8 value)
{
    return hex(value, 2);
}

QString hexWord(quint16 value)
{
    return hex(value, 4);
}

QString sizeText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 20) && bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes >> 10);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// 1 KiB shifted by a header's size code, or nothing for a code too large to be one.
QString codedSize(quint8 code)
{
    if (code > 24)
        return QStringLiteral("not a size");
    return sizeText(qint64(1024) << code);
}

void printLine(const QString &label, const QString &value)
{
    out() << (label + QLatin1Char(':')).leftJustified(16) << value << '\n';
}

// Prints why no header was found and gives Exit::NotFound.
Exit noHeader(const QString &path, const char *outcome)
{
    err() << "No SNES internal header found in \"" << path
          << "\": nothing at LoROM's place (7FC0 hex), HiROM's (FFC0 hex) or ExHiROM's "
             "(40FFC0 hex) scores as one."
          << outcome << '\n';
    return Exit::NotFound;
}

// A command that writes the ROM it reads, changed, to the file -o names or in place.
struct RomEdit
{
    QString path;
    QString target;
    QByteArray file;
};

// The ROM to edit and where to write it, or nothing when --help was asked for.
std::optional<RomEdit> parseRomEdit(const QStringList &arguments, const QString &description)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const OutputOptions output;
    output.addTo(parser);
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}}))
        return std::nullopt;
    const QString path = parser.positionalArguments().at(0);
    return RomEdit{path,
                   output.target(parser, path, {path}),
                   BinaryFile::readAll(path, Snes::MaxFileSize, QStringLiteral("a SNES ROM"))};
}

Exit info(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the ROM's copier header, mapping and internal header: title, "
                       "sizes, region, and the stored and computed checksums. Exits with 1 when "
                       "no internal header is found."));
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}}))
        return Exit::Success;
    const QString path = parser.positionalArguments().at(0);
    const QByteArray file = BinaryFile::readAll(path,
                                                Snes::MaxFileSize,
                                                QStringLiteral("a SNES ROM"));
    const qint64 copier = Snes::copierHeaderSize(file.size());

    printLine(QStringLiteral("File"), QStringLiteral("%1, %2 bytes").arg(path).arg(file.size()));
    if (copier != 0)
        printLine(QStringLiteral("Copier header"),
                  QStringLiteral("512 bytes (the size is 512 more than a multiple of 32 KiB)"));
    else if (file.size() % 0x8000 == 0)
        printLine(QStringLiteral("Copier header"),
                  QStringLiteral("none (the size is a multiple of 32 KiB)"));
    else
        printLine(QStringLiteral("Copier header"),
                  QStringLiteral("none (the size is not a multiple of 32 KiB, nor 512 more)"));

    const std::optional<Snes::InternalHeader> header = Snes::findHeader(file);
    if (!header) {
        flushOutput();
        return noHeader(path, "");
    }
    printLine(QStringLiteral("Mapping"),
              QStringLiteral("%1, internal header at %2")
                  .arg(Snes::mappingName(header->mapping), offsetText(header->at)));
    printLine(QStringLiteral("Title"),
              QLatin1Char('"') + Text8::toDisplay(header->title) + QLatin1Char('"'));
    printLine(QStringLiteral("Map byte"),
              QStringLiteral("%1 (%2)").arg(hexByte(header->mapMode),
                                            header->mapMode & 0x10 ? QStringLiteral("FastROM")
                                                                   : QStringLiteral("SlowROM")));
    printLine(QStringLiteral("ROM size"),
              QStringLiteral("%1 (code %2); the file holds %3 after any copier header")
                  .arg(codedSize(header->romSizeCode),
                       hexByte(header->romSizeCode),
                       sizeText(file.size() - copier)));
    printLine(QStringLiteral("RAM size"),
              QStringLiteral("%1 (code %2)")
                  .arg(header->ramSizeCode == 0 ? QStringLiteral("none")
                                                : codedSize(header->ramSizeCode),
                       hexByte(header->ramSizeCode)));
    printLine(QStringLiteral("Region"),
              QStringLiteral("%1 (code %2)")
                  .arg(Snes::regionName(header->region).value_or(QStringLiteral("unknown")),
                       hexByte(header->region)));
    printLine(QStringLiteral("Version"), hexByte(header->version));
    const bool pair = (header->checksum ^ header->complement) == 0xFFFF;
    printLine(QStringLiteral("Checksum"),
              QStringLiteral("stored %1, complement %2 (%3)")
                  .arg(hexWord(header->checksum),
                       hexWord(header->complement),
                       pair ? QStringLiteral("they match") : QStringLiteral("they do not match")));
    const quint16 computed = Snes::checksum(file, *header);
    printLine(QStringLiteral("Computed"),
              QStringLiteral("%1 (%2)").arg(hexWord(computed),
                                            computed == header->checksum && pair
                                                ? QStringLiteral("the header is right")
                                                : QStringLiteral(
                                                    "the header is wrong: run "
                                                    "'orvane-cli snes fix-checksum'")));
    return Exit::Success;
}

Exit fixChecksum(const QStringList &arguments)
{
    const std::optional<RomEdit> edit = parseRomEdit(
        arguments,
        QStringLiteral("Writes the ROM with the checksum and complement in its internal header set "
                       "to match its bytes. Exits with 1, writing nothing, when no internal "
                       "header is found."));
    if (!edit)
        return Exit::Success;
    const auto &[path, target, file] = *edit;
    const std::optional<Snes::InternalHeader> header = Snes::findHeader(file);
    if (!header)
        return noHeader(path, " Nothing written.");
    const QByteArray fixed = Snes::withChecksum(file, *header);
    const quint16 sum = Snes::checksum(file, *header);
    if (target == path && fixed == file) {
        err() << "The checksum " << hexWord(sum) << " is right already; " << path
              << " is unchanged.\n";
        return Exit::Success;
    }
    BinaryFile::replaceContents(target, fixed);
    err() << "Checksum " << hexWord(sum) << ", complement " << hexWord(static_cast<quint16>(~sum))
          << " (they were " << hexWord(header->checksum) << ", " << hexWord(header->complement)
          << "); wrote " << target << ".\n";
    return Exit::Success;
}

Exit headerChange(const QStringList &arguments, bool add)
{
    const std::optional<RomEdit> edit
        = parseRomEdit(arguments,
                       add ? QStringLiteral(
                           "Writes the ROM with a 512-byte copier header in front (the size in "
                           "8 KiB blocks and the SWC mark; the rest zero). Exits with 1, "
                           "writing nothing, when it has one already.")
                           : QStringLiteral(
                               "Writes the ROM without its 512-byte copier header. Exits with 1, "
                               "writing nothing, when it has none."));
    if (!edit)
        return Exit::Success;
    const auto &[path, target, file] = *edit;
    const bool has = Snes::copierHeaderSize(file.size()) != 0;
    if (has == add) {
        err() << "\"" << path << "\" has " << (has ? "a copier header already" : "no copier header")
              << " (its size is " << file.size() << " bytes). Nothing written.\n";
        return Exit::NotFound;
    }
    const QByteArray changed = add ? Snes::withCopierHeader(file) : Snes::withoutCopierHeader(file);
    BinaryFile::replaceContents(target, changed);
    err() << "Wrote " << target << ", " << changed.size() << " bytes, "
          << (add ? "with" : "without") << " a copier header.\n";
    if (add && Snes::copierHeaderSize(changed.size()) == 0) {
        err() << "Note: the ROM's size is not a multiple of 32 KiB, so tools that go by the size "
                 "will not see the header.\n";
    }
    return Exit::Success;
}

Exit header(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("add"),
                         QStringLiteral("Puts a 512-byte copier header in front of a ROM."),
                         [](const QStringList &a) { return headerChange(a, true); }},
                        {QStringLiteral("remove"),
                         QStringLiteral("Takes the 512-byte copier header off a ROM."),
                         [](const QStringList &a) { return headerChange(a, false); }},
                    });
}

} // namespace

Exit snesCommand(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("info"),
                         QStringLiteral("Prints the copier header, mapping and internal header."),
                         info},
                        {QStringLiteral("fix-checksum"),
                         QStringLiteral("Sets the internal header's checksum to match the ROM."),
                         fixChecksum},
                        {QStringLiteral("header"),
                         QStringLiteral("Adds or removes the 512-byte copier header."),
                         header},
                    });
}

} // namespace Cli
