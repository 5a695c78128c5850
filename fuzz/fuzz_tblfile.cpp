// Any bytes as a .tbl file: the reader keeps to what a .kel can hold, numbers its warnings by
// line, and what the writer makes of the result reads back to the same table.

#include "fuzzsupport.h"

#include "document/tblfile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const TblFile::Parsed parsed = TblFile::parse(bytes);

    FuzzSupport::check(parsed.table.entry(0) == QByteArray("\xA5"));
    // Only a UTF-16 file is refused whole; any other gives a table, the empty one included.
    FuzzSupport::check(parsed.problem.isEmpty() || parsed.defined == 0);
    for (int b = 1; b < KelTable::Size; ++b)
        FuzzSupport::check(!parsed.table.entry(b).contains('\r'));
    const int lines = static_cast<int>(bytes.count('\n') + bytes.count('\r')) + 1;
    int previous = 0;
    for (const TblFile::Warning &warning : parsed.warnings) {
        FuzzSupport::check(warning.line > previous && warning.line <= lines
                           && !warning.what.isEmpty());
        previous = warning.line;
    }

    const TblFile::Written written = TblFile::write(parsed.table);
    FuzzSupport::check(written.leftOut.isEmpty());
    const TblFile::Parsed again = TblFile::parse(written.bytes);
    FuzzSupport::check(again.warnings.isEmpty());
    FuzzSupport::check(again.table.records() == parsed.table.records());
    return 0;
}
