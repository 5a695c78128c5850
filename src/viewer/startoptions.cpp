#include "startoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

StartOptions StartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, searches and patches SNES ROM images through their translation "
                       "tables. A ROM's table is the file beside it whose name ends in \"kel\" "
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
        options.text = parser.errorText() + QLatin1Char('\n') + parser.helpText();
        return options;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        options.action = Action::Print;
        options.text = parser.isSet(help)
                           ? parser.helpText()
                           : QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                           QCoreApplication::applicationVersion());
        return options;
    }
    const QStringList roms = parser.positionalArguments();
    if (roms.size() > 1) {
        options.action = Action::Fail;
        options.text = QStringLiteral("Only one ROM can be opened; %1 were given.\n%2")
                           .arg(roms.size())
                           .arg(parser.helpText());
        return options;
    }
    // The open dialog hands over whole paths; the table beside the ROM is found the same way.
    if (!roms.isEmpty())
        options.rom = QFileInfo(roms.first()).absoluteFilePath();
    return options;
}
