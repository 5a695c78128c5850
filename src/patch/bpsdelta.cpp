#include "bpsdelta.h"

#include <QtEndian>

#include <divsufsort.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace Bps {

namespace {

// A match this long ends the search soon: within this many positions more the one that reaches
// farthest is taken, entered where that costs least, and its positions are skipped, which keeps
// creation linear. Its own end costs at most a byte or two.
constexpr qint64 NiceLength = 64;
// How far a match is followed while searching: far enough that of two places that agree this
// long, the one that goes on is told from one that agrees by chance, as tiles and padding do.
constexpr qint64 SearchLength = 4096;
// A copy from elsewhere takes an action and an offset, and breaks a run of new bytes in two:
// shorter ones never pay.
constexpr int MinCopy = 4;
// Of a match, only lengths this close to its whole are tried: stopping it much earlier pays
// only where a better one starts, which is then found at its own start.
constexpr qint64 Shortened = 16;
// The longest stretch searched at once when no position closes it off by itself.
constexpr qint32 MaxWindow = 1024;
constexpr size_t Pairs = 65536;
// One suffix in this many has its first bytes kept beside the others'.
constexpr qint64 KeyStride = 32;
constexpr qint64 KeyBytes = 8;
// A source up to this size has each suffix's place in three bytes.
constexpr qint64 PackedSize = qint64(1) << 24;
// One key in this many is also kept among the top keys, which a search reads first: few enough
// to stay near at hand, and each names the start of a line of keys.
constexpr qint64 TopStride = 8;
constexpr quint64 Unreached = std::numeric_limits<quint64>::max();

// A suffix's first eight bytes as a number that sorts as they do, zeros past its end.
quint64 keyAt(const quint8 *bytes, qint64 size)
{
    if (size >= KeyBytes)
        return qFromBigEndian<quint64>(bytes);
    quint64 key = 0;
    for (qint64 k = 0; k < KeyBytes; ++k)
        key = (key << 8) | (k < size ? bytes[k] : 0);
    return key;
}

// Where in the sorted keys the first that is not below key stands, or count: each step halves
// what is left by a conditional move, as which half it is cannot be foreseen.
qint64 firstNotBelow(const quint64 *keys, qint64 count, quint64 key)
{
    if (count <= 0)
        return 0;
    const quint64 *base = keys;
    while (count > 1) {
        const qint64 half = count / 2;
        base = base[half - 1] < key ? base + half : base;
        count -= half;
    }
    return (base - keys) + (*base < key ? 1 : 0);
}

quint64 signedOffset(qint64 distance)
{
    return distance < 0 ? (static_cast<quint64>(-distance) << 1) | 1
                        : static_cast<quint64>(distance) << 1;
}

quint64 actionNumber(quint8 kind, qint64 length)
{
    return (static_cast<quint64>(length - 1) << 2) | kind;
}

} // namespace

void appendNumber(QByteArray &out, quint64 value)
{
    while (true) {
        const auto low = static_cast<char>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.append(static_cast<char>(0x80 | low));
            return;
        }
        out.append(low);
        --value;
    }
}

Q_ALWAYS_INLINE qint64 SourceIndex::suffix(qint64 index) const
{
    quint32 place = 0;
    std::memcpy(&place, suffixAddress(index), 4);
    if (m_width == 4)
        return static_cast<qint32>(place);
    return qFromLittleEndian(place) & 0xFFFFFF;
}

const char *SourceIndex::suffixAddress(qint64 index) const
{
    return m_suffixes.get() + index * m_width;
}

