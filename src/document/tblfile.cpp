#include "tblfile.h"

#include "document/texttable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

#include <algorithm>

namespace TblFile {

namespace {

// The line an entry came from, as the file spells it but for the case of its hex digits.
QString source(const TextTable::Entry &entry)
{
    const QString key = QString::fromLatin1(entry.key.toHex().toUpper());
    switch (entry.kind) {
    case TextTable::Kind::End:
        return QLatin1Char('/') + key + QLatin1Char('=') + entry.text;
    case TextTable::Kind::LineBreak:
        return QLatin1Char('*') + key
               + (entry.text == QLatin1String("\n") ? QString() : QLatin1Char('=') + entry.text);
    case TextTable::Kind::Linked:
        return QStringLiteral("$%1=%2,%3").arg(key, entry.text).arg(entry.parameters);
    case TextTable::Kind::Normal:
        break;
    }
    return key + QLatin1Char('=') + entry.text;
}

// Why a .kel cannot hold the entry, or nothing when it can.
QString cannotHold(const TextTable::Entry &entry)
{
    if (entry.key.size() > 1) {
        return QStringLiteral("its key is %1 bytes long; a .kel maps one byte at a time")
            .arg(entry.key.size());
    }
    if (entry.kind == TextTable::Kind::Linked)
        return QStringLiteral("a .kel entry takes no parameters");
    if (entry.key.at(0) == '\0')
        return QStringLiteral("byte 00 always reads as \u00A5 in a .kel");
    for (const QChar c : entry.text) {
        if (c.unicode() > 0xFF)
            return QStringLiteral("\"%1\" has no 8-bit (Latin-1) code").arg(c);
    }
    return {};
}

} // namespace

Parsed parse(QByteArrayView fileBytes)
{
    Parsed parsed;
    parsed.table.readRecords({});
    if (fileBytes.startsWith("\xFF\xFE") || fileBytes.startsWith("\xFE\xFF")) {
        parsed.problem = QStringLiteral("It is UTF-16 text; a .tbl file is read as UTF-8.");
        return parsed;
    }
    const TextTable::Parsed read = TextTable::parse(fileBytes);
    for (const TextTable::Warning &warning : read.warnings)
        parsed.warnings.append({warning.line, warning.what});
    const QList<TextTable::Entry> &entries = read.table.entries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const TextTable::Entry &entry = entries.at(i);
        const QString why = cannotHold(entry);
        if (!why.isEmpty()) {
            parsed.warnings.append(
                {read.lines.at(i), QStringLiteral("\"%1\" left out: %2").arg(source(entry), why)});
            continue;
        }
        parsed.table.setEntry(static_cast<unsigned char>(entry.key.at(0)), entry.text.toLatin1());
        ++parsed.defined;
    }
    std::stable_sort(parsed.warnings.begin(),
                     parsed.warnings.end(),
                     [](const Warning &a, const Warning &b) { return a.line < b.line; });
    return parsed;
}

Written write(const KelTable &table)
{
    Written written;
    for (int b = 1; b < KelTable::Size; ++b) {
        const QByteArray &text = table.entry(b);
        const QByteArray key = Convert::hexPair(b);
        if (text.isEmpty())
            continue;
        if (text == "\n") {
            written.bytes += '*' + key + '\n';
        } else if (text.contains('\n') || text.contains('\r')) {
            written.leftOut.append(
                QStringLiteral("byte %1 left out: its text holds a line end, which no .tbl line "
                               "can hold")
                    .arg(QString::fromLatin1(key)));
        } else {
            written.bytes += key + '=' + QString::fromLatin1(text).toUtf8() + '\n';
        }
    }
    return written;
}

bool isTblPath(const QString &path)
{
    return path.endsWith(QLatin1String(".tbl"), Qt::CaseInsensitive);
}

Parsed read(const QString &path)
{
    const QByteArray bytes = BinaryFile::readStart(path, TextTable::MaxFileSize + 1);
    if (bytes.size() > TextTable::MaxFileSize) {
        BinaryFile::fail(QStringLiteral("read"),
                         path,
                         QStringLiteral("It is larger than %1 MiB, more than any table holds.")
                             .arg(TextTable::MaxFileSize >> 20));
    }
    Parsed parsed = parse(bytes);
    if (!parsed.problem.isEmpty())
        BinaryFile::fail(QStringLiteral("read"), path, parsed.problem);
    return parsed;
}

} // namespace TblFile
