#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// Runs the real orvane-cli with arguments and collects what it printed and its exit status.
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;

    // program is the executable to start: the build's orvane-cli unless a test names a copy.
    [[nodiscard]] static CliRun run(const QStringList &arguments,
                                    const QString &program = QStringLiteral(ORVANE_CLI));
    // The same, with the process set up by prepare before it starts (its output sent to a file,
    // a limit set in the child).
    [[nodiscard]] static CliRun run(const QStringList &arguments,
                                    const std::function<void(QProcess &)> &prepare);
};
