#include "binaryfile.h"

#include "platform/error.h"
#include "platform/fileerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString displayPath(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("(no file)") : QDir::toNativeSeparators(path);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a file of this type is no ROM or table, or an empty text for a regular file. Opening a
// named pipe waits for a writer, and a device may act on being opened or read without end.
QString typeProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder, not a file.");
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe (FIFO), not a regular file.");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("It is a device, not a regular file.");
    return QStringLiteral("It is not a regular file.");
}

// The type problem of whatever the path names now, following links; none when nothing is there.
QString pathTypeProblem(const QString &path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return typeProblem(info.st_mode);
}

// Writes every byte or reports why not: a short write is retried, so that the one that fails
// leaves the system's reason behind.
bool writeAll(QFileDevice &file, const QByteArray &bytes, QString &reason)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            reason = file.errorString();
            if (reason.isEmpty())
                reason = QStringLiteral("Not every byte reached the file.");
            return false;
        }
        done += written;
    }
    return true;
}

// Whether the written bytes reached the disk as far as the system can tell. A file system that
// cannot sync answers EINVAL, which says nothing about the bytes; a failed write-back (EIO,
// ENOSPC on a file system that allocates late) first shows here.
bool synced(const QFileDevice &file, QString &reason)
{
    if (::fsync(file.handle()) == 0 || errno == EINVAL)
        return true;
    reason = systemReason(errno);
    return false;
}

} // namespace

void BinaryFile::fail(const QString &action, const QString &path, const QString &reason)
{
    // One line, so that orvane-cli prints it after its command's name as a sentence goes on.
    throw FileError(path,
                    QStringLiteral("cannot %1 \"%2\": %3").arg(action, displayPath(path), reason));
}

