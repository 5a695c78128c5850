#include "relsearch.h"

#include "platform/binaryfile.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace RelSearch {

namespace {

constexpr int Letters = 26;

void placeAlphabet(Draft &draft, std::optional<int> start, char first)
{
    if (!start)
        return;
    for (int i = 0; i < Letters; ++i) {
        const char letter = static_cast<char>(first + i);
        if (*start + i == 0) {
            draft.leftOut.append(QStringLiteral("\"%1\" left out: byte 00 always reads as \u00A5")
                                     .arg(QLatin1Char(letter)));
            continue;
        }
        draft.table.setEntry(*start + i, QByteArray(1, letter));
    }
}

} // namespace

Word::Word(const QString &text)
{
    // Code points, so that a character beyond the Basic Multilingual Plane is one byte too.
    const QList<uint> characters = text.toUcs4();
    m_length = characters.size();
    for (qsizetype at = 0; at < m_length; ++at) {
        const uint c = characters.at(at);
        if (c >= 'A' && c <= 'Z')
            m_capitals.push_back({at, static_cast<int>(c - 'A')});
        else if (c >= 'a' && c <= 'z')
            m_small.push_back({at, static_cast<int>(c - 'a')});
    }
}

QString Word::problem() const
{
    if (m_capitals.size() < 2 && m_small.size() < 2) {
        return QStringLiteral("needs two letters of one case: a single letter differs from "
                              "nothing.");
    }
    return {};
}

std::optional<int> Word::alphabetStart(const std::vector<Letter> &letters,
                                       const unsigned char *bytes)
{
    const int start = bytes[letters.front().at] - letters.front().index;
    if (start < 0 || start + Letters - 1 > 0xFF)
        return std::nullopt;
    for (const Letter &letter : letters) {
        if (bytes[letter.at] - letter.index != start)
            return std::nullopt;
    }
    return start;
}

std::optional<Hit> Word::match(const unsigned char *bytes) const
{
    Hit hit;
    if (!m_capitals.empty()) {
        hit.capitalA = alphabetStart(m_capitals, bytes);
        if (!hit.capitalA)
            return std::nullopt;
    }
    if (!m_small.empty()) {
        hit.smallA = alphabetStart(m_small, bytes);
        if (!hit.smallA)
            return std::nullopt;
    }
    // Two letters cannot share a code.
    if (hit.capitalA && hit.smallA && std::abs(*hit.capitalA - *hit.smallA) < Letters)
        return std::nullopt;
    return hit;
}

namespace {

// The word as a pattern with wildcards over the ROM's bytes, matched bit-parallel: bit k of the
// state says that the word's first k + 1 characters fit the bytes ending at the current one.
// A letter fits when its byte differs from the byte of the case's letter before it, g bytes
// back, as the two letters do; with the previous letters fitting too, every letter of a case
// then lies on one alphabet. Bits are grouped by that distance g, so each byte costs a mask
// look-up per distance and word of the state. What the bits cannot say (the alphabets' range
// within 00 to FF, and that two alphabets do not overlap) is checked at each match in constant
// time by Word::match's rules on the first letter of each case.
class ShiftMatcher
{
public:
    // The differences of letters of one case lie within -25 to 25; any other is no fit.
    static constexpr int Span = 2 * 25 + 1;

    ShiftMatcher(qsizetype length, const std::vector<std::pair<qsizetype, int>> &links)
        : m_length(length)
        , m_words(static_cast<size_t>((length + 63) / 64))
        , m_free(m_words, 0)
        , m_state(m_words, 0)
        , m_mask(m_words, 0)
    {
        // Every position is free but those a link constrains.
        for (qsizetype k = 0; k < length; ++k)
            m_free[static_cast<size_t>(k / 64)] |= quint64(1) << (k % 64);
        for (qsizetype k = 0; k < qsizetype(links.size()); ++k) {
            const auto [gap, difference] = links[static_cast<size_t>(k)];
            if (gap == 0)
                continue;
            auto group = std::find(m_gaps.begin(), m_gaps.end(), gap);
            if (group == m_gaps.end()) {
                m_gaps.push_back(gap);
                m_masks.emplace_back(m_words * Span, 0);
                group = m_gaps.end() - 1;
            }
            const size_t word = static_cast<size_t>(k / 64);
            const quint64 bit = quint64(1) << (k % 64);
            m_free[word] &= ~bit;
            auto &masks = m_masks[static_cast<size_t>(group - m_gaps.begin())];
            masks[static_cast<size_t>(difference + 25) * m_words + word] |= bit;
        }
        size_t ring = 1;
        while (ring < static_cast<size_t>(length))
            ring <<= 1;
        m_history.assign(ring, 0);
        m_ringMask = ring - 1;
    }

