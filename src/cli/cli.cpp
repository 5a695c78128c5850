#include "cli.h"

#include "document/keltable.h"
#include "document/keltablefile.h"
#include "document/tblfile.h"
#include "document/texttable.h"
#include "platform/convert.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace Cli {

namespace {

const QString Program = QStringLiteral("orvane-cli");

// Help is read in a terminal of 80 columns; QCommandLineParser wraps the options' descriptions
// but prints the others as given.
constexpr qsizetype HelpWidth = 80;

// text broken at spaces into lines of at most width columns; line breaks in text are kept.
QString wrapped(const QString &text, qsizetype width)
{
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
                lines.append(line);
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

QString commandPath(const QStringList &arguments)
{
    return arguments.isEmpty() ? Program : arguments.first();
}

void printCommands(QTextStream &stream, const QString &path, const std::vector<Command> &commands)
{
    stream << "Usage: " << path << " COMMAND [options] [arguments]\n\nCommands:\n";
    qsizetype width = 0;
    for (const Command &command : commands)
        width = std::max(width, command.name.size());
    // Commands and options share one column, wide enough for "-h, --help".
    const qsizetype pad = std::max<qsizetype>(width, 10) + 2;
    const QString hanging(pad + 2, QLatin1Char(' '));
    for (const Command &command : commands) {
        const QString summary = wrapped(command.summary, HelpWidth - hanging.size());
        stream << "  " << command.name.leftJustified(pad)
               << QString(summary).replace(QLatin1Char('\n'), QLatin1Char('\n') + hanging) << '\n';
    }
    stream << "\nOptions:\n  " << QStringLiteral("-h, --help").leftJustified(pad)
           << "Shows this help.\n";
    if (path == Program)
        stream << "  " << QStringLiteral("--version").leftJustified(pad) << "Shows the version.\n";
    stream << '\n'
           << wrapped(QStringLiteral("Run '%1 COMMAND --help' for a command's options.").arg(path),
                      HelpWidth)
           << '\n';
}

} // namespace

QTextStream &out()
{
    // Unbuffered below the stream's own buffer, so that a write the system refuses fails at
    // once with its reason, and not later in a C library buffer that nobody checks.
    struct StandardOutput
    {
        StandardOutput()
        {
            file.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
            stream.setEncoding(QStringConverter::Utf8);
        }
        QFile file;
        QTextStream stream{&file};
    };
    static StandardOutput output;
    return output.stream;
}

void flushOutput()
{
    QTextStream &stream = out();
    stream.flush();
    if (stream.status() != QTextStream::Ok) {
        const QString reason = stream.device() ? stream.device()->errorString() : QString();
        throw Error(
            QStringLiteral("cannot write the output: %1")
                .arg(reason.isEmpty() ? QStringLiteral("not every byte was written") : reason));
    }
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    stream.setEncoding(QStringConverter::Utf8);
    return stream;
}

Exit dispatch(const QStringList &arguments, const std::vector<Command> &commands)
{
    const QString path = commandPath(arguments);
    const QString name = arguments.value(1);
    const auto command = std::find_if(commands.begin(), commands.end(), [&](const Command &c) {
        return c.name == name;
    });
    const QString subPath = command == commands.end() ? path : path + QLatin1Char(' ') + name;
    try {
        Exit status = Exit::Success;
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            printCommands(out(), path, commands);
        } else if (name == QLatin1String("--version") && path == Program) {
            out() << Program << ' ' << QCoreApplication::applicationVersion() << '\n';
        } else if (command == commands.end()) {
            if (name.isEmpty())
                err() << path << ": a command is needed.\n";
            else
                err() << path << ": '" << name << "' is not a command.\n";
            printCommands(err(), path, commands);
            status = Exit::Failure;
        } else {
            status = command->run(QStringList{subPath} + arguments.mid(2));
        }
        // A result that did not reach its reader is a failure like any other.
        flushOutput();
        err().flush();
        return status;
    } catch (const Error &error) {
        err() << subPath << ": " << error.message() << '\n';
        if (dynamic_cast<const UsageError *>(&error))
            err() << "Run '" << subPath << " --help' for its usage.\n";
    } catch (const std::bad_alloc &) {
        err() << subPath << ": There is not enough memory for this command.\n";
    }
    err().flush();
    return Exit::Failure;
}

