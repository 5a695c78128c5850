#include "cli/commands.h"

#include "document/keltablefile.h"
#include "document/relsearch.h"
#include "document/tblfile.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

namespace Cli {

namespace {

QString codes(const RelSearch::Hit &hit)
{
    QStringList shown;
    if (hit.capitalA)
        shown.append(QStringLiteral("A=") + QString::fromLatin1(Convert::hexPair(*hit.capitalA)));
    if (hit.smallA)
        shown.append(QStringLiteral("a=") + QString::fromLatin1(Convert::hexPair(*hit.smallA)));
    return shown.join(QLatin1Char(' '));
}

void writeDraft(const QString &path, const RelSearch::Hit &hit)
{
    const RelSearch::Draft draft = RelSearch::draftTable(hit);
    for (const QString &note : draft.leftOut)
        err() << "warning: " << note << '\n';
    if (TblFile::isTblPath(path))
        BinaryFile::replaceContents(path, TblFile::write(draft.table).bytes);
    else
        SaveTable(draft.table, path);
}

} // namespace

Exit relsearchCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Relative search, for a ROM whose table is not known: prints the places where the "
        "bytes differ from each other as the letters of TEXT do, and the code that A (or a) "
        "then has. Letters of one case are taken to lie at consecutive codes, each case at a "
        "code of its own; any other character of TEXT stands for any one byte. The time grows "
        "with the ROM's size alone, for a word of any length."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Prints every place."));
    const QCommandLineOption
        writeTable(QStringLiteral("write-table"),
                   QStringLiteral(
                       "Writes a draft table (.kel or .tbl) from the first place: the letters "
                       "of each case that TEXT holds, at the codes it implies."),
                   QStringLiteral("OUT"));
    parser.addOptions({all, writeTable});
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}, {"TEXT", "A word of the game."}}))
        return Exit::Success;

    const QString romPath = parser.positionalArguments().at(0);
    const RelSearch::Word word(parser.positionalArguments().at(1));
    if (!word.problem().isEmpty())
        throw UsageError(QStringLiteral("TEXT ") + word.problem());
    const QString output = parser.value(writeTable);
    if (parser.isSet(writeTable)) {
        requireSuffix(output, {".kel", ".tbl"});
        refuseToOverwrite(output, {romPath});
    }

    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    std::optional<RelSearch::Hit> first;
    word.scan(rom, 0, rom.length(), [&](const RelSearch::Hit &hit) {
        if (!first)
            first = hit;
        out() << offsetText(hit.offset) << "  " << codes(hit) << '\n';
        return parser.isSet(all);
    });
    rom.close();
    if (!first) {
        err() << arguments.first() << ": no place fits.\n";
        return Exit::NotFound;
    }
    if (parser.isSet(writeTable)) {
        flushOutput();
        writeDraft(output, *first);
        err() << "Wrote the draft table \"" << output << "\" from the place at "
              << offsetText(first->offset) << ".\n";
    }
    return Exit::Success;
}

} // namespace Cli
