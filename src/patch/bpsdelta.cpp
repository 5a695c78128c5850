#include "bpsdelta.h"

#include "patch/difference.h"

#include <divsufsort.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace Bps {

namespace {

// A match this long is taken as soon as it is found: a search over where it might better start
// or end cannot save more than a byte or two, and skipping its positions keeps creation linear.
constexpr qint64 NiceLength = 64;
// The longest stretch searched at once when no position closes it off by itself.
constexpr qint32 MaxWindow = 4096;
constexpr quint64 Unreached = std::numeric_limits<quint64>::max();

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

int numberSize(quint64 value)
{
    int size = 1;
    while (value >= 0x80) {
        value = (value >> 7) - 1;
        ++size;
    }
    return size;
}

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

Delta::Delta(const QByteArray &source, const QByteArray &target)
    : m_s(source.constData())
    , m_t(target.constData())
    , m_sourceSize(source.size())
    , m_targetSize(target.size())
{
    if (m_sourceSize > 0 && m_sourceSize < std::numeric_limits<qint32>::max()) {
        m_suffixes.resize(static_cast<size_t>(m_sourceSize));
        // The library fails only when its own bucket arrays cannot be had.
        if (divsufsort(reinterpret_cast<const sauchar_t *>(m_s),
                       m_suffixes.data(),
                       static_cast<saidx_t>(m_sourceSize))
            != 0) {
            throw std::bad_alloc();
        }
    }
    // About one slot for every four target bytes: repeats are found among recent positions.
    int bits = 10;
    while (bits < 24 && (qint64(1) << bits) < m_targetSize / 4)
        ++bits;
    m_lastSeen.assign(size_t(1) << bits, 0);
    m_hashShift = static_cast<quint32>(64 - bits);
}

qint64 Delta::agree(const char *a, const char *b, qint64 limit) const
{
    return limit <= 0 ? 0 : Patch::nextDifference(a, b, 0, limit);
}

// Narrows the sorted suffixes to those that start like the target at `at`; the bounds' common
// prefixes with it say how much of each comparison is known to agree already.
Delta::Candidate Delta::longestInSource(qint64 at, qint64 limit) const
{
    Candidate best{Kind::SourceCopy, 0, 0};
    const auto *s = reinterpret_cast<const quint8 *>(m_s);
    const auto *t = reinterpret_cast<const quint8 *>(m_t) + at;
    qint64 low = -1;
    qint64 high = m_sourceSize;
    qint64 lowAgrees = 0;
    qint64 highAgrees = 0;
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        const qint64 from = m_suffixes[static_cast<size_t>(middle)];
        const qint64 known = std::min(lowAgrees, highAgrees);
        const qint64 available = std::min(limit, m_sourceSize - from);
        const qint64 agrees = known
                              + agree(m_s + from + known, m_t + at + known, available - known);
        if (agrees > best.length)
            best = {Kind::SourceCopy, from, agrees};
        if (agrees == limit)
            break;
        if (agrees == m_sourceSize - from || s[from + agrees] < t[agrees]) {
            low = middle;
            lowAgrees = agrees;
        } else {
            high = middle;
            highAgrees = agrees;
        }
    }
    return best;
}

quint32 Delta::hashAt(qint64 at) const
{
    quint64 key = 0;
    std::memcpy(&key, m_t + at, sizeof key);
    return static_cast<quint32>((key * 0x9E3779B97F4A7C15ull) >> m_hashShift);
}

void Delta::remember(qint64 from, qint64 to)
{
    // Positions are kept one up, so that zero says none; the very last of a 4 GiB target is not.
    to = std::min({to, m_targetSize - 7, qint64(std::numeric_limits<quint32>::max()) - 1});
    for (qint64 at = from; at < to; ++at)
        m_lastSeen[hashAt(at)] = static_cast<quint32>(at + 1);
}

