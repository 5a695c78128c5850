#pragma once

#include "platform/filesearch.h"

#include <QByteArray>

#include <array>
#include <vector>

class BinaryFile;
class KelTable;

// Finds every run of bytes that a table spells as one text, whichever entries spell it: "the"
// stored as "t" + "he" as well as "th" + "e". A run spells the text when the entries of its
// bytes, joined, are the text; a byte whose entry is empty spells nothing and breaks a run.
//
// The bytes stream through a set of states, the lengths of the text's prefixes that runs
// ending at the current byte spell, kept as a bit set: each byte moves state i to i + its
// entry's length where its entry is the text's piece at i (a mask and a shift per byte value,
// fixed before the scan). A run and its start are both unique for a given end, and the starts
// of successive matches rise, so one pointer over the spelled lengths of the last bytes finds
// each match's start.
//
// Memory, for a text of n characters and W = ceil((n + 1) / 64): 256 masks of W words, a
// ring of the spelled lengths of the last n + 1 bytes (8 bytes each, rounded up to a power of
// two), and the scan's one chunk: about 2 KiB * W + 16 * n bytes + 1 MiB, whatever the ROM's
// size. Time: W word operations per ROM byte plus constant work per match, so linear in the
// ROM for any text and table.
class Spellings
{
public:
    Spellings(const QByteArray &text, const KelTable &table);

    // Whether any run of bytes spells the text at all.
    [[nodiscard]] bool possible() const { return m_possible; }
    [[nodiscard]] qsizetype textLength() const { return m_length; }

    // Forgets the bytes seen; the next byte fed lies at offset.
    void restart(qint64 offset);
    // Feeds the next bytes and tells found the start of each run that spells the text and
    // ends among them, in order. Returns false as soon as found does.
    bool feed(const char *bytes, qint64 count, const FileSearch::Found &found);

    // Every start c >= from of a run that spells the text and ends before end, in order.
    void scan(BinaryFile &rom,
              qint64 from,
              qint64 end,
              const FileSearch::Found &found,
              qint64 chunkSize = FileSearch::DefaultChunkSize);

private:
    [[nodiscard]] bool matched() const
    {
        return (m_state[static_cast<size_t>(m_length / 64)] >> (m_length % 64)) & 1U;
    }
    [[nodiscard]] qint64 startOfMatch();

    qsizetype m_length = 0;
    size_t m_words = 1;
    bool m_possible = false;
    std::vector<quint64> m_masks;         // m_words words per byte value
    std::array<int, 256> m_shift{};       // the entry's length where it can take part, else 0
    std::array<quint64, 256> m_spelled{}; // the entry's length, at least 1
    std::vector<quint64> m_state;
    std::vector<quint64> m_scratch;
    std::vector<quint64> m_sums; // spelled length before each of the last bytes, by offset
    quint64 m_ringMask = 0;
    quint64 m_total = 0;
    qint64 m_next = 0;  // offset of the next byte
    qint64 m_first = 0; // offset of the first byte since the restart
    qint64 m_tail = 0;  // no match starts before it
};
