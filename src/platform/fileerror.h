#pragma once

#include "platform/error.h"

// A file that could not be opened, read or written. The message names the file and the system's
// reason.
class FileError : public Error
{
public:
    FileError(const QString &path, const QString &message)
        : Error(message)
        , m_path(path)
    {}

    // The file that failed, as the caller named it.
    [[nodiscard]] const QString &path() const { return m_path; }

private:
    QString m_path;
};
