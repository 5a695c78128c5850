#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <vector>

class KelTable;

// A translation table as the field's .tbl files define it: codes of 1 to 8 bytes, each spelling a
// Unicode text (a kana, a kanji, a DTE or MTE run such as "the "), end tokens after which a
// string ends, line breaks, and linked entries whose code is followed by parameter bytes. It
// reads bytes as text, always and exactly, and spells text as bytes that read back as that text,
// or says why it cannot.
class TextTable
{
public:
    static constexpr int MaxKeyLength = 8;
    // The most parameter bytes a linked entry takes, so that a unit is never longer than
    // MaxKeyLength + MaxParameters bytes and a reader in chunks knows how much to carry over.
    static constexpr int MaxParameters = 255;
    // The largest .tbl file read: a kanji table of every JIS code is well under a megabyte.
    static constexpr qsizetype MaxFileSize = qsizetype(16) << 20;

    TextTable();

    enum class Kind {
        Normal,    // HEX=text
        End,       // /HEX=text: a string ends after it
        LineBreak, // *HEX or *HEX=text: a dump starts a new line after it
        Linked,    // $HEX=label,N: followed by N parameter bytes, read as "<$XX>" each
    };

    struct Entry
    {
        QByteArray key; // 1 to MaxKeyLength bytes
        QString text;   // for Linked, the label
        Kind kind = Kind::Normal;
        int parameters = 0; // Linked only
    };

    // A line of a .tbl file that was left out, and why.
    struct Warning
    {
        int line = 0; // 1-based
        QString what;
    };

    struct Parsed;

    // The entries of a .tbl file's bytes: UTF-8, a byte-order mark skipped, lines ending in LF,
    // CR LF or CR. Blank lines and "#" lines are skipped; table switches, table names, a key
    // defined a second time (the first holds) and anything malformed are warnings naming the
    // line. A file in UTF-16 gives no entry and one warning.
    [[nodiscard]] static Parsed parse(QByteArrayView fileBytes);
    // Reads and parses the file at path; throws FileError when it cannot be read, is UTF-16 or
    // is larger than MaxFileSize.
    [[nodiscard]] static Parsed read(const QString &path);
    // The one-byte table a .kel holds: key k spells the Latin-1 text of entry k. An empty entry
    // is kept as a key whose text is empty, so that its byte reads as nothing, as the window
    // shows it, rather than as "<$XX>"; an empty text never spells anything.
    [[nodiscard]] static TextTable fromKel(const KelTable &kel);

    // Adds an entry; false, and nothing changed, when its key is defined already.
    bool add(const Entry &entry);
    [[nodiscard]] const QList<Entry> &entries() const { return m_entries; }
    [[nodiscard]] bool isEmpty() const { return m_entries.isEmpty(); }
    // The most bytes one unit (a key and its parameters) can take in this table.
    [[nodiscard]] int maxUnitLength() const { return m_maxUnitLength; }
    // The entry whose key is exactly key, or nullptr.
    [[nodiscard]] const Entry *find(QByteArrayView key) const;

    // What the bytes at one point read as: the entry of the longest key that they start with,
    // followed by its parameters, or a single byte that no key covers. length counts the
    // parameters; a linked entry cut short by the end of the bytes takes what is there.
    struct Unit
    {
        const Entry *entry = nullptr; // nullptr: the raw byte bytes[at]
        qsizetype length = 1;
    };
    [[nodiscard]] Unit unitAt(QByteArrayView bytes, qsizetype at) const;

    // The text of one unit: the entry's text; a linked entry's label followed by "<$XX>" for
    // each parameter; "<$XX>" for a raw byte.
    [[nodiscard]] QString unitText(QByteArrayView bytes, qsizetype at, const Unit &unit) const;

    // The text the bytes read as, unit by unit. Every run of bytes has one.
    [[nodiscard]] QString decode(QByteArrayView bytes) const;

    enum class Spelling {
        LongestFirst, // the longest entry text at each point; ties: shortest code, then highest
        Fewest,       // a spelling with the fewest bytes; the same text always gives the same
    };

    // Text spelled as bytes. "<$XX>" is the byte XX; a linked entry's label takes the typed
    // bytes after it as its parameters, all of them or as many as there are before the text
    // ends. When the text cannot be spelled, bytes holds what was spelled before the point
    // where it stopped, consumed says how many characters that was, and problem says why
    // (naming the character and its position). A result reads back, through decode, unit for
    // unit as it was spelled: as the text itself, but that a typed byte reads as its own
    // entry's text where it has one. A spelling that would read as other units (a key
    // followed by bytes that make a longer key with it) is refused, not given.
    struct Encoded
    {
        QByteArray bytes;
        qsizetype consumed = 0;
        QString problem; // empty when the whole text was spelled
    };
    [[nodiscard]] Encoded encode(const QString &text, Spelling spelling) const;

private:
    // A piece of a spelling: an entry with its parameters, or a byte typed as "<$XX>".
    struct Piece
    {
        int entry = -1; // -1: a typed byte
        qsizetype textEnd = 0;
        QByteArray bytes;
    };
    struct Step;

    [[nodiscard]] int indexOf(QByteArrayView key) const;
    // Every way a piece can start at text position at, longest text first.
    void stepsAt(const QString &text, qsizetype at, std::vector<Step> &steps) const;
    [[nodiscard]] Encoded longestFirst(const QString &text) const;
    [[nodiscard]] Encoded fewest(const QString &text) const;
    // The bytes of the pieces, which spell the text up to stoppedAt, or why they cannot be had.
    [[nodiscard]] Encoded finish(const QString &text,
                                 const std::vector<Piece> &pieces,
                                 qsizetype stoppedAt) const;
    // Checks that the pieces' bytes read back as the pieces they were spelled from.
    void checkReadsBack(const QString &text,
                        const std::vector<Piece> &pieces,
                        Encoded &encoded) const;

    QList<Entry> m_entries;
    int m_maxUnitLength = 1;
    // Keys by length: one byte and two bytes in flat arrays, as most tables are; longer in hashes.
    std::array<int, 256> m_oneByte;
    std::vector<int> m_twoBytes;
    std::array<QHash<quint64, int>, MaxKeyLength + 1> m_longer;
    // Bit k set when some key of k bytes starts with the byte.
    std::array<quint16, 256> m_lengthsByFirst{};
    // The entry texts as a trie of UTF-16 units: edges by (node, unit); at each node the
    // entries spelling exactly its text, shortest key first, then the highest.
    QHash<quint64, int> m_edges;
    std::vector<std::vector<int>> m_spelledBy{{}};
};

struct TextTable::Parsed
{
    TextTable table;
    QList<Warning> warnings;
    QList<int> lines; // the line of each entry of the table, in order
};
