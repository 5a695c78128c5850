#pragma once

#include <QString>

#include <stdexcept>

// The one failure the file layer reports: a file that could not be opened, read or written.
// The message names the file and the system's reason, ready to be shown to the user as it is.
class FileError : public std::runtime_error
{
public:
    FileError(const QString &path, const QString &message)
        : std::runtime_error(message.toStdString())
        , m_path(path)
        , m_message(message)
    {}

    // The file that failed, as the caller named it.
    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] const QString &message() const { return m_message; }

private:
    QString m_path;
    QString m_message;
};
