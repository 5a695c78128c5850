#include "viewer/frmorvane.h"
#include "viewer/startoptions.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    const StartOptions options = StartOptions::parse(QApplication::arguments());
    if (options.action != StartOptions::Action::Start) {
        const bool failed = options.action == StartOptions::Action::Fail;
        std::fputs(options.text.toLocal8Bit().constData(), failed ? stderr : stdout);
        return failed ? 2 : 0;
    }
    frmOrvane window;
    window.show();
    if (!options.rom.isEmpty())
        window.openRom(options.rom);
    return QApplication::exec();
}
