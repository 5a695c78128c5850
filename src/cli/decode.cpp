#include "cli/commands.h"

#include "document/texttable.h"

namespace Cli {

namespace {

// Bytes typed in hex, two digits a byte, in either case, with spaces between bytes or none.
QByteArray hexBytes(const QString &typed)
{
    QString digits = typed;
    digits.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    // fromHex skips what is no digit: the bytes are the input only when they give it back.
    const QByteArray latin1 = digits.toLatin1();
    QByteArray bytes = QByteArray::fromHex(latin1);
    if (bytes.toHex() != latin1.toLower()) {
        throw UsageError(
            QStringLiteral("HEX \"%1\" is not bytes in hex, two digits a byte.").arg(typed));
    }
    return bytes;
}

} // namespace

Exit decodeCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the text that bytes read as through the table: at each point the longest key "
        "they start with; a byte that no key covers reads as \"<$XX>\"."));
    const QCommandLineOption table = tableOption();
    const QCommandLineOption strict = strictTableOption();
    parser.addOptions({table, strict});
    if (!parse(parser,
               arguments,
               {{"HEX", "The bytes, two hex digits each, such as \"81 40 10\" or \"814010\"."}}))
        return Exit::Success;
    if (!parser.isSet(table))
        throw UsageError(QStringLiteral("needs --table FILE."));

    const QByteArray bytes = hexBytes(parser.positionalArguments().at(0));
    const TextTable codec = tableFor({}, parser.value(table), parser.isSet(strict));
    out() << codec.decode(bytes) << '\n';
    return Exit::Success;
}

} // namespace Cli
