#include "binaryfile.h"

#include "fileerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString displayPath(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("(no file)") : QDir::toNativeSeparators(path);
}

} // namespace

void BinaryFile::fail(const QString &action, const QString &path, const QString &reason)
{
    throw FileError(path,
                    QStringLiteral("Cannot %1 \"%2\":\n%3").arg(action, displayPath(path), reason));
}

BinaryFile::BinaryFile(const QString &path, Mode mode)
    : m_path(path)
    , m_file(path)
{
    if (path.isEmpty())
        fail(QStringLiteral("open"), path, QStringLiteral("No file is open."));
    if (QFileInfo(path).isDir())
        fail(QStringLiteral("open"), path, QStringLiteral("It is a folder, not a file."));
    QIODevice::OpenMode openMode = QIODevice::ReadWrite;
    if (mode == Mode::Read)
        openMode = QIODevice::ReadOnly;
    else if (mode == Mode::Write)
        openMode |= QIODevice::ExistingOnly;
    if (!m_file.open(openMode))
        fail(QStringLiteral("open"), path, m_file.errorString());
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
    if (!m_file.seek(position - 1) || m_file.write(bytes) != bytes.size())
        fail(QStringLiteral("write"), m_path, m_file.errorString());
}

void BinaryFile::close()
{
    if (!m_file.isOpen())
        return;
    const bool flushed = m_file.flush();
    const QString reason = m_file.errorString();
    m_file.close();
    if (!flushed)
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
    if (path.isEmpty())
        fail(QStringLiteral("write"), path, QStringLiteral("No file is open."));
    if (QFileInfo(path).isDir())
        fail(QStringLiteral("write"), path, QStringLiteral("It is a folder, not a file."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("write"), path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(QStringLiteral("write"), path, reason);
    }
    if (!file.commit())
        fail(QStringLiteral("write"), path, file.errorString());
}

QByteArray BinaryFile::readAll(const QString &path)
{
    BinaryFile file(path, Mode::Read);
    QByteArray bytes = file.get(1, file.length());
    file.close();
    return bytes;
}
