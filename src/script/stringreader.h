#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <optional>

class TextTable;

// Where a game's string ends and what it reads as: up to and including the first end token as
// the table reads the bytes unit by unit (an end code inside a longer code or a parameter ends
// nothing), or a fixed number of bytes. The text comes in lines, one after each line break, as a
// script lays it out.
class StringReader
{
public:
    // endCode: an end of its own for a table that has none (empty: the table's end tokens
    // only); fixedLength: every string is that many bytes (0: strings end at an end token).
    StringReader(const TextTable &table, QByteArray endCode, qint64 fixedLength);

    // Whether a string can end at all: a fixed length, an end code or an end token in the table.
    [[nodiscard]] bool canEnd() const;
    [[nodiscard]] const TextTable &table() const { return m_table; }
    [[nodiscard]] const QByteArray &endCode() const { return m_endCode; }
    [[nodiscard]] qint64 fixedLength() const { return m_fixedLength; }

    // The length of the string that starts at at, its end included; nothing when the bytes end
    // first.
    [[nodiscard]] std::optional<qint64> lengthAt(QByteArrayView bytes, qint64 at) const;
    // The text of a string's bytes, a new line begun after each line break.
    [[nodiscard]] QStringList lines(QByteArrayView bytes) const;

private:
    const TextTable &m_table;
    QByteArray m_endCode;
    qint64 m_fixedLength = 0;
};