SourceIndex::SourceIndex(const QByteArray &source)
    : m_s(source.constData())
    , m_size(source.size())
{
    if (m_size == 0 || m_size >= std::numeric_limits<qint32>::max())
        return;
    const auto count = static_cast<size_t>(m_size);
    auto *places = static_cast<saidx_t *>(std::malloc(count * sizeof(saidx_t)));
    if (places == nullptr)
        throw std::bad_alloc();
    m_suffixes.reset(reinterpret_cast<char *>(places));
    // The library fails only when its own bucket arrays cannot be had.
    if (divsufsort(reinterpret_cast<const sauchar_t *>(m_s), places, static_cast<saidx_t>(m_size))
        != 0) {
        throw std::bad_alloc();
    }
    m_width = 4;
    if (m_size <= PackedSize) {
        // Each place is moved to three bytes of its own, which never lie past the four it is
        // read from; the array then gives back the rest.
        char *packed = m_suffixes.release();
        for (size_t k = 0; k < count; ++k) {
            const quint32 place = qToLittleEndian(static_cast<quint32>(places[k]));
            std::memcpy(packed + 3 * k, &place, 3);
        }
        packed[3 * count] = 0;
        void *shrunk = std::realloc(packed, 3 * count + 1);
        m_suffixes.reset(shrunk != nullptr ? static_cast<char *>(shrunk) : packed);
        m_width = 3;
    }
    // The suffixes sorted start with the last byte's own, alone, before the pairs that begin
    // with that byte.
    const auto *bytes = reinterpret_cast<const quint8 *>(m_s);
    m_lastByte = bytes[m_size - 1];
    // Counted first, each count then gives way to where its group starts.
    m_groups.assign(Pairs + 1, 0);
    for (qint64 at = 0; at + 1 < m_size; ++at)
        ++m_groups[static_cast<size_t>((bytes[at] << 8) | bytes[at + 1])];
    qint32 index = 0;
    for (size_t pair = 0; pair < Pairs; ++pair) {
        if ((pair & 0xFF) == 0 && m_lastByte == pair >> 8)
            ++index;
        const qint32 count = m_groups[pair];
        m_groups[pair] = index;
        index += count;
    }
    m_groups[Pairs] = index;
    // The keys of every few suffixes lie side by side: most steps of a search read them, not
    // a suffix's place and then its bytes elsewhere.
    m_keys.resize(static_cast<size_t>((m_size + KeyStride - 1) / KeyStride));
    for (size_t k = 0; k < m_keys.size(); ++k)
        m_keys[k] = keyAt(bytes + suffix(qint64(k) * KeyStride),
                          m_size - suffix(qint64(k) * KeyStride));
    m_topKeys.resize((m_keys.size() + TopStride - 1) / TopStride);
    for (size_t k = 0; k < m_topKeys.size(); ++k)
        m_topKeys[k] = m_keys[k * TopStride];
}

Delta::Delta(const SourceIndex &index, const QByteArray &target)
    : m_index(index)
    , m_s(index.bytes())
    , m_t(target.constData())
    , m_sourceSize(index.size())
{
    // About one slot for every 128 target bytes, up to 4 Mi: repeats are found among recent
    // positions, and the slots of a large table would each cost a cache miss.
    int bits = 10;
    while (bits < 22 && (qint64(1) << bits) < qint64(target.size()) / 128)
        ++bits;
    m_lastShort.assign(size_t(1) << bits, 0);
    m_lastLong.assign(size_t(1) << bits, 0);
    m_hashShift = static_cast<quint32>(64 - bits);
}

} // namespace Bps

