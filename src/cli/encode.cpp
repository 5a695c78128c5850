#include "cli/commands.h"

#include "document/texttable.h"

namespace Cli {

Exit encodeCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the bytes that TEXT is spelled as through the table, in hex, and their count on "
        "stderr: at each point the longest entry that the rest of TEXT starts with, or with "
        "--shortest the fewest bytes. \"<$XX>\" is the byte XX. TEXT must read back from the "
        "bytes as it is; where the table makes that impossible, nothing is printed."));
    const QCommandLineOption shortest(QStringLiteral("shortest"),
                                      QStringLiteral("Spells TEXT in as few bytes as it can be."));
    const QCommandLineOption table = tableOption();
    const QCommandLineOption strict = strictTableOption();
    parser.addOptions({shortest, table, strict});
    if (!parse(parser, arguments, {{"TEXT", "The text to spell."}}))
        return Exit::Success;
    if (!parser.isSet(table))
        throw UsageError(QStringLiteral("needs --table FILE."));

    const TextTable codec = tableFor({}, parser.value(table), parser.isSet(strict));
    const QString text = parser.positionalArguments().at(0);
    const TextTable::Encoded encoded = codec.encode(text,
                                                    parser.isSet(shortest)
                                                        ? TextTable::Spelling::Fewest
                                                        : TextTable::Spelling::LongestFirst);
    if (!encoded.problem.isEmpty())
        throw Error(QStringLiteral("cannot spell \"%1\": %2.").arg(text, encoded.problem));
    out() << QString::fromLatin1(encoded.bytes.toHex(' ').toUpper()) << '\n';
    err() << encoded.bytes.size() << (encoded.bytes.size() == 1 ? " byte\n" : " bytes\n");
    return Exit::Success;
}

} // namespace Cli
