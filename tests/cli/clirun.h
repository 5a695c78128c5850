#pragma once

#include <QString>
#include <QStringList>

// Runs the real orvane-cli with arguments and collects what it printed and its exit status.
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;

    [[nodiscard]] static CliRun run(const QStringList &arguments);
};
