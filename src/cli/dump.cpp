#include "cli/commands.h"

#include "document/keltable.h"
#include "document/romline.h"
#include "platform/binaryfile.h"
#include "platform/text8.h"

namespace Cli {

namespace {

// Bytes read at a time: a dump of any length needs no more memory than this.
constexpr qint64 ChunkSize = qint64(1) << 16;

} // namespace

Exit dumpCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the ROM as the window shows it: lines of 16 bytes, each with its "
                       "offset, its hex codes and its text through the table. With --text, only "
                       "the text, as one stream."));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("First byte offset (default 0)."),
                                  QStringLiteral("OFF"));
    const QCommandLineOption length(QStringLiteral("length"),
                                    QStringLiteral("Bytes to print (default: to the end)."),
                                    QStringLiteral("N"));
    const QCommandLineOption text(QStringLiteral("text"), QStringLiteral("Prints only the text."));
    const QCommandLineOption raw(QStringLiteral("raw"),
                                 QStringLiteral("Prints control bytes of the text as they are, "
                                                "not as the window draws them."));
    const QCommandLineOption table = tableOption();
    parser.addOptions({from, length, text, raw, table});
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}}))
        return Exit::Success;

    const QString romPath = parser.positionalArguments().at(0);
    // The ROM first, so that a wrong ROM path is reported as that and not as its table's.
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    const KelTable kel = tableFor(romPath, parser.value(table));
    const qint64 romLength = rom.length();
    const qint64 first = parser.isSet(from)
                             ? parseOffset(parser.value(from), QStringLiteral("--from"))
                             : 0;
    if (first > romLength) {
        throw UsageError(QStringLiteral("--from %1 lies beyond the end of the file (%2 bytes).")
                             .arg(first)
                             .arg(romLength));
    }
    qint64 end = romLength;
    if (parser.isSet(length))
        end = first
              + std::min(end - first, parseOffset(parser.value(length), QStringLiteral("--length")));

    const bool textOnly = parser.isSet(text);
    auto shown = [&](const QByteArray &bytes) {
        return parser.isSet(raw) ? Text8::toWidget(bytes) : Text8::toDisplay(bytes);
    };
    const int offsetWidth = static_cast<int>(QString::number(std::max<qint64>(end, 1)).size());
    const int hexWidth = static_cast<int>(QString::number(std::max<qint64>(end, 1), 16).size());
    QByteArray chunk;
    for (qint64 at = first; at < end; at += chunk.size()) {
        // A reader that has gone or a full disk ends the dump at once, not after the whole ROM.
        flushOutput();
        chunk = rom.get(at + 1, std::min(ChunkSize, end - at));
        if (textOnly) {
            out() << shown(RomLine::LineText(chunk, kel));
            continue;
        }
        for (qsizetype line = 0; line < chunk.size(); line += RomLine::Length) {
            const QByteArray bytes = chunk.mid(line, RomLine::Length);
            const qint64 offset = at + line;
            out() << QStringLiteral("%1 (0x%2)  ")
                         .arg(offset, offsetWidth)
                         .arg(QString::number(offset, 16).toUpper(), hexWidth, QLatin1Char('0'))
                  << QString::fromLatin1(RomLine::LineHex(bytes))
                         .leftJustified(qsizetype(2) * RomLine::Length)
                  << "  " << shown(RomLine::LineText(bytes, kel)) << '\n';
        }
    }
    if (textOnly)
        out() << '\n';
    rom.close();
    return Exit::Success;
}

} // namespace Cli
