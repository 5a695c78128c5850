#include "startoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The parser names the program by the path it was started from, or by a placeholder before the
// application object exists; help is read as the command a user types.
QString usageNamed(QString help)
{
    help.replace(0,
                 help.indexOf(QLatin1Char('\n')),
                 QStringLiteral("Usage: orvane [options] [ROM]"));
    return help;
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Broken by hand to fit 80 columns: the parser prints the description as it is given.
    parser.setApplicationDescription(
        QStringLiteral("Reads, searches and patches SNES ROM images through their translation\n"
                       "tables. A ROM's table is the file beside it whose name ends in \"kel\"\n"
                       "in place of the ROM's last three characters."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOptions({help, version});
    parser.addPositionalArgument(QStringLiteral("ROM"),
                                 QStringLiteral("The ROM to open, as File > Open opens it."),
                                 QStringLiteral("[ROM]"));

    StartOptions options;
    if (!parser.parse(arguments)) {
        options.action = Action::Fail;
        options.text = parser.errorText() + QLatin1Char('\n') + usageNamed(parser.helpText());
        return options;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        options.action = Action::Print;
        options.text = parser.isSet(help)
                           ? usageNamed(parser.helpText())
                           : QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                           QCoreApplication::applicationVersion());
        return options;
    }
    const QStringList roms = parser.positionalArguments();
    if (roms.size() > 1) {
        options.action = Action::Fail;
        options.text = QStringLiteral("Only one ROM can be opened; %1 were given.\n%2")
                           .arg(roms.size())
                           .arg(usageNamed(parser.helpText()));
        return options;
    }
    // The open dialog hands over whole paths; the table beside the ROM is found the same way.
    if (!roms.isEmpty())
        options.rom = QFileInfo(roms.first()).absoluteFilePath();
    return options;
}
