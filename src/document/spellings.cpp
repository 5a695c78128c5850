#include "spellings.h"

#include "document/keltable.h"

#include <algorithm>

Spellings::Spellings(const QByteArray &text, const KelTable &table)
    : m_length(text.size())
    , m_words(static_cast<size_t>(text.size() / 64 + 1))
    , m_masks(m_words * KelTable::Size, 0)
    , m_state(m_words, 0)
    , m_scratch(m_words, 0)
{
    std::vector<bool> reachable(static_cast<size_t>(m_length) + 1, false);
    reachable[0] = true;
    for (int b = 0; b < KelTable::Size; ++b) {
        const QByteArray &entry = table.entry(b);
        m_spelled[b] = std::max<quint64>(static_cast<quint64>(entry.size()), 1);
        if (entry.isEmpty() || entry.size() > m_length)
            continue;
        quint64 *mask = &m_masks[static_cast<size_t>(b) * m_words];
        for (qsizetype at = text.indexOf(entry); at >= 0; at = text.indexOf(entry, at + 1)) {
            mask[static_cast<size_t>(at / 64)] |= quint64(1) << (at % 64);
            m_shift[b] = static_cast<int>(entry.size());
        }
    }
    // The text can be spelled when some chain of pieces leads from its start to its end.
    for (qsizetype i = 0; i < m_length; ++i) {
        if (!reachable[static_cast<size_t>(i)])
            continue;
        for (int b = 0; b < KelTable::Size; ++b) {
            const quint64 *mask = &m_masks[static_cast<size_t>(b) * m_words];
            if ((mask[static_cast<size_t>(i / 64)] >> (i % 64)) & 1U)
                reachable[static_cast<size_t>(i + m_shift[b])] = true;
        }
    }
    m_possible = m_length > 0 && reachable[static_cast<size_t>(m_length)];
    size_t ring = 1;
    while (ring < static_cast<size_t>(m_length) + 1)
        ring *= 2;
    m_sums.assign(ring, 0);
    m_ringMask = ring - 1;
    restart(0);
}

void Spellings::restart(qint64 offset)
{
    std::fill(m_state.begin(), m_state.end(), 0);
    m_state[0] = 1;
    m_total = 0;
    m_next = offset;
    m_first = offset;
    m_tail = offset;
}

qint64 Spellings::startOfMatch()
{
    // The match ends before m_next; its bytes spell m_length characters, each at least one.
    qint64 tail = std::max({m_tail, m_next - m_length, m_first});
    while (m_total - m_sums[static_cast<quint64>(tail) & m_ringMask]
           > static_cast<quint64>(m_length))
        ++tail;
    m_tail = tail + 1;
    return tail;
}

bool Spellings::feed(const char *bytes, qint64 count, const FileSearch::Found &found)
{
    if (!m_possible)
        return true;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes);
    if (m_words == 1) {
        quint64 state = m_state[0];
        const quint64 goal = quint64(1) << m_length;
        for (qint64 k = 0; k < count; ++k) {
            const unsigned char b = data[k];
            m_sums[static_cast<quint64>(m_next) & m_ringMask] = m_total;
            m_total += m_spelled[b];
            ++m_next;
            state = ((state & m_masks[b]) << m_shift[b]) | 1U;
            if (state & goal) {
                m_state[0] = state;
                if (!found(startOfMatch()))
                    return false;
            }
        }
        m_state[0] = state;
        return true;
    }
    for (qint64 k = 0; k < count; ++k) {
        const unsigned char b = data[k];
        m_sums[static_cast<quint64>(m_next) & m_ringMask] = m_total;
        m_total += m_spelled[b];
        ++m_next;
        const quint64 *mask = &m_masks[static_cast<size_t>(b) * m_words];
        for (size_t w = 0; w < m_words; ++w)
            m_scratch[w] = m_state[w] & mask[w];
        const auto whole = static_cast<size_t>(m_shift[b] / 64);
        const int bits = m_shift[b] % 64;
        for (size_t w = m_words; w-- > 0;) {
            quint64 word = 0;
            if (w >= whole) {
                word = m_scratch[w - whole] << bits;
                if (bits != 0 && w > whole)
                    word |= m_scratch[w - whole - 1] >> (64 - bits);
            }
            m_state[w] = word;
        }
        m_state[0] |= 1U;
        if (matched() && !found(startOfMatch()))
            return false;
    }
    return true;
}

void Spellings::scan(
    BinaryFile &rom, qint64 from, qint64 end, const FileSearch::Found &found, qint64 chunkSize)
{
    if (!m_possible)
        return;
    restart(std::max<qint64>(from, 0));
    FileSearch::eachChunk(
        rom,
        from,
        end,
        0,
        [&](const char *bytes, qint64 size, qint64) { return feed(bytes, size, found); },
        chunkSize);
}
