#include "cli/commands.h"

#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/tblfile.h"
#include "platform/binaryfile.h"

namespace Cli {

namespace {

const QCommandLineOption Strict(QStringLiteral("strict"),
                                QStringLiteral("Writes nothing when anything would be left out."));

Exit importCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a .tbl table (UTF-8, \"HH=text\" lines) and writes it as a .kel. Each line "
        "whose content a .kel cannot hold (keys of more than one byte, linked entries, table "
        "switches, entry 00, characters outside Latin-1, a key defined again) is named on "
        "stderr and left out. A .tbl without entries gives an empty .kel."));
    parser.addOption(Strict);
    if (!parse(parser,
               arguments,
               {{"IN.tbl", "The .tbl to read."}, {"OUT.kel", "The .kel to write."}}))
        return Exit::Success;
    const QString input = parser.positionalArguments().at(0);
    const QString output = parser.positionalArguments().at(1);
    requireSuffix(output, {QStringLiteral(".kel")});
    refuseToOverwrite(output, {input});

    const TblFile::Parsed parsed = TblFile::read(input);
    for (const TblFile::Warning &warning : parsed.warnings)
        err() << input << ':' << warning.line << ": " << warning.what << '\n';
    if (parser.isSet(Strict) && !parsed.warnings.isEmpty()) {
        err() << arguments.first() << ": --strict: nothing written.\n";
        return Exit::Failure;
    }
    SaveTable(parsed.table, output);
    err() << "Wrote " << parsed.defined << " entries to \"" << output << "\"";
    if (!parsed.warnings.isEmpty())
        err() << "; " << parsed.warnings.size() << " line(s) left out";
    err() << ".\n";
    return Exit::Success;
}

Exit exportCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a .kel table as a .tbl: \"HH=text\" for every entry that is not empty, UTF-8, "
        "LF line ends; a table without entries as an empty file. A .tbl written here reads "
        "back, by table import, to the same .kel."));
    parser.addOption(Strict);
    if (!parse(parser,
               arguments,
               {{"IN.kel", "The .kel to read."}, {"OUT.tbl", "The .tbl to write."}}))
        return Exit::Success;
    const QString input = parser.positionalArguments().at(0);
    const QString output = parser.positionalArguments().at(1);
    if (TblFile::isTblPath(input))
        throw UsageError(QStringLiteral("reads a .kel, not \"%1\".").arg(input));
    requireSuffix(output, {QStringLiteral(".tbl")});
    refuseToOverwrite(output, {input});

    KelTable table;
    ReadTable(table, input);
    const TblFile::Written written = TblFile::write(table);
    for (const QString &note : written.leftOut)
        err() << input << ": " << note << '\n';
    if (parser.isSet(Strict) && !written.leftOut.isEmpty()) {
        err() << arguments.first() << ": --strict: nothing written.\n";
        return Exit::Failure;
    }
    BinaryFile::replaceContents(output, written.bytes);
    err() << "Wrote " << written.bytes.count('\n') << " entries to \"" << output << "\".\n";
    return Exit::Success;
}

} // namespace

Exit tableCommand(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("import"),
                         QStringLiteral("Reads a .tbl table and writes it as a .kel."),
                         importCommand},
                        {QStringLiteral("export"),
                         QStringLiteral("Writes a .kel table as a .tbl."),
                         exportCommand},
                    });
}

} // namespace Cli
