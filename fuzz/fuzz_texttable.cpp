// Any bytes as a .tbl file, followed after a byte 01 by a text and after another by bytes:
// reading the bytes covers each of them once, and whatever either spelling gives reads back as
// the text (or the part of it before where it stopped), the fewest bytes never more than the
// longest-first spelling's.

#include "fuzzsupport.h"

#include "document/texttable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> parts = input.split('\x01');
    const TextTable::Parsed parsed = TextTable::parse(parts.value(0));
    const TextTable &table = parsed.table;
    FuzzSupport::check(parsed.lines.size() == table.entries().size());
    int previous = 0;
    for (const TextTable::Warning &warning : parsed.warnings) {
        FuzzSupport::check(warning.line > previous && !warning.what.isEmpty());
        previous = warning.line;
    }

    const QByteArray bytes = parts.value(2);
    qsizetype covered = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const TextTable::Unit unit = table.unitAt(bytes, at);
        FuzzSupport::check(unit.length >= 1 && at + unit.length <= bytes.size()
                           && unit.length <= table.maxUnitLength());
        at += unit.length;
        covered = at;
    }
    FuzzSupport::check(covered == bytes.size());
    (void) table.decode(bytes);

    // Typed bytes read back as their own entries' texts, so only a text without them must
    // read back exactly.
    const QString text = QString::fromUtf8(parts.value(1)).left(64);
    const bool typed = text.contains(QLatin1String("<$"));
    qsizetype longestFirst = -1;
    for (const auto spelling : {TextTable::Spelling::LongestFirst, TextTable::Spelling::Fewest}) {
        const TextTable::Encoded encoded = table.encode(text, spelling);
        FuzzSupport::check(encoded.consumed >= 0 && encoded.consumed <= text.size());
        FuzzSupport::check(encoded.problem.isEmpty() == (encoded.consumed == text.size()));
        if (!typed)
            FuzzSupport::check(table.decode(encoded.bytes) == text.left(encoded.consumed));
        if (spelling == TextTable::Spelling::LongestFirst && encoded.problem.isEmpty())
            longestFirst = encoded.bytes.size();
        if (spelling == TextTable::Spelling::Fewest && encoded.problem.isEmpty()
            && longestFirst >= 0)
            FuzzSupport::check(encoded.bytes.size() <= longestFirst);
    }
    return 0;
}
