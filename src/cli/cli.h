#pragma once

#include "document/texttable.h"
#include "platform/error.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

// What every subcommand of orvane-cli shares: its exit codes, how it parses its arguments and
// reads numbers, where its output goes, and how it finds a ROM's table.
namespace Cli {

enum class Exit : int {
    Success = 0,
    NotFound = 1, // ran, but found nothing
    Failure = 2,  // a usage error or a file error; nothing was written
};

// Wrong arguments or options: reported with a hint to --help, and the exit status 2.
class UsageError : public Error
{
public:
    using Error::Error;
};

// Standard output and standard error, as UTF-8 text.
QTextStream &out();
QTextStream &err();
// Writes out what standard output holds; throws Error with the system's reason when not every
// byte got there. dispatch calls it last; a command printing a lot calls it as it goes.
void flushOutput();

// A subcommand takes its own arguments, its name path first ("orvane-cli ips create").
using Run = std::function<Exit(const QStringList &arguments)>;

struct Command
{
    QString name;
    QString summary;
    Run run;
};

// Runs the command that arguments[1] names, with arguments[0] and that name as its first
// argument; lists the commands for --help or none. Every failure of the command, and a memory
// shortage, is reported here, once, on stderr, and gives Exit::Failure.
Exit dispatch(const QStringList &arguments, const std::vector<Command> &commands);

// A positional argument of a subcommand, for its help.
struct Argument
{
    const char *name;
    const char *description;
};

// Declares a subcommand's positional arguments, the last optional of them optional (a last one
// named "NAME..." may come any number of times), and parses
// its arguments. The usage line names them, or gives syntax when it is not empty. Returns false
// when --help was asked for and has been printed. Throws UsageError.
bool parse(QCommandLineParser &parser,
           const QStringList &arguments,
           std::initializer_list<Argument> positional,
           int optional = 0,
           const QString &syntax = {});

// A byte offset or a count as the window's Go To reads it (decimal, "&H" hex, "&O" octal) or
// with a "0x" prefix; the whole text must be a number, and not negative. Throws UsageError
// naming what.
[[nodiscard]] qint64 parseOffset(const QString &text, const QString &what);

// A 0-based offset as printed: decimal and hex, "1076 (0x434)".
[[nodiscard]] QString offsetText(qint64 offset);

// --table FILE, the option of every subcommand that spells through a table.
[[nodiscard]] QCommandLineOption tableOption();
// --strict, beside --table: a line of a .tbl that is left out is an error, not a warning.
[[nodiscard]] QCommandLineOption strictTableOption();

// The table of a ROM: the file --table names, a .kel or a .tbl, else the .kel beside the ROM by
// the window's rule. A missing .kel beside the ROM is an Error naming the path looked for; it is
// not created, since a reader never writes. Each line of a .tbl that is left out is a warning
// on stderr, or with strict the command's failure.
[[nodiscard]] TextTable tableFor(const QString &romPath, const QString &tableOption, bool strict);

// Refuses, with a UsageError, an output path that names the same file as one of the inputs.
void refuseToOverwrite(const QString &output, const QStringList &inputs);

// Refuses, with a UsageError, a table to be written whose name does not end in one of the
// suffixes, so that a slip of the arguments cannot replace a ROM with a table.
void requireSuffix(const QString &output, const QStringList &suffixes);

} // namespace Cli
