#pragma once

#include <QString>

#include <stdexcept>

// The one family of failures the core reports: a file that cannot be read or written, bytes a
// format cannot accept, a request that cannot be carried out. Each carries one message, ready to
// be shown as it is; a front end catches Error at one place and shows or prints that message.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    [[nodiscard]] const QString &message() const { return m_message; }

private:
    QString m_message;
};
