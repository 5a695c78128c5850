#include "romdocument.h"

#include "document/keltablefile.h"
#include "document/romline.h"
#include "platform/binaryfile.h"

void RomDocument::open(const QString &romPath)
{
    const QString tablePath = tablePathFor(romPath);
    refuseUnusableRom(romPath, tablePath);
    KelTable table = m_table;
    LoadTable(table, tablePath);
    Page page = readPage(romPath, tablePath, 0, table);
    m_romPath = romPath;
    m_tablePath = tablePath;
    m_table = table;
    m_page = std::move(page);
}

RomDocument::Page RomDocument::readPage(const QString &romPath,
                                        const QString &tablePath,
                                        double topLine,
                                        const KelTable &table) const
{
    // Every page read finds the table file there, or makes it, as Open does.
    BinaryFile::createIfMissing(tablePath);
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    Page page;
    page.topLine = topLine;
    page.romLength = static_cast<double>(rom.length());
    for (int row = 0; row < Navigation::PageRows; ++row) {
        Line &line = page.lines[row];
        line.bytes = RomLine::ReadLine(rom, topLine + row);
        line.text = RomLine::LineText(line.bytes, table);
        line.offset = Navigation::rowOffset(topLine, row);
    }
    rom.close();
    return page;
}

void RomDocument::moveTo(double topLine)
{
    m_page = readPage(m_romPath, m_tablePath, topLine, m_table);
}

void RomDocument::reread()
{
    moveTo(topLine());
}

void RomDocument::pageDown()
{
    moveTo(Navigation::pageDown(topLine(), romLength()));
}

void RomDocument::pageUp()
{
    moveTo(Navigation::pageUp(topLine()));
}

void RomDocument::goTo(const QString &entry)
{
    moveTo(Navigation::goTo(entry, romLength()).value_or(topLine()));
}

std::optional<qint64> RomDocument::find(const QByteArray &typed,
                                        const FileSearch::Progress &progress)
{
    m_searchBytes = m_table.encode(typed).bytes;
    return search(Navigation::FindFrom::Start, progress);
}

std::optional<qint64> RomDocument::findNext(const FileSearch::Progress &progress)
{
    return search(Navigation::FindFrom::TopLine, progress);
}

std::optional<qint64> RomDocument::search(Navigation::FindFrom from,
                                          const FileSearch::Progress &progress)
{
    std::optional<qint64> found;
    double newTop = 0;
    if (!m_searchBytes.isEmpty()) {
        const qint64 start = Navigation::startPosition(from, topLine());
        BinaryFile rom(m_romPath, BinaryFile::Mode::Read);
        // A file that shrank since the page was read has no bytes past its end to match.
        const qint64 length = std::min(static_cast<qint64>(romLength()), rom.length());
        found = FileSearch::findPattern(rom, m_searchBytes, start, length, progress);
        rom.close();
        newTop = Navigation::topLineAfterFind(found.value_or(start));
    }
    moveTo(newTop);
    return found;
}

void RomDocument::writeLine(double offset, const QByteArray &bytes)
{
    // A ROM that has gone missing is not created again: a patch belongs in the file opened.
    BinaryFile rom(m_romPath, BinaryFile::Mode::Write);
    RomLine::WriteLine(rom, offset / RomLine::Length, bytes);
    rom.close();
}

KelTable RomDocument::tableFromFile(KelTable base) const
{
    LoadTable(base, m_tablePath);
    return base;
}

void RomDocument::saveTable(const KelTable &table)
{
    SaveTable(table, m_tablePath);
}

void RomDocument::reloadTable()
{
    // A load that fails changes no entry, so the table is reloaded in place.
    LoadTable(m_table, m_tablePath);
}
