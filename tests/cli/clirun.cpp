#include "clirun.h"

#include <QProcess>

CliRun CliRun::run(const QStringList &arguments, const QString &program)
{
    return run(arguments, [&](QProcess &process) { process.setProgram(program); });
}

CliRun CliRun::run(const QStringList &arguments, const std::function<void(QProcess &)> &prepare)
{
    QProcess process;
    process.setProgram(QStringLiteral(ORVANE_CLI));
    process.setArguments(arguments);
    prepare(process);
    process.start();
    CliRun result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