namespace {

// Most matches tried are short: eight bytes are compared at once, and the first that differs
// is the lowest set bit of their difference.
Q_ALWAYS_INLINE qint64 agree(const char *a, const char *b, qint64 limit)
{
    qint64 length = 0;
    while (limit - length >= 8) {
        quint64 x = 0;
        quint64 y = 0;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y)
            return length + qCountTrailingZeroBits(qFromLittleEndian(x ^ y)) / 8;
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

} // namespace

namespace Bps {

// Narrows the sorted suffixes to those that start like the pattern: first to the group of its
// first two bytes, then by the keys to the suffixes between two of them, whose places are then
// asked for. Those two are measured only if the search ends beside them: the keys alone cannot
// tell how far they agree, as a suffix may end within its key.
// Whether the keys narrow the search: the pattern fills a key and its group spans a few.
bool SourceIndex::keyed(const Search &search)
{
    return search.limit >= KeyBytes && search.high - search.low > 2 * KeyStride;
}

void SourceIndex::prepare(const char *pattern) const
{
    const auto *t = reinterpret_cast<const quint8 *>(pattern);
    if (!m_groups.empty())
        __builtin_prefetch(&m_groups[static_cast<size_t>((t[0] << 8) | t[1])]);
}

SourceIndex::Search SourceIndex::group(const char *pattern, qint64 limit) const
{
    Search search;
    search.pattern = pattern;
    search.limit = limit;
    if (limit < 2 || m_width == 0)
        return search;
    const auto *t = reinterpret_cast<const quint8 *>(pattern);
    const auto pair = static_cast<size_t>((t[0] << 8) | t[1]);
    search.low = m_groups[pair] - 1;
    search.high = m_groups[pair + 1];
    if (((pair + 1) & 0xFF) == 0 && m_lastByte == (pair + 1) >> 8)
        --search.high; // the last byte's own suffix, which sorts before the next group
    if (keyed(search))
        __builtin_prefetch(
            &m_topKeys[static_cast<size_t>((search.low + search.high) / 2 / KeyStride / TopStride)]);
    return search;
}

void SourceIndex::narrow(Search &search) const
{
    if (keyed(search)) {
        const quint64 key = keyAt(reinterpret_cast<const quint8 *>(search.pattern), search.limit);
        const qint64 first = (search.low + KeyStride) / KeyStride;
        const qint64 last = (search.high - 1) / KeyStride + 1;
        // The first key not below is found among the top keys first, then among the few keys
        // up to the one it names, which lie together.
        const qint64 firstTop = (first + TopStride - 1) / TopStride;
        const qint64 lastTop = (last - 1) / TopStride + 1;
        const qint64 top = firstNotBelow(m_topKeys.data() + firstTop, lastTop - firstTop, key)
                           + firstTop;
        const qint64 from = std::max(first, (top - 1) * TopStride);
        const qint64 to = std::min(last, top * TopStride);
        const qint64 equal = from < to ? firstNotBelow(m_keys.data() + from, to - from, key) + from
                                       : to;
        // Few keys are equal: the first above is nearly always the first not below itself.
        qint64 above = equal;
        if (above < last && m_keys[static_cast<size_t>(above)] == key) {
            above = key == std::numeric_limits<quint64>::max()
                        ? last
                        : firstNotBelow(m_keys.data() + equal, last - equal, key + 1) + equal;
        }
        if (equal != first)
            search.low = search.unmeasuredLow = (equal - 1) * KeyStride;
        if (above != last)
            search.high = search.unmeasuredHigh = above * KeyStride;
    }
    if (search.limit >= 2 && search.high - search.low <= 2 * KeyStride + 1) {
        __builtin_prefetch(suffixAddress(std::max<qint64>(search.low, 0)));
        __builtin_prefetch(suffixAddress(std::min(search.high, m_size - 1)));
    }
}

// Where a few suffixes are left, the bytes of those the first steps of the search read are
// asked for at once, not one after another as each step needs them.
void SourceIndex::fetch(const Search &search) const
{
    if (search.limit < 2 || search.high - search.low < 2
        || search.high - search.low > 2 * KeyStride + 1)
        return;
    const qint64 middle = search.low + (search.high - search.low) / 2;
    for (const qint64 k : {middle, (search.low + middle) / 2, (middle + search.high) / 2}) {
        const qint64 at = std::clamp<qint64>(k, 0, m_size - 1);
        __builtin_prefetch(m_s + suffix(at) + 2);
    }
}

std::pair<qint64, qint64> SourceIndex::finish(Search search) const
{
    std::pair<qint64, qint64> best{0, 0};
    if (search.limit < 2 || m_width == 0)
        return best;
    const auto *s = reinterpret_cast<const quint8 *>(m_s);
    const auto *t = reinterpret_cast<const quint8 *>(search.pattern);
    const char *pattern = search.pattern;
    const qint64 limit = search.limit;
    qint64 low = search.low;
    qint64 high = search.high;
    qint64 lowAgrees = 0;
    qint64 highAgrees = 0;
    // Which way each step goes cannot be foreseen: it is chosen by conditional moves, not jumps.
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        const qint64 from = suffix(middle);
        const qint64 known = std::max<qint64>(2, std::min(lowAgrees, highAgrees));
        const qint64 available = std::min(limit, m_size - from);
        const qint64 agrees = known + agree(m_s + from + known, pattern + known, available - known);
        if (agrees == limit)
            return {from, agrees};
        const bool better = agrees > best.second;
        best.first = better ? from : best.first;
        best.second = better ? agrees : best.second;
        // A suffix that ends inside the pattern sorts before it.
        const bool before = agrees == available || s[from + agrees] < t[agrees];
        low = before ? middle : low;
        lowAgrees = before ? agrees : lowAgrees;
        high = before ? high : middle;
        highAgrees = before ? highAgrees : agrees;
    }
    for (const qint64 bound : {low, high}) {
        if (bound != search.unmeasuredLow && bound != search.unmeasuredHigh)
            continue;
        const qint64 from = suffix(bound);
        const qint64 agrees = 2
                              + agree(m_s + from + 2,
                                      pattern + 2,
                                      std::min(limit, m_size - from) - 2);
        if (agrees > best.second)
            best = {from, agrees};
    }
    return best;
}

std::pair<qint64, qint64> SourceIndex::longest(const char *pattern, qint64 limit) const
{
    Search search = group(pattern, limit);
    narrow(search);
    fetch(search);
    return finish(search);
}

// The key's width is fixed at each call, so that reading it is one load.
template<int Bytes>
Q_ALWAYS_INLINE size_t Delta::hashAt(qint64 at) const
{
    quint64 key = 0;
    std::memcpy(&key, m_t + at, Bytes);
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> m_hashShift);
}

