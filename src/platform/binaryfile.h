#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Binary access to one file by 1-based byte position, as the ROM and the table are addressed.
// Only regular files are opened: a named pipe, a device or a folder is refused before anything
// can block on it. Every write is checked to the last byte and every failure is thrown as
// FileError; the file is closed when the object goes away.
class BinaryFile
{
public:
    enum class Mode {
        Read,   // an existing file, read only
        Write,  // an existing file, read and write; a missing file is an error, never created
        Update, // read and write; a missing file is created, empty
    };

    BinaryFile(const QString &path, Mode mode);
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;

    [[nodiscard]] qint64 length() const;

    // n bytes from position p; positions at or beyond the end read as spaces.
    [[nodiscard]] QByteArray get(qint64 position, qint64 n);
    // Reads up to n bytes from position p into out, returning how many the file had there.
    qint64 read(qint64 position, char *out, qint64 n);
    // Writes bytes at position p; writing beyond the end extends the file.
    void put(qint64 position, const QByteArray &bytes);

    // Closes, syncing a file opened for update and reporting a failed write; the destructor
    // closes silently.
    void close();

    // Creates an empty file at path unless one is there already.
    static void createIfMissing(const QString &path);
    // Replaces the file at path with bytes in one step, once every byte has been written and
    // synced; the old file survives any failure unchanged.
    static void replaceContents(const QString &path, const QByteArray &bytes);
    // The first maxBytes bytes of the file, or all of a shorter one.
    [[nodiscard]] static QByteArray readStart(const QString &path, qint64 maxBytes);
    [[nodiscard]] static QByteArray readAll(const QString &path);
    // The whole file, refused up front with an Error naming its size and the limit when it holds
    // more than limit bytes; holder names what holds at most that many ("a SNES ROM").
    [[nodiscard]] static QByteArray readAll(const QString &path,
                                            qint64 limit,
                                            const QString &holder);

    [[noreturn]] static void fail(const QString &action, const QString &path, const QString &reason);

private:
    void seekTo(qint64 position);

    QString m_path;
    QFile m_file;
};
