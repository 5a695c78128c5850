#include "cli/commands.h"

#include "document/navigation.h"
#include "document/spellings.h"
#include "document/texttable.h"
#include "platform/binaryfile.h"
#include "platform/filesearch.h"

namespace Cli {

Exit findCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the offset of the first place where the ROM holds TEXT as the window's Find "
        "spells it through the table: at each point the longest entry that the rest of TEXT "
        "starts with; \"<$XX>\" is the byte XX. With --any-encoding, any run of bytes whose "
        "entries join to TEXT matches."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Prints every match."));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Searches from byte offset OFF on."),
                                  QStringLiteral("OFF"));
    const QCommandLineOption anyEncoding(
        QStringLiteral("any-encoding"),
        QStringLiteral(
            "Matches every spelling of TEXT, such as \"t\"+\"he\" beside \"th\"+\"e\"."));
    const QCommandLineOption table = tableOption();
    const QCommandLineOption strict = strictTableOption();
    parser.addOptions({all, from, anyEncoding, table, strict});
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}, {"TEXT", "The text to find."}}))
        return Exit::Success;

    const QString &path = arguments.first();
    const QString romPath = parser.positionalArguments().at(0);
    const QString typed = parser.positionalArguments().at(1);
    if (typed.isEmpty())
        throw UsageError(QStringLiteral("TEXT is empty."));
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    const qint64 romLength = rom.length();
    const TextTable codec = tableFor(romPath, parser.value(table), parser.isSet(strict));
    // Without --from, Find from the top of the file as the window does it, which never
    // finds a match on the last byte; with it, every byte from OFF on.
    qint64 first = Navigation::startPosition(Navigation::FindFrom::Start, 0) - 1;
    if (parser.isSet(from)) {
        first = parseOffset(parser.value(from), QStringLiteral("--from"));
        if (first > romLength) {
            throw UsageError(QStringLiteral("--from %1 lies beyond the end of the file (%2 bytes).")
                                 .arg(first)
                                 .arg(romLength));
        }
    }
    const bool searched = parser.isSet(from) || first < romLength - 1;

    qint64 matches = 0;
    const bool every = parser.isSet(all);
    const FileSearch::Found print = [&](qint64 offset) {
        out() << offsetText(offset) << '\n';
        ++matches;
        return every;
    };
    if (parser.isSet(anyEncoding)) {
        Spellings spellings(typed, codec);
        if (!spellings.possible()) {
            err() << path << ": no run of the table's entries spells \"" << typed << "\".\n";
            return Exit::NotFound;
        }
        if (searched)
            spellings.scan(rom, first, romLength, print);
    } else {
        const TextTable::Encoded pattern = codec.encode(typed, TextTable::Spelling::LongestFirst);
        if (!pattern.problem.isEmpty()) {
            err() << path << ": the table does not spell \"" << typed << "\" as Find does: ";
            if (pattern.consumed > 0)
                err() << "after \"" << typed.left(pattern.consumed) << "\", ";
            err() << pattern.problem << ". --any-encoding tries every spelling.\n";
            return Exit::NotFound;
        }
        if (searched)
            FileSearch::eachMatch(rom, pattern.bytes, first, romLength, print);
    }
    rom.close();
    if (matches == 0) {
        err() << path << ": not found.\n";
        return Exit::NotFound;
    }
    return Exit::Success;
}

} // namespace Cli