void Delta::remember(qint64 from, qint64 to)
{
    // Positions are kept one up, so that zero says none; the very last of a 4 GiB target is not.
    to = std::min(to, qint64(std::numeric_limits<quint32>::max()) - 1);
    for (qint64 at = from; at < to && at + MinCopy <= m_targetSize; ++at) {
        m_lastShort[hashAt<MinCopy>(at)] = static_cast<quint32>(at + 1);
        if (at + 8 <= m_targetSize)
            m_lastLong[hashAt<8>(at)] = static_cast<quint32>(at + 1);
    }
}

// Bytes a long match brings come from elsewhere, where they are found again; some of their
// places are kept all the same, so that a short repeat can come from the target and leave the
// source's cursor where it was. Every place would cost a cache miss for each byte.
void Delta::sample(qint64 from, qint64 to)
{
    constexpr qint64 Stride = 8;
    to = std::min({to, m_targetSize - MinCopy + 1, qint64(std::numeric_limits<quint32>::max()) - 1});
    for (qint64 at = from; at < to; at += Stride)
        m_lastShort[hashAt<MinCopy>(at)] = static_cast<quint32>(at + 1);
}

void Delta::candidates(qint64 at, std::vector<Candidate> &found)
{
    found.clear();
    const qint64 limit = std::min(m_targetSize - at, SearchLength);
    if (at < m_sourceSize) {
        const qint64 length = agree(m_s + at, m_t + at, std::min(m_sourceSize - at, limit));
        if (length > 0)
            found.push_back({Kind::SourceRead, at, length});
        if (length == limit)
            return;
    }
    // Each search waits on memory several times: those of a few positions ahead are begun
    // together, so that their waits overlap.
    if (at < m_searchedFrom || at >= m_searchedFrom + Batch) {
        SourceIndex::Search searches[Batch];
        m_searchedFrom = at;
        for (qint64 k = 0; k < Batch && at + k + 1 < m_targetSize; ++k)
            m_index.prepare(m_t + at + k);
        for (qint64 k = 0; k < Batch; ++k) {
            const qint64 q = at + k;
            searches[k] = m_index.group(m_t + q, std::min(m_targetSize - q, SearchLength));
        }
        for (SourceIndex::Search &search : searches)
            m_index.narrow(search);
        for (const SourceIndex::Search &search : searches)
            m_index.fetch(search);
        for (qint64 k = 0; k < Batch; ++k)
            m_searched[k] = m_index.finish(searches[k]);
    }
    const auto [from, length] = m_searched[at - m_searchedFrom];
    if (length >= MinCopy && from != at)
        found.push_back({Kind::SourceCopy, from, length});
    // Positions are searched one after the other: the slots of one a little ahead are fetched
    // while this one is searched, as each would otherwise wait on memory.
    constexpr qint64 Ahead = 16;
    if (at + Ahead + 8 <= m_targetSize) {
        __builtin_prefetch(&m_lastShort[hashAt<MinCopy>(at + Ahead)]);
        __builtin_prefetch(&m_lastLong[hashAt<8>(at + Ahead)]);
        // Half way there, the slots are in and the places they name are fetched in turn.
        __builtin_prefetch(m_t + m_lastShort[hashAt<MinCopy>(at + Ahead / 2)]);
        __builtin_prefetch(m_t + m_lastLong[hashAt<8>(at + Ahead / 2)]);
    }
    // The last place that agrees in eight bytes, and in a few: a repeated word or tile.
    qint64 longSeen = -1;
    if (at + 8 <= m_targetSize) {
        longSeen = qint64(m_lastLong[hashAt<8>(at)]) - 1;
        if (longSeen >= 0) {
            const qint64 length = agree(m_t + longSeen, m_t + at, limit);
            if (length >= MinCopy)
                found.push_back({Kind::TargetCopy, longSeen, length});
        }
    }
    if (at + MinCopy <= m_targetSize) {
        const qint64 seen = qint64(m_lastShort[hashAt<MinCopy>(at)]) - 1;
        if (seen >= 0 && seen != longSeen) {
            const qint64 length = agree(m_t + seen, m_t + at, limit);
            if (length >= MinCopy)
                found.push_back({Kind::TargetCopy, seen, length});
        }
    }
}

