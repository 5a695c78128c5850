#pragma once

#include <QByteArray>

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace Bps {

// The bytes a variable-length number takes in a patch: seven bits a byte, each further byte
// adding one to what the bytes before it can say, so that every number has one spelling.
[[nodiscard]] inline int numberSize(quint64 value)
{
    int size = 1;
    while (value >= 0x80) {
        value = (value >> 7) - 1;
        ++size;
    }
    return size;
}
void appendNumber(QByteArray &out, quint64 value);

enum class Kind : quint8 { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// One action of a patch: it writes the next length bytes of the target, reading them from the
// source at `from` or where they stand, from the target at `from`, or from the patch. Actions
// are many: where they write is not kept but counted.
struct Action
{
    qint64 from = 0;
    quint32 length = 0;
    Kind kind = Kind::TargetRead;
};

// Appends actions to a patch as they come, in the target's order and in as many lists as it
// takes, joining those that go on where the one before stopped, with each copy's offset
// relative to where the last copy of its kind stopped. The last action is written by finish().
class Encoder
{
public:
    Encoder(QByteArray &out, const char *target);

    void add(const std::vector<Action> &actions);
    void finish();

private:
    void write();

    QByteArray &m_out;
    const char *m_target;
    qint64 m_at = 0; // where in the target the open action starts
    qint64 m_sourceCursor = 0;
    qint64 m_targetCursor = 0;
    Action m_open;       // the action being joined, not yet written
    qint64 m_length = 0; // its length so far, which joining may take past 32 bits
};

// The source's suffixes in sorted order, where those beginning with each pair of bytes start
// among them, and the first bytes of every 32nd: the longest match of any bytes in the
// source in a few steps. The source must outlive it.
class SourceIndex
{
public:
    // Sorts the suffixes, or keeps none for a source of 2 GiB or more (then moved bytes are found
    // only right after others). Throws std::bad_alloc when memory runs short.
    explicit SourceIndex(const QByteArray &source);

    // Where in the source the longest match of the pattern starts, and its length, up to limit.
    [[nodiscard]] std::pair<qint64, qint64> longest(const char *pattern, qint64 limit) const;

    // The same search in steps, so that those of several patterns can wait on memory together:
    // prepare each, find each one's group, narrow each, fetch each, then finish each. A
    // pattern must have two bytes to be prepared.
    struct Search
    {
        const char *pattern = nullptr;
        qint64 limit = 0;
        qint64 low = -1;
        qint64 high = 0;
        qint64 unmeasuredLow = -2;
        qint64 unmeasuredHigh = -2;
    };
    void prepare(const char *pattern) const;
    [[nodiscard]] Search group(const char *pattern, qint64 limit) const;
    void narrow(Search &search) const;
    void fetch(const Search &search) const;
    [[nodiscard]] std::pair<qint64, qint64> finish(Search search) const;

    [[nodiscard]] const char *bytes() const { return m_s; }
    [[nodiscard]] qint64 size() const { return m_size; }

private:
    [[nodiscard]] static bool keyed(const Search &search);
    [[nodiscard]] qint64 suffix(qint64 index) const;
    [[nodiscard]] const char *suffixAddress(qint64 index) const;

    const char *m_s;
    qint64 m_size;
    // The suffixes' places in sorted order, in three bytes each up to 16 MiB of source, else
    // in four, then with a byte more at the end, so that each is read in one load.
    std::unique_ptr<char, decltype(&std::free)> m_suffixes{nullptr, &std::free};
    int m_width = 0; // the bytes of a place; none are kept while 0

    // By first two bytes, where their suffixes start, and where they all end.
    std::vector<qint32> m_groups;
    size_t m_lastByte = 0;
    // The first eight bytes of every 32nd suffix, as numbers that sort as the bytes do.
    std::vector<quint64> m_keys;
    std::vector<quint64> m_topKeys; // every eighth key
};

// Chooses the actions that build a part of the target: where its bytes stand unchanged in the
// source, where they moved to in it, where they repeat bytes of the target written before and
// where they are new. The source's index finds the longest source match at each position;
// hashes of the target's next few and eight bytes find its repeats. Between long matches a
// shortest-path search over the positions picks the actions whose numbers, offsets included,
// take the fewest patch bytes.
class Delta
{
public:
    // For parts of the target; the index and target must outlive it.
    Delta(const SourceIndex &index, const QByteArray &target);

    // The actions, in order, that write the target's bytes from begin to end. Parts may be
    // searched in any order; each copies only from the target before it.
    [[nodiscard]] std::vector<Action> actions(qint64 begin, qint64 end);

private:
    // A way to write bytes from one position: its kind, where it copies from and how many
    // bytes agree there (no more than the search looks at, unless the match was long).
    struct Candidate
    {
        Kind kind = Kind::TargetRead;
        qint64 from = 0;
        qint64 length = 0;
    };

    // The cheapest way found to reach a position of the search window by an action of one
    // kind, and what it leaves behind: the cursors copies are relative to and the length of the
    // open literal run. Each position keeps one way for each kind of last action, as the
    // cheapest way there may leave the cursors where the next copy costs more.
    static constexpr int Kinds = 4;
    struct Node
    {
        qint32 previous = -1;         // the way this action starts from, as position * Kinds + kind
        Kind kind = Kind::TargetRead; // of the last action, which starts at previous
        qint64 from = 0;
        qint64 sourceCursor = 0;
        qint64 targetCursor = 0;
        qint64 literals = 0;
    };

    // A long match to take: after which way, from where, to where, and at what cost in all.
    struct Long
    {
        qint32 after = -1;
        Kind kind = Kind::TargetRead;
        qint64 from = 0;
        qint64 end = -1;
        quint64 cost = 0;
    };

    template<int Bytes>
    [[nodiscard]] size_t hashAt(qint64 at) const;
    void remember(qint64 from, qint64 to);
    void sample(qint64 from, qint64 to);
    void candidates(qint64 at, std::vector<Candidate> &found);
    void continuations(qint64 at, const Node &node, std::vector<Candidate> &found) const;
    [[nodiscard]] qint32 cheapest(qint32 at) const;
    [[nodiscard]] qint64 extend(const Candidate &candidate, qint64 at) const;
    [[nodiscard]] static bool continues(const Candidate &candidate, const Node &node);
    [[nodiscard]] static int offsetSize(const Candidate &candidate, const Node &node);
    [[nodiscard]] static quint64 cost(const Candidate &candidate,
                                      qint64 length,
                                      const Node &node,
                                      qint32 at);
    void commit(qint32 end);
    void writeAction(Kind kind, qint64 from, qint64 length);

    const SourceIndex &m_index;
    const char *m_s;
    const char *m_t;
    qint64 m_sourceSize;
    qint64 m_targetSize = 0; // where the part ends
    // By a hash of the target's next few or eight bytes, where they were last seen.
    std::vector<quint32> m_lastShort;
    std::vector<quint32> m_lastLong;
    // The source's longest matches at a few positions from m_searchedFrom on, searched together.
    static constexpr qint64 Batch = 8;
    qint64 m_searchedFrom = -Batch;
    std::pair<qint64, qint64> m_searched[Batch];
    quint32 m_hashShift = 0;
    std::vector<Node> m_window;
    // What each way of the window costs, kept apart from the ways themselves: most ways tried
    // cost no less than one found before, and only the costs are read to tell.
    std::vector<quint64> m_costs;
    std::vector<Action> m_actions;
    // Where the actions so far leave the copies' cursors.
    qint64 m_sourceCursor = 0;
    qint64 m_targetCursor = 0;
};

} // namespace Bps
