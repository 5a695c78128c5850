#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

// Real failures for the file layer to meet: a full disk, a write the system refuses, and a named
// pipe where a file is expected.

// A 16 KiB tmpfs mounted on a fresh folder, which fill() leaves without a free block. Only root
// may mount one; whyNot() says why there is none.
class FullDisk
{
    Q_DISABLE_COPY(FullDisk)
public:
    FullDisk();
    ~FullDisk();
    [[nodiscard]] bool mounted() const { return m_whyNot.isEmpty(); }
    [[nodiscard]] const QString &whyNot() const { return m_whyNot; }
    [[nodiscard]] QString path(const QString &name) const { return m_folder.filePath(name); }
    void fill() const;

private:
    QTemporaryDir m_folder;
    QString m_whyNot;
};

// While it lives, no file of this process can grow past the limit: such a write fails with
// EFBIG ("File too large") instead of raising SIGXFSZ.
class FileSizeLimit
{
    Q_DISABLE_COPY(FileSizeLimit)
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// A named pipe at path, held open at both ends while this lives: code that opens it cannot block,
// so a test of that code fails instead of hanging.
class HeldPipe
{
    Q_DISABLE_COPY(HeldPipe)
public:
    explicit HeldPipe(const QString &path);
    ~HeldPipe();
    [[nodiscard]] bool made() const { return m_fd >= 0; }
    // Whether path still names a named pipe.
    [[nodiscard]] bool stillThere() const;

private:
    QString m_path;
    int m_fd = -1;
};
