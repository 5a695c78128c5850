#include "viewer/frmorvane.h"
#include "viewer/startoptions.h"

#include <QApplication>
#include <QProcessEnvironment>

#include <cstdio>

namespace {

// The window's toolkit aborts when it finds no display; a platform named in the environment or
// on the command line (-platform offscreen) is one, and so is an X or Wayland display.
bool displayNamed(const QStringList &arguments)
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!environment.value(QString::fromLatin1(name)).isEmpty())
            return true;
    }
    return arguments.contains(QStringLiteral("-platform"))
           || arguments.contains(QStringLiteral("--platform"));
}

int answer(const StartOptions &options)
{
    const bool failed = options.action == StartOptions::Action::Fail;
    std::fputs(options.text.toLocal8Bit().constData(), failed ? stderr : stdout);
    return failed ? 2 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));

    // Help and the version are answered before the toolkit starts, so that they need no display.
    // Anything else is parsed again below, once the toolkit has taken its own options away.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw.append(QString::fromLocal8Bit(argv[i]));
    const StartOptions early = StartOptions::parse(raw);
    if (early.action == StartOptions::Action::Print)
        return answer(early);
    if (!displayNamed(raw)) {
        if (early.action == StartOptions::Action::Fail)
            return answer(early);
        std::fputs("orvane: no display was found (DISPLAY and WAYLAND_DISPLAY are unset).\n"
                   "The window needs one; 'orvane --help' and orvane-cli work without.\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    const StartOptions options = StartOptions::parse(QApplication::arguments());
    if (options.action != StartOptions::Action::Start)
        return answer(options);
    frmOrvane window;
    window.show();
    if (!options.rom.isEmpty())
        window.openRom(options.rom);
    return QApplication::exec();
}
