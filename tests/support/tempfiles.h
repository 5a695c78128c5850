#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A scratch folder for one test, with helpers to make and read the files a test works on.
class TempFiles
{
public:
    TempFiles();

    [[nodiscard]] QString path(const QString &name) const;
    QString write(const QString &name, const QByteArray &bytes) const;
    [[nodiscard]] QByteArray read(const QString &name) const;

    // count bytes where byte k holds (k * step + offset) mod 256, a pattern every test can check.
    [[nodiscard]] static QByteArray pattern(qsizetype count, int step = 1, int offset = 0);

private:
    QTemporaryDir m_dir;
};
