#pragma once

#include <QString>

#include <stdexcept>

// The one failure the file layer reports: a file that could not be opened, read or written.
// The message names the file and the system's reason, ready to be shown to the user as it is.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    [[nodiscard]] const QString &message() const { return m_message; }

private:
    QString m_message;
};
