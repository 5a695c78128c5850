#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// The translation of every byte value 0 to 255 into a short 8-bit text, both ways: bytes spelled
// as text and text spelled as bytes; and the layout in which a table file stores entries 1 to 255,
// each entry's bytes followed by a carriage return.
class KelTable
{
public:
    static constexpr int Size = 256;
    static constexpr int RecordCount = 255;
    static constexpr char Terminator = '\r';
    // Byte value 0 has no record; every load gives it the yen sign.
    static constexpr char EntryZero = '\xA5';
    // The largest table file the writer produces.
    static constexpr qsizetype MaxFileSize = 32767;
    // The most of a table file that is read: twice what the writer produces, and little enough
    // that an entry shown 16 times in a row stays quick to build.
    static constexpr qsizetype MaxReadSize = 65536;

    [[nodiscard]] const QByteArray &entry(int byteValue) const { return m_entries.at(byteValue); }
    void setEntry(int byteValue, const QByteArray &text) { m_entries.at(byteValue) = text; }

    // The translations of the bytes joined.
    [[nodiscard]] QByteArray decode(QByteArrayView bytes) const;
    // Text spelled as bytes, greedily: the longest prefix some translation equals exactly, the
    // highest byte value among equal ones, up to the first point where no translation matches.
    // Empty translations spell nothing.
    struct Encoded
    {
        QByteArray bytes;
        qsizetype consumed = 0; // the characters of the text that the bytes spell
    };
    [[nodiscard]] Encoded encode(QByteArrayView text) const;

    // Overwrites entry k with record k of the file's bytes (k = 1 to 255) and sets entry 0;
    // entries the bytes supply no record for keep their text. A last record without its
    // terminator is an entry all the same; records beyond the 255th are ignored.
    void readRecords(const QByteArray &fileBytes);
    // Entries 1 to 255 as the file stores them.
    [[nodiscard]] QByteArray records() const;
    // The size records() would have.
    [[nodiscard]] qsizetype recordsSize() const;

    friend bool operator==(const KelTable &a, const KelTable &b)
    {
        return a.m_entries == b.m_entries;
    }

private:
    std::array<QByteArray, Size> m_entries;
};
