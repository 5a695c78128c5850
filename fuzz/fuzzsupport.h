#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <unistd.h>

// What the fuzz targets share: a check that stops the fuzzer where a property fails, and a
// scratch ROM file for targets that search a file.
namespace FuzzSupport {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// One scratch ROM per fuzzing process, rewritten for every input and removed at exit.
class ScratchRom
{
public:
    explicit ScratchRom(const char *target)
        : m_path(QDir::tempPath()
                 + QStringLiteral("/orvane-fuzz-%1-%2.smc").arg(QLatin1String(target)).arg(getpid()))
    {}
    ~ScratchRom() { QFile::remove(m_path); }
    ScratchRom(const ScratchRom &) = delete;
    ScratchRom &operator=(const ScratchRom &) = delete;

    [[nodiscard]] const QString &path() const { return m_path; }

private:
    QString m_path;
};

} // namespace FuzzSupport