void Delta::candidates(qint64 at, const Node &node, std::vector<Candidate> &found)
{
    found.clear();
    const qint64 limit = std::min(m_targetSize - at, NiceLength);
    auto add = [&](Kind kind, qint64 from, qint64 length) {
        if (length > 0)
            found.push_back({kind, from, length});
    };
    if (at < m_sourceSize)
        add(Kind::SourceRead, at, agree(m_s + at, m_t + at, std::min(m_sourceSize - at, limit)));
    const qint64 source = node.sourceCursor;
    if (source != at && source < m_sourceSize)
        add(Kind::SourceCopy,
            source,
            agree(m_s + source, m_t + at, std::min(m_sourceSize - source, limit)));
    // A copy may overlap the bytes it writes, so a run repeats from its first byte on.
    const qint64 target = node.targetCursor;
    if (target < at)
        add(Kind::TargetCopy, target, agree(m_t + target, m_t + at, limit));
    if (!m_suffixes.empty()) {
        const Candidate moved = longestInSource(at, limit);
        if (moved.length > 1 && moved.from != source && moved.from != at)
            found.push_back(moved);
    }
    if (at + 8 <= m_targetSize) {
        const qint64 seen = qint64(m_lastSeen[hashAt(at)]) - 1;
        if (seen >= 0 && seen != target)
            add(Kind::TargetCopy, seen, agree(m_t + seen, m_t + at, limit));
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

quint64 Delta::cost(const Candidate &candidate, qint64 length, const Node &node)
{
    const int action = numberSize(actionNumber(static_cast<quint8>(candidate.kind), length));
    switch (candidate.kind) {
    case Kind::SourceCopy:
        return action + numberSize(signedOffset(candidate.from - node.sourceCursor));
    case Kind::TargetCopy:
        return action + numberSize(signedOffset(candidate.from - node.targetCursor));
    case Kind::SourceRead:
    case Kind::TargetRead:
        break;
    }
    return action;
}

void Delta::write(QByteArray &out)
{
    m_out = &out;
    m_window.resize(static_cast<size_t>(MaxWindow + NiceLength + 1));
    std::vector<Candidate> found;
    qint64 base = 0;
    while (base < m_targetSize) {
        Node &start = m_window[0];
        start = Node{};
        start.sourceCursor = m_sourceCursor;
        start.targetCursor = m_targetCursor;
        start.literals = m_literalStart < 0 ? 0 : base - m_literalStart;
        qint32 reach = 0; // the farthest window position an action found so far ends at
        auto relax = [&](qint32 to, quint64 cost, qint32 from, const Node &node) {
            for (; reach < to; ++reach)
                m_window[static_cast<size_t>(reach) + 1].cost = Unreached;
            Node &there = m_window[static_cast<size_t>(to)];
            if (cost < there.cost) {
                there = node;
                there.cost = cost;
                there.previous = from;
            }
        };
        for (qint32 r = 0;; ++r) {
            const qint64 at = base + r;
            // Where no action found crosses a position, every cheapest way passes through it.
            if (at == m_targetSize || (r > 0 && reach <= r) || r == MaxWindow) {
                commit(base, r);
                base = at;
                break;
            }
            const Node node = m_window[static_cast<size_t>(r)];
            candidates(at, node, found);

            const Candidate *longest = nullptr;
            qint64 longestLength = 0;
            qint64 longestGain = std::numeric_limits<qint64>::min();
            for (const Candidate &candidate : found) {
                if (candidate.length < NiceLength)
                    continue;
                const qint64 length = extend(candidate, at);
                const auto gain = length - static_cast<qint64>(cost(candidate, length, node));
                if (gain > longestGain) {
                    longest = &candidate;
                    longestLength = length;
                    longestGain = gain;
                }
            }
            if (longest) {
                commit(base, r);
                writeAction(longest->kind, at, longest->from, longestLength);
                remember(at, at + longestLength);
                base = at + longestLength;
                break;
            }

            Node next = node;
            next.kind = Kind::TargetRead;
            next.literals = node.literals + 1;
            const quint64 literal = 1 + numberSize(actionNumber(1, node.literals + 1))
                                    - (node.literals > 0
                                           ? numberSize(actionNumber(1, node.literals))
                                           : 0);
            relax(r + 1, node.cost + literal, r, next);
            for (const Candidate &candidate : found) {
                next = node;
                next.kind = candidate.kind;
                next.from = candidate.from;
                next.literals = 0;
                for (qint64 length = 1; length <= candidate.length; ++length) {
                    if (candidate.kind == Kind::SourceCopy)
                        next.sourceCursor = candidate.from + length;
                    else if (candidate.kind == Kind::TargetCopy)
                        next.targetCursor = candidate.from + length;
                    relax(r + static_cast<qint32>(length),
                          node.cost + cost(candidate, length, node),
                          r,
                          next);
                }
            }
            remember(at, at + 1);
        }
    }
    flushLiterals(m_targetSize);
    m_out = nullptr;
}

void Delta::commit(qint64 base, qint32 end)
{
    std::vector<qint32> path;
    for (qint32 r = end; r > 0; r = m_window[static_cast<size_t>(r)].previous)
        path.push_back(r);
    qint32 from = 0;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const Node &node = m_window[static_cast<size_t>(*it)];
        writeAction(node.kind, base + from, node.from, *it - from);
        from = *it;
    }
}

void Delta::writeAction(Kind kind, qint64 at, qint64 from, qint64 length)
{
    if (kind == Kind::TargetRead) {
        if (m_literalStart < 0)
            m_literalStart = at;
        return;
    }
    flushLiterals(at);
    appendNumber(*m_out, actionNumber(static_cast<quint8>(kind), length));
    if (kind == Kind::SourceCopy) {
        appendNumber(*m_out, signedOffset(from - m_sourceCursor));
        m_sourceCursor = from + length;
    } else if (kind == Kind::TargetCopy) {
        appendNumber(*m_out, signedOffset(from - m_targetCursor));
        m_targetCursor = from + length;
    }
}

void Delta::flushLiterals(qint64 at)
{
    if (m_literalStart < 0)
        return;
    const qint64 length = at - m_literalStart;
    appendNumber(*m_out, actionNumber(1, length));
    m_out->append(m_t + m_literalStart, length);
    m_literalStart = -1;
}

} // namespace Bps
