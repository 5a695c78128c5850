#include "cli/commands.h"

#include "document/keltable.h"
#include "document/navigation.h"
#include "document/romline.h"
#include "document/spellings.h"
#include "platform/binaryfile.h"
#include "platform/filesearch.h"
#include "platform/text8.h"

namespace Cli {

Exit findCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the offset of the first place where the ROM holds TEXT as the window's Find "
        "spells it through the table: at each point the longest entry that the rest of TEXT "
        "starts with. With --any-encoding, any run of bytes whose entries join to TEXT "
        "matches."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Prints every match."));
    const QCommandLineOption
        from(QStringLiteral("from"),
             QStringLiteral("Searches on as Find Next does from a page whose top line is at offset "
                            "OFF: from that line's last byte, OFF + 15, on."),
             QStringLiteral("OFF"));
    const QCommandLineOption anyEncoding(
        QStringLiteral("any-encoding"),
        QStringLiteral(
            "Matches every spelling of TEXT, such as \"t\"+\"he\" beside \"th\"+\"e\"."));
    const QCommandLineOption table = tableOption();
    parser.addOptions({all, from, anyEncoding, table});
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}, {"TEXT", "The text to find."}}))
        return Exit::Success;

    const QString &path = arguments.first();
    const QString romPath = parser.positionalArguments().at(0);
    const QString typed = parser.positionalArguments().at(1);
    if (typed.isEmpty())
        throw UsageError(QStringLiteral("TEXT is empty."));
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    const qint64 romLength = rom.length();
    const KelTable kel = tableFor(romPath, parser.value(table));
    qint64 start = Navigation::startPosition(Navigation::FindFrom::Start, 0);
    if (parser.isSet(from)) {
        const qint64 top = parseOffset(parser.value(from), QStringLiteral("--from"));
        if (top > romLength) {
            throw UsageError(QStringLiteral("--from %1 lies beyond the end of the file (%2 bytes).")
                                 .arg(top)
                                 .arg(romLength));
        }
        start = Navigation::startPosition(Navigation::FindFrom::TopLine,
                                          static_cast<double>(top) / RomLine::Length);
    }

    const std::optional<QByteArray> text = Text8::fromWidget(typed);
    if (!text) {
        err() << path << ": no table can spell \"" << typed << "\": \""
              << typed.at(Text8::firstNon8Bit(typed)) << "\" has no 8-bit code.\n";
        return Exit::NotFound;
    }
    qint64 matches = 0;
    const bool every = parser.isSet(all);
    const FileSearch::Found print = [&](qint64 offset) {
        out() << offsetText(offset) << '\n';
        ++matches;
        return every;
    };
    // As in the window, a search that would start on the last byte finds nothing.
    const bool searched = start <= romLength - 1;
    if (parser.isSet(anyEncoding)) {
        Spellings spellings(*text, kel);
        if (!spellings.possible()) {
            err() << path << ": no run of the table's entries spells \"" << typed << "\".\n";
            return Exit::NotFound;
        }
        if (searched)
            spellings.scan(rom, start - 1, romLength, print);
    } else {
        const auto [pattern, reach] = kel.encode(*text);
        if (reach < text->size()) {
            err() << path << ": the table does not spell \"" << typed << "\" as Find does: ";
            if (reach > 0)
                err() << "after \"" << Text8::toWidget(text->left(reach)) << "\", ";
            err() << "no entry starts \"" << Text8::toWidget(text->mid(reach))
                  << "\". --any-encoding tries every spelling.\n";
            return Exit::NotFound;
        }
        if (every && searched) {
            FileSearch::eachMatch(rom, pattern, start - 1, romLength, print);
        } else if (!every) {
            if (const auto found = FileSearch::findPattern(rom, pattern, start, romLength))
                print(*found - 1);
        }
    }
    rom.close();
    if (matches == 0) {
        err() << path << ": not found.\n";
        return Exit::NotFound;
    }
    return Exit::Success;
}

} // namespace Cli
