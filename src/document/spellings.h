#pragma once

#include "document/texttable.h"
#include "platform/filesearch.h"

#include <QHash>
#include <QString>

#include <array>
#include <vector>

class BinaryFile;

// Finds every run of bytes that a table spells as one text, whichever entries spell it: "the"
// stored as "t" + "he" as well as "th" + "e", a kana as its one-byte code or a two-byte one. A
// run spells the text when it splits into keys, of any lengths, whose texts joined are the
// text; an entry with an empty text spells nothing and breaks a run, and a linked entry that
// takes parameters takes no part.
//
// Each chunk of the ROM is read backwards through a set of states, the lengths of the text's
// suffixes that runs starting at the current byte spell, kept as a bit set: a key of k bytes
// at t moves each state i of t + k to i + its text's length where its text comes just before
// that suffix (a mask and a shift per entry, fixed before the scan). A run starts at t exactly
// when the whole text is among the states of t, so each start is found once, in whatever way
// its runs split. A run of a text of n characters takes at most n * K bytes, K the longest key
// that takes part, so each chunk is read with that many bytes of the next one after it, and the
// starts in it are complete.
//
// Memory, for W = ceil((n + 1) / 64) and E entries whose text occurs in the text: a mask of W
// words per such entry, key lookups for them (256 KiB when one of two bytes takes part), a
// ring of 16 states of W words, the chunk read (1 MiB + n * K bytes) and the starts found in
// one chunk (8 bytes each, at most one per byte of the chunk), whatever the ROM's size. Time:
// per ROM byte, for each key length that takes part and fits there, one lookup and W word
// operations; bytes after a chunk are read twice, n * K per chunk. Linear in the ROM for any
// text and table.
class Spellings
{
public:
    Spellings(const QString &text, const TextTable &table);

    // Whether any run of bytes spells the text at all.
    [[nodiscard]] bool possible() const { return m_possible; }
    [[nodiscard]] qsizetype textLength() const { return m_length; }

    // Every start c >= from of a run that spells the text and ends before end, in order.
    void scan(BinaryFile &rom,
              qint64 from,
              qint64 end,
              const FileSearch::Found &found,
              qint64 chunkSize = FileSearch::DefaultChunkSize);

private:
    // The starts c < valid of runs that lie within the size bytes at data, in order, as
    // offsets from offset; false when found stops.
    bool scanChunk(const unsigned char *data,
                   qint64 size,
                   qint64 valid,
                   qint64 offset,
                   const FileSearch::Found &found);
    // scanChunk's finding of the starts, for a text of 64 characters or more.
    void scanWords(const unsigned char *data, qint64 size, qint64 valid, qint64 offset);
    [[nodiscard]] int pieceAt(const unsigned char *data, int length) const
    {
        if (length == 1)
            return m_oneByte[data[0]];
        if (length == 2)
            return m_twoBytes[size_t(data[0]) << 8 | data[1]];
        return longerPieceAt(data, length);
    }
    [[nodiscard]] int longerPieceAt(const unsigned char *data, int length) const;

    qsizetype m_length = 0;
    size_t m_words = 1;
    bool m_possible = false;
    qint64 m_longestRun = 0;
    std::vector<quint64> m_masks; // m_words words per piece
    std::vector<int> m_shifts;    // the piece's text length
    // The pieces by key, as TextTable keeps its keys.
    std::array<int, 256> m_oneByte;
    std::vector<int> m_twoBytes;
    std::array<QHash<quint64, int>, TextTable::MaxKeyLength + 1> m_longer;
    std::array<quint16, 256> m_lengthsByFirst{};
    std::vector<quint64> m_ring; // 16 states of m_words words, by offset
    std::vector<qint64> m_starts;
};
