#pragma once

#include <QString>
#include <QStringList>

// Runs the real orvane-cli with arguments and collects what it printed and its exit status.
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;

    // program is the executable to start: the build's orvane-cli unless a test names a copy.
    [[nodiscard]] static CliRun run(const QStringList &arguments,
                                    const QString &program = QStringLiteral(ORVANE_CLI));
};
