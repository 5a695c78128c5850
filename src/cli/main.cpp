#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    // Usage lines name the program as a user types it, not by the path it was started from.
    QStringList arguments = QCoreApplication::arguments();
    arguments[0] = QCoreApplication::applicationName();
    return static_cast<int>(Cli::dispatch(arguments, Cli::commands()));
}