void Delta::continuations(qint64 at, const Node &node, std::vector<Candidate> &found) const
{
    const qint64 limit = std::min(m_targetSize - at, SearchLength);
    const qint64 source = node.sourceCursor;
    if (source != at && source < m_sourceSize) {
        const qint64 length = agree(m_s + source, m_t + at, std::min(m_sourceSize - source, limit));
        if (length > 0)
            found.push_back({Kind::SourceCopy, source, length});
    }
    // A copy may overlap the bytes it writes, so a run repeats from its first byte on.
    const qint64 target = node.targetCursor;
    if (target < at) {
        const qint64 length = agree(m_t + target, m_t + at, limit);
        if (length > 0)
            found.push_back({Kind::TargetCopy, target, length});
    }
}

qint64 Delta::extend(const Candidate &candidate, qint64 at) const
{
    const qint64 left = m_targetSize - at;
    switch (candidate.kind) {
    case Kind::SourceRead:
        return agree(m_s + at, m_t + at, std::min(m_sourceSize - at, left));
    case Kind::SourceCopy:
        return agree(m_s + candidate.from, m_t + at, std::min(m_sourceSize - candidate.from, left));
    case Kind::TargetCopy:
        return agree(m_t + candidate.from, m_t + at, left);
    case Kind::TargetRead:
        break;
    }
    return 1;
}

Q_ALWAYS_INLINE bool Delta::continues(const Candidate &candidate, const Node &node)
{
    if (candidate.kind != node.kind || node.previous < 0)
        return false;
    switch (candidate.kind) {
    case Kind::SourceRead:
        return true;
    case Kind::SourceCopy:
        return candidate.from == node.sourceCursor;
    case Kind::TargetCopy:
        return candidate.from == node.targetCursor;
    case Kind::TargetRead:
        break;
    }
    return false;
}

quint64 Delta::cost(const Candidate &candidate, qint64 length, const Node &node, qint32 at)
{
    const auto kind = static_cast<quint8>(candidate.kind);
    // An action that goes on where the last one stopped lengthens it: only its number grows.
    if (continues(candidate, node)) {
        const qint64 before = at - node.previous / Kinds;
        return numberSize(actionNumber(kind, before + length))
               - numberSize(actionNumber(kind, before));
    }
    return numberSize(actionNumber(kind, length)) + offsetSize(candidate, node);
}

Q_ALWAYS_INLINE int Delta::offsetSize(const Candidate &candidate, const Node &node)
{
    switch (candidate.kind) {
    case Kind::SourceCopy:
        return numberSize(signedOffset(candidate.from - node.sourceCursor));
    case Kind::TargetCopy:
        return numberSize(signedOffset(candidate.from - node.targetCursor));
    case Kind::SourceRead:
    case Kind::TargetRead:
        break;
    }
    return 0;
}