BinaryFile::BinaryFile(const QString &path, Mode mode)
    : m_path(path)
{
    const QString open = QStringLiteral("open");
    if (path.isEmpty())
        fail(open, path, QStringLiteral("No file is open."));
    QString problem = pathTypeProblem(path);
    if (!problem.isEmpty())
        fail(open, path, problem);
    // Non-blocking, so that a named pipe put in the file's place since the check cannot hold
    // the opening up; the type of what was opened is checked once more.
    const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK
                      | (mode == Mode::Read    ? O_RDONLY
                         : mode == Mode::Write ? O_RDWR
                                               : O_RDWR | O_CREAT);
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
    if (fd < 0)
        fail(open, path, systemReason(errno));
    struct stat info
    {};
    problem = ::fstat(fd, &info) != 0 ? systemReason(errno) : typeProblem(info.st_mode);
    if (problem.isEmpty() && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        problem = systemReason(errno);
    // Writes go straight to the file, so that each one reports whether its bytes got there.
    const QIODevice::OpenMode openMode = mode == Mode::Read
                                             ? QIODevice::ReadOnly
                                             : QIODevice::ReadWrite | QIODevice::Unbuffered;
    if (problem.isEmpty() && !m_file.open(fd, openMode, QFileDevice::AutoCloseHandle))
        problem = m_file.errorString();
    if (!problem.isEmpty()) {
        ::close(fd);
        fail(open, path, problem);
    }
}

qint64 BinaryFile::length() const
{
    return m_file.size();
}

void BinaryFile::seekTo(qint64 position)
{
    if (position < 1)
        fail(QStringLiteral("read"),
             m_path,
             QStringLiteral("Position %1 lies before the first byte.").arg(position));
    if (!m_file.seek(position - 1))
        fail(QStringLiteral("seek in"), m_path, m_file.errorString());
}

qint64 BinaryFile::read(qint64 position, char *out, qint64 n)
{
    if (n <= 0 || position > length())
        return 0;
    seekTo(position);
    qint64 done = 0;
    while (done < n) {
        const qint64 got = m_file.read(out + done, n - done);
        if (got < 0)
            fail(QStringLiteral("read"), m_path, m_file.errorString());
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

QByteArray BinaryFile::get(qint64 position, qint64 n)
{
    QByteArray buffer(n, ' ');
    read(position, buffer.data(), n);
    return buffer;
}

void BinaryFile::put(qint64 position, const QByteArray &bytes)
{
    if (position < 1)
        fail(QStringLiteral("write"),
             m_path,
             QStringLiteral("Position %1 lies before the first byte.").arg(position));
    if (!m_file.seek(position - 1))
        fail(QStringLiteral("seek in"), m_path, m_file.errorString());
    QString reason;
    if (!writeAll(m_file, bytes, reason))
        fail(QStringLiteral("write"), m_path, reason);
}

void BinaryFile::close()
{
    if (!m_file.isOpen())
        return;
    QString reason;
    bool written = m_file.flush();
    if (!written)
        reason = m_file.errorString();
    else if (m_file.isWritable())
        written = synced(m_file, reason);
    m_file.close();
    if (!written)
        fail(QStringLiteral("write"), m_path, reason);
}

void BinaryFile::createIfMissing(const QString &path)
{
    if (!path.isEmpty() && QFileInfo::exists(path))
        return;
    BinaryFile created(path, Mode::Update);
    created.close();
}

void BinaryFile::replaceContents(const QString &path, const QByteArray &bytes)
{
    const QString write = QStringLiteral("write");
    if (path.isEmpty())
        fail(write, path, QStringLiteral("No file is open."));
    const QString problem = pathTypeProblem(path);
    if (!problem.isEmpty())
        fail(write, path, problem);
    // The file that is replaced keeps its owner and mode, as an editor's save keeps them.
    struct stat old
    {};
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile writes small files only in commit(), which ignores a
    // failed final write as it does a failed sync, and renames the short file over the old one.
    // The temporary file lives for one write and one sync.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(write, path, file.errorString());
    QString reason;
    // Only root may give a file away; anyone else's copy is their own, as with any editor. The
    // mode comes after the owner, which clears the set-user and set-group bits.
    if (replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        && ::fchown(file.handle(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
        reason = systemReason(errno);
    }
    if (reason.isEmpty() && replacing && ::fchmod(file.handle(), old.st_mode & 07777) != 0)
        reason = systemReason(errno);
    if (!reason.isEmpty() || !writeAll(file, bytes, reason) || !synced(file, reason)) {
        file.cancelWriting();
        fail(write, path, reason);
    }
    errno = 0;
    if (!file.commit()) {
        // QSaveFile says "Unknown error" when putting the finished file in place fails; the
        // system's reason is still in errno.
        const int error = errno;
        QString why = file.errorString();
        if ((why.isEmpty() || why == QLatin1String("Unknown error")) && error != 0)
            why = systemReason(error);
        fail(write, path, why);
    }
}

QByteArray BinaryFile::readStart(const QString &path, qint64 maxBytes)
{
    BinaryFile file(path, Mode::Read);
    QByteArray bytes(std::min(file.length(), maxBytes), '\0');
    // A file that shrank since its length was taken gives what it still has.
    bytes.truncate(file.read(1, bytes.data(), bytes.size()));
    file.close();
    return bytes;
}

QByteArray BinaryFile::readAll(const QString &path)
{
    return readStart(path, std::numeric_limits<qint64>::max());
}

QByteArray BinaryFile::readAll(const QString &path, qint64 limit, const QString &holder)
{
    BinaryFile file(path, Mode::Read);
    const qint64 length = file.length();
    if (length > limit) {
        throw Error(
            QStringLiteral("Cannot read \"%1\": it holds %2 bytes, and %3 holds at most %4.")
                .arg(displayPath(path))
                .arg(length)
                .arg(holder)
                .arg(limit));
    }
    QByteArray bytes(length, '\0');
    // A file that shrank since its length was taken gives what it still has.
    bytes.truncate(file.read(1, bytes.data(), bytes.size()));
    file.close();
    return bytes;
}