    [[nodiscard]] unsigned char back(qint64 distance) const
    {
        return m_history[static_cast<size_t>(m_seen - 1 - distance) & m_ringMask];
    }

    // Takes the next byte; true when the word's last character fits at it.
    bool feed(unsigned char byte)
    {
        m_history[static_cast<size_t>(m_seen) & m_ringMask] = byte;
        ++m_seen;
        // Bits rise one place a byte, so only the words up to one past the highest set word
        // can be set after this byte; where the word rarely fits, that is one or two.
        const size_t active = std::min(m_words, m_top + 2);
        std::copy_n(m_free.begin(), active, m_mask.begin());
        for (size_t g = 0; g < m_gaps.size(); ++g) {
            if (m_seen <= m_gaps[g])
                continue;
            const int difference = int(byte) - int(back(m_gaps[g]));
            if (difference < -25 || difference > 25)
                continue;
            const quint64 *masks = m_masks[g].data()
                                   + static_cast<size_t>(difference + 25) * m_words;
            for (size_t w = 0; w < active; ++w)
                m_mask[w] |= masks[w];
        }
        quint64 carry = 1;
        m_top = 0;
        for (size_t w = 0; w < active; ++w) {
            const quint64 shifted = (m_state[w] << 1) | carry;
            carry = m_state[w] >> 63;
            m_state[w] = shifted & m_mask[w];
            if (m_state[w] != 0)
                m_top = w;
        }
        const qsizetype last = m_length - 1;
        return (m_state[static_cast<size_t>(last / 64)] >> (last % 64)) & 1U;
    }

private:
    qsizetype m_length;
    size_t m_words;
    std::vector<qsizetype> m_gaps;
    std::vector<std::vector<quint64>> m_masks; // per gap: Span masks of m_words words
    std::vector<quint64> m_free;
    std::vector<quint64> m_state;
    std::vector<quint64> m_mask;
    std::vector<unsigned char> m_history;
    size_t m_ringMask = 0;
    qint64 m_seen = 0;
    size_t m_top = 0; // no word of the state above it is set
};

} // namespace

void Word::scan(BinaryFile &rom,
                qint64 from,
                qint64 end,
                const std::function<bool(const Hit &)> &found,
                qint64 chunkSize) const
{
    if (!problem().isEmpty())
        return;
    // Each letter is linked to the one of its case before it.
    std::vector<std::pair<qsizetype, int>> links(static_cast<size_t>(m_length), {0, 0});
    for (const std::vector<Letter> *letters : {&m_capitals, &m_small}) {
        for (size_t i = 1; i < letters->size(); ++i) {
            const Letter &letter = (*letters)[i];
            const Letter &before = (*letters)[i - 1];
            links[static_cast<size_t>(letter.at)] = {letter.at - before.at,
                                                     letter.index - before.index};
        }
    }
    ShiftMatcher matcher(m_length, links);
    // The alphabet each case's first letter puts the word on, or nothing when it falls outside
    // 00 to FF; the links have put every other letter of the case on it too.
    auto alphabet = [&](const std::vector<Letter> &letters) -> std::optional<int> {
        if (letters.empty())
            return std::nullopt;
        const int start = matcher.back(m_length - 1 - letters.front().at) - letters.front().index;
        if (start < 0 || start + Letters - 1 > 0xFF)
            return -1;
        return start;
    };
    FileSearch::eachChunk(
        rom,
        from,
        end,
        0,
        [&](const char *bytes, qint64 size, qint64 offset) {
            for (qint64 at = 0; at < size; ++at) {
                if (!matcher.feed(static_cast<unsigned char>(bytes[at])))
                    continue;
                Hit hit;
                hit.capitalA = alphabet(m_capitals);
                hit.smallA = alphabet(m_small);
                if (hit.capitalA == -1 || hit.smallA == -1
                    || (hit.capitalA && hit.smallA
                        && std::abs(*hit.capitalA - *hit.smallA) < Letters))
                    continue;
                hit.offset = offset + at - (m_length - 1);
                if (!found(hit))
                    return false;
            }
            return true;
        },
        chunkSize);
}

Draft draftTable(const Hit &hit)
{
    Draft draft;
    draft.table.readRecords({});
    placeAlphabet(draft, hit.capitalA, 'A');
    placeAlphabet(draft, hit.smallA, 'a');
    return draft;
}

} // namespace RelSearch