std::vector<Action> Delta::actions(qint64 begin, qint64 end)
{
    m_targetSize = end;
    m_sourceCursor = 0;
    m_targetCursor = 0;
    m_searchedFrom = -Batch;
    m_actions.clear();
    // What comes before is written by then, and its repeats may be copied; of what lies
    // farther back than twice the table's slots could hold, little would be left in it. What
    // parts searched before left in the slots is cleared, so that the patch does not depend
    // on which thread searched which part.
    std::fill(m_lastShort.begin(), m_lastShort.end(), 0);
    std::fill(m_lastLong.begin(), m_lastLong.end(), 0);
    sample(std::max<qint64>(0, begin - (qint64(m_lastShort.size()) << 4)), begin);

    // Most stretches end after a few positions: the window grows as far as one reaches.
    constexpr auto Widest = static_cast<size_t>((MaxWindow + 2 * NiceLength + 1) * Kinds);
    m_window.resize(static_cast<size_t>(4 * NiceLength * Kinds));
    m_costs.resize(m_window.size());
    std::vector<Candidate> here;
    qint64 base = begin;
    while (base < m_targetSize) {
        for (int k = 0; k < Kinds; ++k)
            m_costs[static_cast<size_t>(k)] = Unreached;
        m_costs[static_cast<size_t>(Kind::TargetRead)] = 0;
        Node &start = m_window[static_cast<size_t>(Kind::TargetRead)];
        start = Node{};
        start.sourceCursor = m_sourceCursor;
        start.targetCursor = m_targetCursor;
        start.literals = !m_actions.empty() && m_actions.back().kind == Kind::TargetRead
                             ? m_actions.back().length
                             : 0;
        qint32 reach = 0;     // the farthest window position an action found so far ends at
        qint32 longSeen = -1; // where the first match of NiceLength or more was found
        // The farthest a long match reaches, and of the ways there the cheapest. Matches on
        // one diagonal end together: each is followed to its end once.
        Long best;
        std::vector<std::pair<Candidate, qint64>> ends;
        auto consider = [&](const Candidate &candidate,
                            const Node &node,
                            qint32 slot,
                            qint32 r,
                            qint64 at) {
            const qint64 diagonal = candidate.from - at;
            auto known = std::find_if(ends.begin(), ends.end(), [&](const auto &e) {
                return e.first.kind == candidate.kind && e.first.from - e.first.length == diagonal;
            });
            if (known == ends.end()) {
                ends.push_back({{candidate.kind, candidate.from, at}, at + extend(candidate, at)});
                known = ends.end() - 1;
            }
            const qint64 end = known->second;
            const quint64 total = m_costs[static_cast<size_t>(slot)]
                                  + cost(candidate, end - at, node, r);
            if (end > best.end || (end == best.end && total < best.cost))
                best = {slot, candidate.kind, candidate.from, end, total};
        };
        auto reached = [&](qint32 to, Kind kind) {
            for (; reach < to; ++reach) {
                for (int k = 0; k < Kinds; ++k)
                    m_costs[static_cast<size_t>(reach + 1) * Kinds + static_cast<size_t>(k)]
                        = Unreached;
            }
            return static_cast<size_t>(to) * Kinds + static_cast<size_t>(kind);
        };
        auto relax = [&](const Candidate &candidate,
                         const Node &node,
                         qint32 slot,
                         qint32 r,
                         qint64 at,
                         qint64 shortest) {
            if (candidate.length >= NiceLength) {
                if (longSeen < 0) {
                    longSeen = r;
                    best = Long{};
                    ends.clear();
                }
                consider(candidate, node, slot, r, at);
            }
            // Only the action's number grows with its length; a copy from elsewhere shorter
            // than MinCopy never pays.
            const bool merged = continues(candidate, node);
            const auto kind = static_cast<quint8>(candidate.kind);
            const qint64 before = merged ? r - node.previous / Kinds : 0;
            const int offset = merged ? 0 : offsetSize(candidate, node);
            const quint64 fixedCost = m_costs[static_cast<size_t>(slot)] + offset
                                      - (merged ? numberSize(actionNumber(kind, before)) : 0);
            const qint64 length = std::min(candidate.length, NiceLength);
            if (!merged && offset > 1)
                shortest = std::max<qint64>(shortest, MinCopy);
            const qint64 first = std::max(shortest, length - Shortened);
            if (first > length)
                return;
            reached(r + static_cast<qint32>(length), candidate.kind);
            for (qint64 n = first; n <= length; ++n) {
                const quint64 total = fixedCost + numberSize(actionNumber(kind, before + n));
                const auto to = static_cast<size_t>(r + n) * Kinds + kind;
                if (total >= m_costs[to])
                    continue;
                m_costs[to] = total;
                Node &there = m_window[to];
                there = node;
                there.previous = merged ? node.previous : slot;
                there.kind = candidate.kind;
                there.from = merged ? node.from : candidate.from;
                there.literals = 0;
                if (candidate.kind == Kind::SourceCopy)
                    there.sourceCursor = candidate.from + n;
                else if (candidate.kind == Kind::TargetCopy)
                    there.targetCursor = candidate.from + n;
            }
        };
        for (qint32 r = 0;; ++r) {
            const qint64 at = base + r;
            // Where no action found crosses a position, every cheapest way passes through it.
            if (at == m_targetSize || (r > 0 && reach <= r) || (r >= MaxWindow && longSeen < 0)) {
                commit(cheapest(r));
                base = at;
                break;
            }
            // No action from here ends more than NiceLength on; a stretch that goes on past
            // a few of those may go on to the longest.
            if (static_cast<size_t>(r + NiceLength + 2) * Kinds > m_window.size()) {
                m_window.resize(Widest);
                m_costs.resize(Widest);
            }
            candidates(at, here);
            const size_t fixed = here.size(); // the rest depend on the way to this position

            // A long match is searched for a while, in case another one starting a little
            // later reaches farther or the same one is cheaper to enter a little later.
            if (longSeen >= 0 && r >= longSeen + NiceLength) {
                commit(best.after);
                const qint64 from = base + best.after / Kinds;
                writeAction(best.kind, best.from, best.end - from);
                sample(from, best.end);
                base = best.end;
                break;
            }

            for (int k = 0; k < Kinds; ++k) {
                const qint32 slot = r * Kinds + k;
                const quint64 reachedAt = m_costs[static_cast<size_t>(slot)];
                if (reachedAt == Unreached)
                    continue;
                const Node &node = m_window[static_cast<size_t>(slot)];
                const quint64 literal = reachedAt + 1
                                        + numberSize(actionNumber(1, node.literals + 1))
                                        - (node.literals > 0
                                               ? numberSize(actionNumber(1, node.literals))
                                               : 0);
                const size_t to = reached(r + 1, Kind::TargetRead);
                if (literal < m_costs[to]) {
                    m_costs[to] = literal;
                    Node &there = m_window[to];
                    there = node;
                    there.previous = slot;
                    there.kind = Kind::TargetRead;
                    there.literals = node.literals + 1;
                }
                here.resize(fixed);
                continuations(at, node, here);
                for (size_t c = fixed; c < here.size(); ++c)
                    relax(here[c], node, slot, r, at, 1);
            }
            // A copy found by the search starts a new action from any way here but the one it
            // goes on with, and then costs the same but for the way's cost and its offset: the
            // cheapest of those ways is the only one that can win. Short lengths also pay from
            // a way whose offset takes one byte.
            here.resize(fixed);
            for (size_t c = 0; c < fixed; ++c) {
                const Candidate candidate = here[c];
                qint32 cheapestSlot = -1;
                quint64 cheapestCost = Unreached;
                qint32 nearSlot = -1;
                quint64 nearCost = Unreached;
                for (int k = 0; k < Kinds; ++k) {
                    const qint32 slot = r * Kinds + k;
                    const quint64 reachedAt = m_costs[static_cast<size_t>(slot)];
                    if (reachedAt == Unreached)
                        continue;
                    const Node &node = m_window[static_cast<size_t>(slot)];
                    if (continues(candidate, node)) {
                        relax(candidate, node, slot, r, at, 1);
                        continue;
                    }
                    const int offset = offsetSize(candidate, node);
                    if (reachedAt + offset < cheapestCost) {
                        cheapestCost = reachedAt + offset;
                        cheapestSlot = slot;
                    }
                    if (offset <= 1 && reachedAt < nearCost) {
                        nearCost = reachedAt;
                        nearSlot = slot;
                    }
                }
                if (cheapestSlot >= 0) {
                    relax(candidate,
                          m_window[static_cast<size_t>(cheapestSlot)],
                          cheapestSlot,
                          r,
                          at,
                          1);
                    if (nearSlot >= 0 && nearSlot != cheapestSlot
                        && offsetSize(candidate, m_window[static_cast<size_t>(cheapestSlot)]) > 1)
                        relax(candidate, m_window[static_cast<size_t>(nearSlot)], nearSlot, r, at, 1);
                }
            }
            remember(at, at + 1);
        }
    }
    return std::move(m_actions);
}

