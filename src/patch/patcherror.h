#pragma once

#include <QString>

#include <stdexcept>

// Bytes that a patch or ROM operation cannot accept: a patch that is damaged, cut short or not
// of its format, a source it was not made for, a target the format cannot describe. The message
// says what and where, ready to be shown as it is.
class PatchError : public std::runtime_error
{
public:
    explicit PatchError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    [[nodiscard]] const QString &message() const { return m_message; }

    // A 0-based offset as messages print it: "1076 (0x434)".
    [[nodiscard]] static QString offset(qint64 offset)
    {
        return QStringLiteral("%1 (0x%2)").arg(offset).arg(QString::number(offset, 16).toUpper());
    }

private:
    QString m_message;
};
