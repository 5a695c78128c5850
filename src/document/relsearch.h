#pragma once

#include "document/keltable.h"
#include "platform/filesearch.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class BinaryFile;

// Relative search, for a game whose table is not known yet: games store the letters of one
// case at consecutive codes, so a word is where the ROM's bytes differ from each other as the
// word's letters do, whatever code the alphabet starts at. Letters of the two cases are two
// alphabets each at a code of its own; any other character stands for any one byte.
namespace RelSearch {

// A place where the ROM's bytes fit the word, and the codes that A and a then have.
struct Hit
{
    qint64 offset = 0;
    std::optional<int> capitalA; // when the word holds capitals
    std::optional<int> smallA;   // when it holds small letters
};

// A word as relative search reads it.
class Word
{
public:
    explicit Word(const QString &text);

    // Why the word cannot be searched for (it needs two letters of one case to have a
    // difference at all), or an empty text.
    [[nodiscard]] QString problem() const;
    // The bytes the word takes: one a character.
    [[nodiscard]] qsizetype length() const { return m_length; }

    // Whether the length() bytes at bytes fit the word with every letter of the alphabets it
    // uses, A to Z, on a code from 00 to FF, and no code holding two letters; the hit's offset
    // is left 0.
    [[nodiscard]] std::optional<Hit> match(const unsigned char *bytes) const;

    // Every place from offset from on where the word fits, whole before end, in order, until
    // found returns false. Time is linear in the bytes scanned for any word: for a word of n
    // characters whose letters lie d different distances after the letter of their case before
    // them, at most ceil(n / 64) * (d + 2) word operations a byte (far fewer where the word
    // rarely fits); memory about 51 * 8 * ceil(n / 64) * d bytes besides one chunk.
    void scan(BinaryFile &rom,
              qint64 from,
              qint64 end,
              const std::function<bool(const Hit &)> &found,
              qint64 chunkSize = FileSearch::DefaultChunkSize) const;

private:
    struct Letter
    {
        qsizetype at;
        int index; // 0 for A or a
    };
    [[nodiscard]] static std::optional<int> alphabetStart(const std::vector<Letter> &letters,
                                                          const unsigned char *bytes);

    qsizetype m_length = 0;
    std::vector<Letter> m_capitals;
    std::vector<Letter> m_small;
};

// A table that a hit implies: the letters A to Z, and a to z, at the codes the hit gives for
// each case the word holds, and nothing else.
struct Draft
{
    KelTable table;
    QStringList leftOut; // letters that would fall on byte 00, which a table cannot hold
};
[[nodiscard]] Draft draftTable(const Hit &hit);

} // namespace RelSearch
