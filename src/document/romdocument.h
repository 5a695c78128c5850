#pragma once

#include "document/keltable.h"
#include "document/navigation.h"
#include "platform/filesearch.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// One ROM opened with its table, as a front end works on it: where its two files are, the
// table, the page of 14 lines from the top line, and the pattern the last Find spelled. Every
// command reads or writes the files itself and throws FileError when one fails; a command that
// throws has changed nothing, only Find's new pattern stays.
class RomDocument
{
public:
    // One line of the page: its bytes, its text through the table, and its byte offset.
    struct Line
    {
        QByteArray bytes;
        QByteArray text;
        double offset = 0;
    };

    struct Page
    {
        double topLine = 0;
        // The ROM's length as this page's read measured it.
        double romLength = 0;
        std::array<Line, Navigation::PageRows> lines;
    };

    [[nodiscard]] bool isOpen() const { return !m_romPath.isEmpty(); }
    [[nodiscard]] const QString &romPath() const { return m_romPath; }
    [[nodiscard]] const QString &tablePath() const { return m_tablePath; }
    [[nodiscard]] const KelTable &table() const { return m_table; }
    [[nodiscard]] const Page &page() const { return m_page; }
    [[nodiscard]] double topLine() const { return m_page.topLine; }
    [[nodiscard]] double romLength() const { return m_page.romLength; }
    [[nodiscard]] const QByteArray &searchBytes() const { return m_searchBytes; }

    // Opens the ROM at romPath with the table beside it, a missing table created empty, and reads
    // the first page. Entries the table file does not supply keep the texts of the ROM before.
    void open(const QString &romPath);

    // Reads the page at the top line again.
    void reread();
    void pageDown();
    void pageUp();
    // Moves to the byte offset typed into Go To; an entry it refuses reads the same page again.
    void goTo(const QString &entry);

    // Spells typed through the table as the new search pattern and searches from the first byte;
    // Find Next searches for the same pattern from the last byte of the top line. Either moves to
    // the line of the match, or of the start when there is none, and returns the 1-based position
    // of the match. An empty pattern searches nothing and moves to the first line.
    std::optional<qint64> find(const QByteArray &typed, const FileSearch::Progress &progress = {});
    std::optional<qint64> findNext(const FileSearch::Progress &progress = {});

    // Writes 16 bytes into the ROM in place at the line of a byte offset; the ROM must exist.
    // The page is not read again.
    void writeLine(double offset, const QByteArray &bytes);

    // base with the table file's records over it, as a dialog keeps its own table between
    // openings; a missing table file is created empty.
    [[nodiscard]] KelTable tableFromFile(KelTable base) const;
    // Replaces the table file with table, which must have no tableSaveProblem().
    void saveTable(const KelTable &table);
    // Loads this document's table from its file again.
    void reloadTable();

private:
    [[nodiscard]] Page readPage(const QString &romPath,
                                const QString &tablePath,
                                double topLine,
                                const KelTable &table) const;
    void moveTo(double topLine);
    std::optional<qint64> search(Navigation::FindFrom from, const FileSearch::Progress &progress);

    QString m_romPath;
    QString m_tablePath;
    KelTable m_table;
    Page m_page;
    QByteArray m_searchBytes;
};
