#include "keltablefile.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

#include <stdexcept>

void LoadTable(KelTable &table, const QString &path)
{
    BinaryFile::createIfMissing(path);
    ReadTable(table, path);
}

void ReadTable(KelTable &table, const QString &path)
{
    table.readRecords(BinaryFile::readAll(path));
}

QString tableSaveProblem(const KelTable &table)
{
    for (int k = 1; k <= KelTable::RecordCount; ++k) {
        if (table.entry(k).contains(KelTable::Terminator)) {
            return QStringLiteral("The translation of byte %1 holds a carriage return, which "
                                  "would split the table file's records.")
                .arg(QString::fromLatin1(Convert::hexPair(k)));
        }
    }
    const qsizetype size = table.recordsSize();
    if (size > KelTable::MaxFileSize) {
        return QStringLiteral("The table would take %1 bytes; a table file holds at most %2.")
            .arg(size)
            .arg(KelTable::MaxFileSize);
    }
    return {};
}

void SaveTable(const KelTable &table, const QString &path)
{
    // Callers check first and tell the user; writing such a table would corrupt the file.
    const QString problem = tableSaveProblem(table);
    if (!problem.isEmpty())
        throw std::invalid_argument(problem.toStdString());
    BinaryFile::replaceContents(path, table.records());
}

QString tablePathFor(const QString &romPath)
{
    return romPath.left(qMax<qsizetype>(0, romPath.size() - 3)) + QStringLiteral("kel");
}
