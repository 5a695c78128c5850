#include "clirun.h"

#include <QProcess>

CliRun CliRun::run(const QStringList &arguments, const QString &program)
{
    QProcess process;
    process.start(program, arguments);
    CliRun result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
