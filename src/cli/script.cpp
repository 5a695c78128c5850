#include "cli/commands.h"

#include "cli/output.h"
#include "cli/pointeroptions.h"
#include "document/keltablefile.h"
#include "document/texttable.h"
#include "patch/snesrom.h"
#include "platform/binaryfile.h"
#include "script/scriptdump.h"
#include "script/scriptinsert.h"

#include <QDir>
#include <QFileInfo>

#include <list>

namespace Cli {

namespace {

// A script holds a ROM's text a few times over at most; this is many times any ROM's.
constexpr qint64 MaxScriptSize = qint64(256) << 20;

QByteArray readRom(const QString &path)
{
    return BinaryFile::readAll(path, Snes::MaxFileSize, QStringLiteral("a SNES ROM"));
}

// The table path a script records: relative to the script's folder, so that the two can move
// together.
QString recordedPath(const QString &tablePath, const QString &scriptPath)
{
    if (scriptPath.isEmpty())
        return tablePath;
    const QString folder = QFileInfo(scriptPath).absolutePath();
    return QDir(folder).relativeFilePath(QFileInfo(tablePath).absoluteFilePath());
}

QCommandLineOption endOption()
{
    return {QStringLiteral("end"),
            QStringLiteral("The end code of a string, in hex, for a table that has none."),
            QStringLiteral("HEX")};
}

Exit dump(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes every string that the pointer tables lead to as a script: UTF-8 text to "
        "translate, with what 'script insert' needs to put it back. A string runs up to and "
        "including its end token (the table's, or --end), or is --length bytes. --pointers and "
        "--count may be given several times, one table each."));
    const QCommandLineOption pointers(QStringLiteral("pointers"),
                                      QStringLiteral("The offset of a pointer table."),
                                      QStringLiteral("AT"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("The number of pointers in that table."),
                                   QStringLiteral("N"));
    const QCommandLineOption end = endOption();
    const QCommandLineOption length(QStringLiteral("length"),
                                    QStringLiteral("Every string is N bytes long."),
                                    QStringLiteral("N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The script to write (default: standard "
                                                   "output)."),
                                    QStringLiteral("SCRIPT"));
    const QCommandLineOption table = tableOption();
    const QCommandLineOption strict = strictTableOption();
    const PointerOptions pointerOptions;
    parser.addOptions({table, strict, pointers, count, end, length, output});
    pointerOptions.addTo(parser);
    if (!parse(parser, arguments, {{"ROM", "The ROM file."}}))
        return Exit::Success;

    const QString romPath = parser.positionalArguments().at(0);
    ScriptDump::Options options;
    options.format = pointerOptions.format(parser);
    const QStringList tables = parser.values(pointers);
    const QStringList counts = parser.values(count);
    if (tables.isEmpty() || tables.size() != counts.size())
        throw UsageError(QStringLiteral("needs --pointers AT --count N, for each pointer table."));
    for (qsizetype k = 0; k < tables.size(); ++k) {
        const qint64 pointerCount = parseOffset(counts[k], QStringLiteral("--count"));
        if (pointerCount == 0)
            throw UsageError(QStringLiteral("--count is at least 1."));
        options.tables.append({parseOffset(tables[k], QStringLiteral("--pointers")), pointerCount});
    }
    if (parser.isSet(end))
        options.endCode = parseHexCode(parser.value(end), QStringLiteral("--end"), 8);
    if (parser.isSet(length)) {
        options.fixedLength = parseOffset(parser.value(length), QStringLiteral("--length"));
        if (options.fixedLength == 0)
            throw UsageError(QStringLiteral("--length is at least 1."));
    }
    const QString scriptPath = parser.value(output);
    if (parser.isSet(output)) {
        if (scriptPath.isEmpty())
            throw UsageError(QStringLiteral("-o needs a file name."));
        refuseToOverwrite(scriptPath, {romPath, parser.value(table)});
    }

    const QByteArray rom = readRom(romPath);
    const QString tablePath = parser.value(table).isEmpty() ? tablePathFor(romPath)
                                                            : parser.value(table);
    const TextTable textTable = tableFor(romPath, parser.value(table), parser.isSet(strict));
    options.romName = QFileInfo(romPath).fileName();
    options.tablePath = recordedPath(tablePath, scriptPath);
    const Script script = ScriptDump::dump(rom, textTable, options);
    const QByteArray text = script.toUtf8();
    if (scriptPath.isEmpty()) {
        out() << QString::fromUtf8(text);
        return Exit::Success;
    }
    BinaryFile::replaceContents(scriptPath, text);
    qint64 pointerCount = 0;
    for (const Script::String &string : script.strings)
        pointerCount += string.pointers.size();
    err() << "Wrote " << script.strings.size() << " strings, from " << pointerCount
          << " pointers, to \"" << scriptPath << "\".\n";
    return Exit::Success;
}

PointerFormat::Range parseSpace(const QString &text)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() != 2)
        throw UsageError(QStringLiteral("--space \"%1\" is not FROM-TO.").arg(text));
    const PointerFormat::Range range{parseOffset(ends[0], QStringLiteral("--space")),
                                     parseOffset(ends[1], QStringLiteral("--space"))};
    if (range.isEmpty())
        throw UsageError(QStringLiteral("--space \"%1\" ends before it starts.").arg(text));
    return range;
}

