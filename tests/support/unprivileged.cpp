#include "unprivileged.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace Unprivileged {

bool isRoot()
{
    return ::geteuid() == 0;
}

QString copyForEveryone(const QString &folder, const QString &program)
{
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                        | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                        | QFile::ExeOther;
    const QString copy = folder + QLatin1Char('/') + QFileInfo(program).fileName();
    if (!QFile::copy(program, copy) || !QFile::setPermissions(folder, everyone)
        || !QFile::setPermissions(copy, everyone)) {
        return QString();
    }
    return copy;
}

Outcome runAsNobody(const char *testFunction, const char *dataTag)
{
    Outcome outcome;
    const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"),
                                                           {QStringLiteral("/usr/sbin"),
                                                            QStringLiteral("/sbin"),
                                                            QStringLiteral("/usr/bin")});
    if (runuser.isEmpty())
        return outcome;
    QString selection = QString::fromLatin1(testFunction);
    if (dataTag && *dataTag)
        selection += QLatin1Char(':') + QString::fromLatin1(dataTag);

    // nobody may not reach the binary where it was built (a clone in root's home or in a folder
    // of mode 0700), so it runs a copy in a fresh folder that everyone may enter, removed after.
    QTemporaryDir folder(QStringLiteral("/tmp/orvane-nobody-XXXXXX"));
    const QString binary = folder.isValid()
                               ? copyForEveryone(folder.path(),
                                                 QCoreApplication::applicationFilePath())
                               : QString();
    if (binary.isEmpty()) {
        outcome.started = true;
        outcome.output = QStringLiteral("cannot copy the test binary into %1").arg(folder.path());
        return outcome;
    }

    QProcess copy;
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.setWorkingDirectory(folder.path());
    // nobody can use neither root's runtime folder nor a private temporary folder.
    copy.start(runuser,
               {QStringLiteral("-u"),
                QStringLiteral("nobody"),
                QStringLiteral("--"),
                QStringLiteral("env"),
                QStringLiteral("-u"),
                QStringLiteral("XDG_RUNTIME_DIR"),
                QStringLiteral("TMPDIR=/tmp"),
                QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                binary,
                selection});
    if (!copy.waitForStarted() || !copy.waitForFinished(120000))
        return outcome;
    outcome.output = QString::fromLocal8Bit(copy.readAll());
    // runuser itself fails with 1 and a message when it may not switch users.
    if (copy.exitStatus() != QProcess::NormalExit
        || outcome.output.startsWith(QLatin1String("runuser:"))) {
        return outcome;
    }
    outcome.started = true;
    const QRegularExpression passLine(QStringLiteral("^PASS   : \\w+::%1\\(")
                                          .arg(QRegularExpression::escape(
                                              QString::fromLatin1(testFunction))),
                                      QRegularExpression::MultilineOption);
    outcome.passed = copy.exitCode() == 0 && passLine.match(outcome.output).hasMatch();
    return outcome;
}

} // namespace Unprivileged
