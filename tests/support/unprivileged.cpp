#include "unprivileged.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace Unprivileged {

bool available()
{
    return geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty();
}

bool isRerun()
{
    return qEnvironmentVariableIsSet("ORVANE_SCRATCH");
}

QString scratch()
{
    return qEnvironmentVariable("ORVANE_SCRATCH");
}

int rerun(const QString &testFunction, const QString &scratchPath)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVANE_SCRATCH"), scratchPath);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("runuser"),
                  {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                   QCoreApplication::applicationFilePath(), testFunction});
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace Unprivileged
