#pragma once

#include "platform/error.h"

// Bytes that a patch or ROM operation cannot accept: a patch that is damaged, cut short or not
// of its format, a source it was not made for, a target the format cannot describe. The message
// says what and where.
class PatchError : public Error
{
public:
    using Error::Error;

    // A 0-based offset as messages print it: "1076 (0x434)".
    [[nodiscard]] static QString offset(qint64 offset)
    {
        return QStringLiteral("%1 (0x%2)").arg(offset).arg(QString::number(offset, 16).toUpper());
    }
};
