#include "keltablefile.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"
#include "platform/error.h"

#include <QDir>
#include <QFileInfo>

void LoadTable(KelTable &table, const QString &path)
{
    BinaryFile::createIfMissing(path);
    ReadTable(table, path);
}

void ReadTable(KelTable &table, const QString &path)
{
    table.readRecords(BinaryFile::readStart(path, KelTable::MaxReadSize));
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
        throw Error(problem);
    BinaryFile::replaceContents(path, table.records());
}

QString tablePathFor(const QString &romPath)
{
    return romPath.left(qMax<qsizetype>(0, romPath.size() - 3)) + QStringLiteral("kel");
}

void refuseUnusableRom(const QString &romPath, const QString &tablePath)
{
    BinaryFile(romPath, BinaryFile::Mode::Read).close();
    const QFileInfo rom(romPath);
    const QFileInfo table(tablePath);
    const bool samePath = QDir::cleanPath(rom.absoluteFilePath())
                          == QDir::cleanPath(table.absoluteFilePath());
    if (samePath) {
        BinaryFile::fail(QStringLiteral("open"),
                         romPath,
                         QStringLiteral("Its name ends in \"kel\", so its translation table would "
                                        "be the ROM file itself, and saving the table would "
                                        "overwrite the ROM. Rename the ROM, for example to end "
                                        "in \".smc\"."));
    }
    if (table.exists() && rom.canonicalFilePath() == table.canonicalFilePath()) {
        BinaryFile::fail(QStringLiteral("open"),
                         romPath,
                         QStringLiteral("Its translation table \"%1\" is, through a link, the "
                                        "ROM file itself, and saving the table would overwrite "
                                        "the ROM. Remove or rename the link.")
                             .arg(QDir::toNativeSeparators(tablePath)));
    }
}