qint32 Delta::cheapest(qint32 at) const
{
    qint32 best = at * Kinds;
    for (int k = 1; k < Kinds; ++k) {
        if (m_costs[static_cast<size_t>(at) * Kinds + static_cast<size_t>(k)]
            < m_costs[static_cast<size_t>(best)])
            best = at * Kinds + k;
    }
    return best;
}

void Delta::commit(qint32 end)
{
    std::vector<qint32> path;
    for (qint32 slot = end; slot >= Kinds; slot = m_window[static_cast<size_t>(slot)].previous)
        path.push_back(slot);
    qint32 from = 0;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const Node &node = m_window[static_cast<size_t>(*it)];
        const qint32 to = *it / Kinds;
        writeAction(node.kind, node.from, to - from);
        from = to;
    }
}

void Delta::writeAction(Kind kind, qint64 from, qint64 length)
{
    if (kind == Kind::SourceCopy)
        m_sourceCursor = from + length;
    else if (kind == Kind::TargetCopy)
        m_targetCursor = from + length;
    constexpr qint64 Longest = std::numeric_limits<quint32>::max();
    while (length > 0) {
        if (!m_actions.empty()) {
            Action &last = m_actions.back();
            if (last.kind == kind && last.length < Longest
                && (kind == Kind::SourceRead || kind == Kind::TargetRead
                    || from == last.from + last.length)) {
                const qint64 joined = std::min(length, Longest - last.length);
                last.length += static_cast<quint32>(joined);
                from += joined;
                length -= joined;
                continue;
            }
        }
        const qint64 taken = std::min(length, Longest);
        m_actions.push_back({from, static_cast<quint32>(taken), kind});
        from += taken;
        length -= taken;
    }
}

