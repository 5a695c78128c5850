#include "tempfiles.h"

#include <QFile>

TempFiles::TempFiles() = default;

QString TempFiles::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString TempFiles::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(path(name)));
    return path(name);
}

QByteArray TempFiles::read(const QString &name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray TempFiles::pattern(qsizetype count, int step, int offset)
{
    QByteArray bytes(count, '\0');
    for (qsizetype k = 0; k < count; ++k)
        bytes[k] = static_cast<char>((k * step + offset) & 0xFF);
    return bytes;
}
