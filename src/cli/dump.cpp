#include "cli/commands.h"

#include "document/romline.h"
#include "document/texttable.h"
#include "platform/binaryfile.h"

namespace Cli {

namespace {

// Bytes read at a time, a whole number of lines: a dump of any length needs no more memory
// than this and the longest unit of the table.
constexpr qint64 ChunkSize = qint64(1) << 16;

// Control characters as the window draws them, so that a row never breaks or collapses.
void showControls(QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20)
            text[i] = QChar(char16_t(0x2400 + c));
        else if (c == 0x7F)
            text[i] = QChar(char16_t(0x2421));
    }
}

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
    const QCommandLineOption strict = strictTableOption();
    parser.addOptions({from, length, text, raw, table, strict});
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}}))
        return Exit::Success;

    const QString romPath = parser.positionalArguments().at(0);
    // The ROM first, so that a wrong ROM path is reported as that and not as its table's.
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    const TextTable codec = tableFor(romPath, parser.value(table), parser.isSet(strict));
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
    const bool rawText = parser.isSet(raw);
    const int offsetWidth = static_cast<int>(QString::number(std::max<qint64>(end, 1)).size());
    const int hexWidth = static_cast<int>(QString::number(std::max<qint64>(end, 1), 16).size());
    // The bytes are read as one stream of units, a key with its parameters each; a unit's text
    // belongs to the line where the unit starts. Each chunk is read with the bytes that a unit
    // starting in it may take beyond it.
    const qint64 lookahead = codec.maxUnitLength() - 1;
    qint64 next = first;    // where the next unit starts
    bool lineEnded = false; // by the last unit, a line break or an end token
    for (qint64 at = first; at < end; at += ChunkSize) {
        const qint64 size = std::min(ChunkSize, end - at);
        const QByteArray bytes = rom.get(at + 1, std::min(size + lookahead, end - at));
        auto unitsUpTo = [&](qint64 limit) {
            QString units;
            units.reserve(limit - next);
            while (next < limit) {
                const TextTable::Unit unit = codec.unitAt(bytes, next - at);
                const qsizetype shownFrom = units.size();
                if (unit.entry && unit.entry->kind != TextTable::Kind::Linked)
                    units += unit.entry->text;
                else
                    units += codec.unitText(bytes, next - at, unit);
                if (!rawText)
                    showControls(units, shownFrom);
                next += unit.length;
                // A line break and the end of a string start a new line of a text dump.
                const bool breaks = unit.entry
                                    && (unit.entry->kind == TextTable::Kind::LineBreak
                                        || unit.entry->kind == TextTable::Kind::End);
                if (textOnly && breaks && !units.endsWith(QLatin1Char('\n')))
                    units += QLatin1Char('\n');
                lineEnded = textOnly && breaks;
            }
            return units;
        };
        if (textOnly) {
            out() << unitsUpTo(at + size);
            continue;
        }
        for (qsizetype line = 0; line < size; line += RomLine::Length) {
            const QByteArray lineBytes = bytes.mid(line,
                                                   std::min<qint64>(RomLine::Length, size - line));
            const qint64 offset = at + line;
            out() << QStringLiteral("%1 (0x%2)  ")
                         .arg(offset, offsetWidth)
                         .arg(QString::number(offset, 16).toUpper(), hexWidth, QLatin1Char('0'))
                  << QString::fromLatin1(RomLine::LineHex(lineBytes))
                         .leftJustified(qsizetype(2) * RomLine::Length)
                  << "  " << unitsUpTo(offset + lineBytes.size()) << '\n';
        }
    }
    if (textOnly && !lineEnded)
        out() << '\n';
    rom.close();
    return Exit::Success;
}

} // namespace Cli
