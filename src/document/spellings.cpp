#include "spellings.h"

#include "platform/binaryfile.h"

#include <algorithm>

namespace {

constexpr qint64 RingSize = 16; // more than the longest key, and a power of two

quint64 packed(const unsigned char *data, int length)
{
    quint64 value = 0;
    for (int k = 0; k < length; ++k)
        value = (value << 8) | data[k];
    return value;
}

} // namespace

Spellings::Spellings(const QString &text, const TextTable &table)
    : m_length(text.size())
    , m_words(static_cast<size_t>(text.size() / 64 + 1))
    , m_ring(static_cast<size_t>(RingSize) * m_words, 0)
{
    m_oneByte.fill(-1);
    std::vector<std::vector<qsizetype>> steps(static_cast<size_t>(m_length) + 1);
    int longestKey = 0;
    for (const TextTable::Entry &entry : table.entries()) {
        const qsizetype length = entry.text.size();
        if (length == 0 || length > m_length
            || (entry.kind == TextTable::Kind::Linked && entry.parameters > 0))
            continue;
        const qsizetype first = text.indexOf(entry.text);
        if (first < 0)
            continue;
        const int piece = static_cast<int>(m_shifts.size());
        m_shifts.push_back(static_cast<int>(length));
        m_masks.resize(m_masks.size() + m_words, 0);
        quint64 *mask = &m_masks[static_cast<size_t>(piece) * m_words];
        for (qsizetype at = first; at >= 0; at = text.indexOf(entry.text, at + 1)) {
            // Bit i: the suffix of i characters that follows this occurrence.
            const qsizetype suffix = m_length - at - length;
            mask[static_cast<size_t>(suffix / 64)] |= quint64(1) << (suffix % 64);
            steps[static_cast<size_t>(at)].push_back(at + length);
        }
        const auto key = reinterpret_cast<const unsigned char *>(entry.key.constData());
        const int keyLength = static_cast<int>(entry.key.size());
        longestKey = std::max(longestKey, keyLength);
        m_lengthsByFirst[key[0]] |= quint16(1U << keyLength);
        if (keyLength == 1) {
            m_oneByte[key[0]] = piece;
        } else if (keyLength == 2) {
            if (m_twoBytes.empty())
                m_twoBytes.assign(size_t(1) << 16, -1);
            m_twoBytes[packed(key, 2)] = piece;
        } else {
            m_longer[static_cast<size_t>(keyLength)].insert(packed(key, keyLength), piece);
        }
    }
    // The text can be spelled when some chain of pieces leads from its start to its end.
    std::vector<bool> reachable(static_cast<size_t>(m_length) + 1, false);
    reachable[0] = true;
    for (size_t at = 0; at < steps.size(); ++at) {
        for (const qsizetype next : steps[at]) {
            if (reachable[at])
                reachable[static_cast<size_t>(next)] = true;
        }
    }
    m_possible = m_length > 0 && reachable[static_cast<size_t>(m_length)];
    m_longestRun = qint64(m_length) * longestKey;
}

int Spellings::longerPieceAt(const unsigned char *data, int length) const
{
    return m_longer[static_cast<size_t>(length)].value(packed(data, length), -1);
}

bool Spellings::scanChunk(const unsigned char *data,
                          qint64 size,
                          qint64 valid,
                          qint64 offset,
                          const FileSearch::Found &found)
{
    m_starts.clear();
    if (m_words == 1) {
        // The common case, a text of fewer than 64 characters: the states in registers.
        std::array<quint64, RingSize> ring{};
        const quint64 goal = quint64(1) << m_length;
        ring[static_cast<size_t>(size & (RingSize - 1))] = 1;
        for (qint64 t = size - 1; t >= 0; --t) {
            quint64 now = 1;
            for (unsigned lengths = m_lengthsByFirst[data[t]], length = 1; lengths >> length != 0;
                 ++length) {
                if (((lengths >> length) & 1U) == 0 || t + length > size)
                    continue;
                const int piece = pieceAt(data + t, static_cast<int>(length));
                if (piece >= 0)
                    now |= (ring[static_cast<size_t>((t + length) & (RingSize - 1))]
                            & m_masks[static_cast<size_t>(piece)])
                           << m_shifts[static_cast<size_t>(piece)];
            }
            ring[static_cast<size_t>(t & (RingSize - 1))] = now;
            if ((now & goal) != 0 && t < valid)
                m_starts.push_back(offset + t);
        }
    } else {
        scanWords(data, size, valid, offset);
    }
    for (auto it = m_starts.rbegin(); it != m_starts.rend(); ++it) {
        if (!found(*it))
            return false;
    }
    return true;
}

void Spellings::scanWords(const unsigned char *data, qint64 size, qint64 valid, qint64 offset)
{
    const size_t words = m_words;
    const auto goalWord = static_cast<size_t>(m_length / 64);
    const quint64 goalBit = quint64(1) << (m_length % 64);
    auto state = [&](qint64 t) { return &m_ring[static_cast<size_t>(t & (RingSize - 1)) * words]; };
    std::fill_n(state(size), words, 0);
    state(size)[0] = 1;
    for (qint64 t = size - 1; t >= 0; --t) {
        quint64 *now = state(t);
        std::fill_n(now, words, 0);
        now[0] = 1;
        unsigned lengths = m_lengthsByFirst[data[t]];
        for (int length = 1; lengths >> length != 0; ++length) {
            if (((lengths >> length) & 1U) == 0 || t + length > size)
                continue;
            const int piece = pieceAt(data + t, length);
            if (piece < 0)
                continue;
            const quint64 *after = state(t + length);
            const quint64 *mask = &m_masks[static_cast<size_t>(piece) * words];
            const int shift = m_shifts[static_cast<size_t>(piece)];
            if (words == 1) {
                now[0] |= (after[0] & mask[0]) << shift;
                continue;
            }
            const auto whole = static_cast<size_t>(shift / 64);
            const int bits = shift % 64;
            for (size_t w = words; w-- > whole;) {
                quint64 word = (after[w - whole] & mask[w - whole]) << bits;
                if (bits != 0 && w > whole)
                    word |= (after[w - whole - 1] & mask[w - whole - 1]) >> (64 - bits);
                now[w] |= word;
            }
        }
        if (t < valid && (now[goalWord] & goalBit) != 0)
            m_starts.push_back(offset + t);
    }
}

void Spellings::scan(
    BinaryFile &rom, qint64 from, qint64 end, const FileSearch::Found &found, qint64 chunkSize)
{
    if (!m_possible)
        return;
    from = std::max<qint64>(from, 0);
    const qint64 last = std::min(end, rom.length());
    // Each chunk is read with the bytes a run starting in it may take beyond it; those are read
    // again as the start of the next chunk.
    const qint64 lookahead = m_longestRun - 1;
    FileSearch::eachChunk(
        rom,
        from,
        last,
        lookahead,
        [&](const char *bytes, qint64 size, qint64 offset) {
            const bool final = offset + size >= last;
            return scanChunk(reinterpret_cast<const unsigned char *>(bytes),
                             size,
                             final ? size : size - lookahead,
                             offset,
                             found);
        },
        chunkSize);
}
