#pragma once

#include <QByteArray>

#include <cstdint>
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

// Chooses the actions that build a target from a source and writes them: where the target's
// bytes stand unchanged in the source, where they moved to in it, where they repeat bytes of
// the target already written and where they are new. The source's suffix array finds the
// longest source match at each position; a hash of the target's last eight bytes finds its
// repeats. Between long matches a shortest-path search over the positions picks the actions
// whose numbers, offsets included, take the fewest patch bytes.
class Delta
{
public:
    // Builds the source's suffix array, or none for a source of 2 GiB or more (then moved bytes
    // are found only right after others). Throws std::bad_alloc when memory runs short.
    Delta(const QByteArray &source, const QByteArray &target);

    // Appends the actions that build the whole target.
    void write(QByteArray &out);

private:
    enum class Kind : quint8 { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

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
        quint64 cost = 0;
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

    [[nodiscard]] static qint64 agree(const char *a, const char *b, qint64 limit);
    [[nodiscard]] Candidate longestInSource(qint64 at, qint64 limit) const;
    [[nodiscard]] size_t hashAt(qint64 at, int bytes) const;
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
    void commit(qint64 base, qint32 end);
    void writeAction(Kind kind, qint64 at, qint64 from, qint64 length);
    void flushLiterals(qint64 at);
    void flushAction();

    const char *m_s;
    const char *m_t;
    qint64 m_sourceSize;
    qint64 m_targetSize;
    std::vector<qint32> m_suffixes;
    std::vector<qint32> m_groups; // by first two bytes, where their suffixes start
    std::vector<qint32> m_groupSizes;
    // By a hash of the target's next few or eight bytes, where they were last seen.
    std::vector<quint32> m_lastShort;
    std::vector<quint32> m_lastLong;
    quint32 m_hashShift = 0;
    std::vector<Node> m_window;
    QByteArray *m_out = nullptr;
    // What the actions written so far leave behind.
    qint64 m_literalStart = -1;
    Candidate m_pending; // the last action, not written yet
    qint64 m_sourceCursor = 0;
    qint64 m_targetCursor = 0;
};

} // namespace Bps