Encoder::Encoder(QByteArray &out, const char *target)
    : m_out(out)
    , m_target(target)
{}

void Encoder::add(const std::vector<Action> &actions)
{
    for (const Action &action : actions) {
        // Where two parts of the target were searched apart, the first action of the second
        // may go on with the last of the first.
        const bool goesOn = m_length > 0 && action.kind == m_open.kind
                            && (action.kind == Kind::SourceRead || action.kind == Kind::TargetRead
                                || action.from == m_open.from + m_length);
        if (goesOn) {
            m_length += action.length;
            continue;
        }
        write();
        m_open = action;
        m_length = action.length;
    }
}

void Encoder::finish()
{
    write();
    m_length = 0;
}

void Encoder::write()
{
    if (m_length == 0)
        return;
    appendNumber(m_out, actionNumber(static_cast<quint8>(m_open.kind), m_length));
    switch (m_open.kind) {
    case Kind::TargetRead:
        m_out.append(m_target + m_at, m_length);
        break;
    case Kind::SourceCopy:
        appendNumber(m_out, signedOffset(m_open.from - m_sourceCursor));
        m_sourceCursor = m_open.from + m_length;
        break;
    case Kind::TargetCopy:
        appendNumber(m_out, signedOffset(m_open.from - m_targetCursor));
        m_targetCursor = m_open.from + m_length;
        break;
    case Kind::SourceRead:
        break;
    }
    m_at += m_length;
}

} // namespace Bps