bool parse(QCommandLineParser &parser,
           const QStringList &arguments,
           std::initializer_list<Argument> positional,
           int optional,
           const QString &syntax)
{
    QStringList names;
    for (const Argument &argument : positional) {
        const QString name = QString::fromLatin1(argument.name);
        parser.addPositionalArgument(name, QString::fromLatin1(argument.description));
        names.append(names.size() < qsizetype(positional.size()) - optional
                         ? name
                         : QLatin1Char('[') + name + QLatin1Char(']'));
    }
    const QString usage = syntax.isEmpty() ? names.join(QLatin1Char(' ')) : syntax;
    const auto required = static_cast<qsizetype>(positional.size()) - optional;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText());
    if (parser.isSet(help)) {
        parser.setApplicationDescription(wrapped(parser.applicationDescription(), HelpWidth));
        // The usage line names the subcommand, not only the program.
        QString text = parser.helpText();
        const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
        text.replace(0,
                     lineEnd,
                     QStringLiteral("Usage: %1 [options] %2").arg(commandPath(arguments), usage));
        out() << text;
        return false;
    }
    const qsizetype count = parser.positionalArguments().size();
    // A last argument named "NAME..." takes any number of arguments after the others.
    const bool variadic = positional.size() != 0
                          && QByteArray((positional.end() - 1)->name).endsWith("...");
    if (count < required || (count > required + optional && !variadic)) {
        throw UsageError(count < required ? QStringLiteral("expects %1").arg(usage)
                                          : QStringLiteral("takes only %1").arg(usage));
    }
    return true;
}

qint64 parseOffset(const QString &text, const QString &what)
{
    const QString trimmed = text.trimmed();
    auto bad = [&](const QString &why) {
        return UsageError(QStringLiteral("%1 \"%2\" %3").arg(what, text, why));
    };
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qint64 value = trimmed.mid(2).toLongLong(&ok, 16);
        if (!ok || value < 0 || trimmed.mid(2).startsWith(QLatin1Char('+'))
            || trimmed.mid(2).startsWith(QLatin1Char('-'))) {
            throw bad(QStringLiteral("is no hexadecimal number."));
        }
        return value;
    }
    // Go To reads a number from the start of the text and ignores the rest; here the rest must
    // be part of it, so that a typing error is reported rather than read as 0.
    static const QRegularExpression number(
        QStringLiteral("^(?:&[Hh][0-9A-Fa-f]+|&[Oo][0-7]+|[+-]?(?:\\d+\\.?\\d*|\\.\\d+)"
                       "(?:[EeDd][+-]?\\d+)?)$"));
    QString compact = trimmed;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    if (!number.match(compact).hasMatch())
        throw bad(QStringLiteral("is no number."));
    const double value = Convert::Val(compact);
    if (value < 0)
        throw bad(QStringLiteral("is negative."));
    if (!std::isfinite(value) || value > 9.0e18)
        throw bad(QStringLiteral("is too large."));
    // A fraction names a byte as a position does: to the nearest, halves to the even one.
    return static_cast<qint64>(Convert::roundHalfEven(value));
}

QString offsetText(qint64 offset)
{
    return QStringLiteral("%1 (0x%2)").arg(offset).arg(QString::number(offset, 16).toUpper());
}

QCommandLineOption tableOption()
{
    return {QStringLiteral("table"),
            QStringLiteral("The table to spell with (.kel or .tbl)."),
            QStringLiteral("FILE")};
}

QCommandLineOption strictTableOption()
{
    return {QStringLiteral("strict"),
            QStringLiteral("Fails when a line of the .tbl would be left out.")};
}

TextTable tableFor(const QString &romPath, const QString &tableOption, bool strict)
{
    if (TblFile::isTblPath(tableOption)) {
        const TextTable::Parsed parsed = TextTable::read(tableOption);
        for (const TextTable::Warning &warning : parsed.warnings) {
            const QString where = QStringLiteral("%1:%2: ").arg(tableOption).arg(warning.line);
            if (strict)
                throw Error(where + warning.what + QStringLiteral(" (--strict)"));
            err() << "warning: " << where << warning.what << '\n';
        }
        return parsed.table;
    }
    KelTable table;
    if (!tableOption.isEmpty()) {
        ReadTable(table, tableOption);
        return TextTable::fromKel(table);
    }
    const QString beside = tablePathFor(romPath);
    // An empty table would spell nothing, and every search would then fail for another reason.
    if (!QFileInfo::exists(beside)) {
        throw Error(QStringLiteral("no table was found for \"%1\": there is no \"%2\" beside it. "
                                   "--table FILE names one.")
                        .arg(romPath, beside));
    }
    ReadTable(table, beside);
    return TextTable::fromKel(table);
}

void refuseToOverwrite(const QString &output, const QStringList &inputs)
{
    const QFileInfo target(output);
    if (!target.exists())
        return;
    for (const QString &input : inputs) {
        const QFileInfo source(input);
        if (source.exists() && source.canonicalFilePath() == target.canonicalFilePath()) {
            throw UsageError(
                QStringLiteral("will not write \"%1\": it is an input, \"%2\".").arg(output, input));
        }
    }
}

void requireSuffix(const QString &output, const QStringList &suffixes)
{
    for (const QString &suffix : suffixes) {
        if (output.endsWith(suffix, Qt::CaseInsensitive))
            return;
    }
    throw UsageError(QStringLiteral("will not write \"%1\": a table written here ends in %2.")
                         .arg(output, suffixes.join(QStringLiteral(" or "))));
}

} // namespace Cli
