#pragma once

#include "script/pointerformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// A dumped script: the UTF-8 text a translator edits, and what it records to be inserted back.
// Lines that start with "@" are directives, lines that start with "//" comments; every other
// line is text of the string above it. A line's end is layout only: a string's text is its
// lines joined. In text, "\n" and "\r" stand for a line feed and a carriage return, "\\" for a
// backslash, and a backslash before any other character for that character, so a text line
// that starts with "@" or "//" is written "\@" or "\//".
class Script
{
public:
    struct String
    {
        int number = 0;
        qint64 at = 0;
        qint64 length = 0;
        quint32 crc32 = 0;
        QList<qint64> pointers;
        QStringList lines; // the text laid out; the text itself is lines.join()
        int line = 0;      // where its @string directive stands, for messages

        [[nodiscard]] QString text() const { return lines.join(QString()); }
    };

    QString romName;
    qint64 romSize = 0;
    quint32 romCrc32 = 0;
    QString tablePath;
    QByteArray endCode;
    qint64 fixedLength = 0;
    PointerFormat format;
    QList<String> strings;

    [[nodiscard]] QByteArray toUtf8() const;
    // Reads a script; throws Error naming the line ("name:12: ...") at the first fault.
    [[nodiscard]] static Script parse(QByteArrayView utf8, const QString &name);

    [[nodiscard]] static quint32 crc32(QByteArrayView bytes);
    // One line of text as a script writes it, and back.
    [[nodiscard]] static QString escapeLine(const QString &line);
    [[nodiscard]] static QString unescapeLine(const QString &line);
};
