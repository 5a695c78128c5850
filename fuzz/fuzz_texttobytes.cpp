// A table and a typed text from the same input: the first byte says how much of the end is
// the text, the rest before it is read as a table file.

#include "fuzzsupport.h"

#include "document/keltable.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

// The rule as stated: every prefix from the shortest up, every byte value from 0 up, and the
// last pair that matches wins.
QByteArray plainTextToBytes(QByteArray typed, const KelTable &table)
{
    QByteArray pattern;
    while (!typed.isEmpty()) {
        int value = -1;
        qsizetype length = 0;
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            const QByteArray prefix = typed.left(n);
            for (int b = 0; b < KelTable::Size; ++b) {
                if (table.entry(b) == prefix) {
                    value = b;
                    length = n;
                }
            }
        }
        if (value < 0)
            break;
        pattern.append(static_cast<char>(value));
        typed.remove(0, length);
    }
    return pattern;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto *chars = reinterpret_cast<const char *>(data);
    const auto rest = static_cast<qsizetype>(size - 1);
    const qsizetype typedLength = std::min<qsizetype>(data[0] % 64, rest);
    const QByteArray typed(chars + 1 + rest - typedLength, typedLength);
    KelTable table;
    table.readRecords(QByteArray(chars + 1, rest - typedLength));

    const QByteArray pattern = table.encode(typed).bytes;
    FuzzSupport::check(pattern == plainTextToBytes(typed, table));

    // The translations of the pattern spell the start of what was typed.
    QByteArray spelled;
    for (const char b : pattern)
        spelled.append(table.entry(static_cast<unsigned char>(b)));
    FuzzSupport::check(typed.startsWith(spelled));
    FuzzSupport::check(pattern.size() <= typed.size());
    return 0;
}
