#pragma once

#include <QString>
#include <QStringList>

// What the window's command line asks for: a ROM to open at start, or help, the version or a
// usage error to print instead of starting.
struct StartOptions
{
    enum class Action {
        Start, // start the window, opening rom when it is not empty
        Print, // print text to stdout and end with status 0
        Fail,  // print text to stderr and end with status 2
    };

    Action action = Action::Start;
    QString rom;
    QString text;

    // arguments as the application has them after Qt's own options, the program first.
    [[nodiscard]] static StartOptions parse(const QStringList &arguments);
};
