#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

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
    // line.
    [[nodiscard]] static Parsed parse(QByteArrayView fileBytes);
    // Reads and parses the file at path; throws FileError when it cannot be read.
    [[nodiscard]] static Parsed read(const QString &path);
    // The one-byte table a .kel holds: key k spells the Latin-1 text of entry k, for every
    // non-empty entry.
    [[nodiscard]] static TextTable fromKel(const KelTable &kel);

    // Adds an entry; false, and nothing changed, when its key is defined already.
    bool add(const Entry &entry);
    [[nodiscard]] const QList<Entry> &entries() const { return m_entries; }
    [[nodiscard]] bool isEmpty() const { return m_entries.isEmpty(); }

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

    // Text spelled as bytes. "<$XX>" is the byte XX. When the text cannot be spelled, bytes
    // holds what was spelled before the point where it stopped, consumed says how many
    // characters that was, and problem says why (naming the character and its position). A
    // result without a problem reads back, through decode, as the text.
    struct Encoded
    {
        QByteArray bytes;
        qsizetype consumed = 0;
        QString problem; // empty when the whole text was spelled
    };
    [[nodiscard]] Encoded encode(const QString &text, Spelling spelling) const;

private:
    QList<Entry> m_entries;
    // Lookup structures are the implementation's own.
};

struct TextTable::Parsed
{
    TextTable table;
    QList<Warning> warnings;
};