Exit insert(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Puts edited scripts back into the ROM they were dumped from. An unchanged string stays "
        "byte for byte; a changed one is spelled through the table and written in its old place "
        "when it fits, else moved to free space that all its pointers reach, and its pointers "
        "rewritten. Without --table, each script's own table. When any string fails, nothing "
        "is written and every failure is listed."));
    const QCommandLineOption space(QStringLiteral("space"),
                                   QStringLiteral("Free space for moved strings, both ends "
                                                  "included; may be given several times."),
                                   QStringLiteral("FROM-TO"));
    const QCommandLineOption shortest(QStringLiteral("shortest"),
                                      QStringLiteral("Spells with the fewest bytes, not the "
                                                     "longest entry first."));
    const QCommandLineOption fill(QStringLiteral("fill"),
                                  QStringLiteral("Fills what a string leaves of its old place "
                                                 "with this byte, in hex."),
                                  QStringLiteral("HEX"));
    const QCommandLineOption table = tableOption();
    const QCommandLineOption strict = strictTableOption();
    const OutputOptions output;
    parser.addOptions({table, strict, space, shortest, fill});
    output.addTo(parser);
    if (!parse(parser,
               arguments,
               {{"ROM", "The ROM the scripts were dumped from."},
                {"SCRIPT...", "The edited scripts."}}))
        return Exit::Success;

    const QStringList positional = parser.positionalArguments();
    const QString &romPath = positional[0];
    const QString target = output.target(parser, romPath, positional);
    ScriptInsert::Options options;
    for (const QString &range : parser.values(space))
        options.space.append(parseSpace(range));
    if (parser.isSet(shortest))
        options.spelling = TextTable::Spelling::Fewest;
    if (parser.isSet(fill))
        options.fill = parseHexCode(parser.value(fill), QStringLiteral("--fill"), 1).at(0);

    const QByteArray rom = readRom(romPath);
    // A list, so that the tables keep their places while inputs point at them.
    std::list<TextTable> tables;
    if (parser.isSet(table))
        tables.push_back(tableFor(romPath, parser.value(table), parser.isSet(strict)));
    QList<ScriptInsert::Input> inputs;
    for (const QString &scriptPath : positional.mid(1)) {
        ScriptInsert::Input input;
        input.name = QFileInfo(scriptPath).fileName();
        input.script = Script::parse(BinaryFile::readAll(scriptPath,
                                                         MaxScriptSize,
                                                         QStringLiteral("a script")),
                                     scriptPath);
        if (!parser.isSet(table)) {
            const QString recorded = input.script.tablePath;
            const QString path = recorded.isEmpty() || QDir::isAbsolutePath(recorded)
                                     ? recorded
                                     : QFileInfo(scriptPath).dir().filePath(recorded);
            tables.push_back(tableFor(romPath, path, parser.isSet(strict)));
        }
        input.table = &tables.back();
        inputs.append(input);
    }
    const ScriptInsert::Result result = ScriptInsert::insert(rom, inputs, options);
    BinaryFile::replaceContents(target, result.rom);
    const ScriptInsert::Summary &summary = result.summary;
    err() << "Wrote \"" << target << "\": " << summary.unchanged << " strings unchanged, "
          << summary.inPlace << " rewritten in place, " << summary.moved << " moved.\n";
    if (summary.space.isEmpty()) {
        err() << "No free space is left.\n";
        return Exit::Success;
    }
    err() << "Free space left:\n";
    for (const ScriptInsert::BankSpace &bank : summary.space) {
        err() << "  " << (bank.bank.isEmpty() ? QString() : bank.bank + QLatin1Char(' '))
              << offsetText(bank.range.first) << " to " << offsetText(bank.range.last) << ": "
              << bank.free << " bytes\n";
    }
    return Exit::Success;
}

} // namespace

Exit scriptCommand(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("dump"),
                         QStringLiteral("Writes the strings that pointer tables lead to as a "
                                        "script to translate."),
                         dump},
                        {QStringLiteral("insert"),
                         QStringLiteral("Puts edited scripts back, moving strings and their "
                                        "pointers as needed."),
                         insert},
                    });
}

} // namespace Cli
