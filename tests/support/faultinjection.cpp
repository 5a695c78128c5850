#include "faultinjection.h"

#include "support/unprivileged.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The output of a system command that fails; empty when it works.
QString failureOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0) {
        return {};
    }
    return program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()).trimmed();
}

} // namespace

FullDisk::FullDisk()
    : m_whyNot(QStringLiteral("mounting a small tmpfs needs root"))
{
    if (Unprivileged::isRoot()) {
        m_whyNot = failureOf(QStringLiteral("mount"),
                             {QStringLiteral("-t"),
                              QStringLiteral("tmpfs"),
                              QStringLiteral("-o"),
                              QStringLiteral("size=16k"),
                              QStringLiteral("orvane-test"),
                              m_folder.path()});
    }
}

FullDisk::~FullDisk()
{
    if (mounted() && !failureOf(QStringLiteral("umount"), {m_folder.path()}).isEmpty())
        qWarning("could not unmount the test tmpfs at %s", qPrintable(m_folder.path()));
}

void FullDisk::fill() const
{
    QFile filler(path(QStringLiteral("filler")));
    const QByteArray block(4096, 'f');
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        qFatal("cannot make the filler of the full disk");
    while (filler.write(block) == block.size()) {
    }
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
    : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit lowered = m_old;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0)
        qFatal("cannot limit the file size");
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

HeldPipe::HeldPipe(const QString &path)
    : m_path(path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkfifo(name.constData(), 0600) == 0)
        m_fd = ::open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

HeldPipe::~HeldPipe()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HeldPipe::stillThere() const
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(m_path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}
