#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

// IPS patches: "PATCH", then records that each write bytes at a 3-byte offset, then "EOF",
// optionally followed by the 3-byte length to cut the file to. Reading checks every record
// against the patch's end; creating avoids the format's traps (a record at 454F46 hex reads as
// "EOF", offsets stop at 16 MiB, a record holds at most 65,535 bytes).
namespace Ips {

// The first offset past the format's reach, and so the largest target it can describe.
constexpr qint64 MaxTargetSize = qint64(1) << 24;
// A record may not start here: its offset would read as the "EOF" marker.
constexpr qint64 EofOffset = 0x454F46;
constexpr qint64 MaxRecordSize = 0xFFFF;

struct Record
{
    qint64 offset = 0;    // where in the file the record writes
    qint64 size = 0;      // how many bytes it writes
    qsizetype at = 0;     // where the record starts in the patch
    bool run = false;     // size copies of one byte rather than size bytes of data
    char fill = 0;        // a run's byte
    qsizetype dataAt = 0; // where a record's data starts in the patch
};

struct Contents
{
    std::vector<Record> records;
    std::optional<qint64> truncation; // the length given after "EOF"
};

// The records of a patch, checked against its end. Throws PatchError saying where it is damaged.
[[nodiscard]] Contents read(const QByteArray &patch);

// The file with the patch applied: records in order, the file grown with zero bytes where one
// reaches past its end, then cut to the truncation length when that is shorter.
[[nodiscard]] QByteArray apply(const QByteArray &original, const QByteArray &patch);

// A patch that turns original into modified. Throws PatchError when modified is larger than the
// format reaches.
[[nodiscard]] QByteArray create(const QByteArray &original, const QByteArray &modified);

} // namespace Ips
