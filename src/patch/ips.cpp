#include "ips.h"

#include "patch/difference.h"
#include "patch/patcherror.h"

#include <algorithm>
#include <cstring>

namespace Ips {

namespace {

const QByteArray Magic = QByteArrayLiteral("PATCH");
const QByteArray EndMarker = QByteArrayLiteral("EOF");
constexpr qsizetype RecordHeaderSize = 5;
constexpr qsizetype RunRecordSize = 8;

quint32 bigEndian(const QByteArray &bytes, qsizetype at, int count)
{
    quint32 value = 0;
    for (int k = 0; k < count; ++k)
        value = (value << 8) | static_cast<quint8>(bytes[at + k]);
    return value;
}

void appendBigEndian(QByteArray &out, qint64 value, int count)
{
    for (int k = count - 1; k >= 0; --k)
        out.append(static_cast<char>((value >> (8 * k)) & 0xFF));
}

// Writes the records for one stretch of the target that differs from what the original (grown
// with zero bytes) holds there.
class Writer
{
public:
    Writer(const QByteArray &target, QByteArray &out)
        : m_target(target)
        , m_out(out)
    {}

    void stretch(qint64 begin, qint64 end)
    {
        qint64 literal = begin;
        for (qint64 at = begin; at < end;) {
            qint64 runEnd = at + 1;
            while (runEnd < end && m_target[runEnd] == m_target[at])
                ++runEnd;
            // A run record costs 8 bytes, and splitting a data record around it 5 more on each
            // side that keeps data; take the run only where that leaves the patch smaller.
            const bool dataBefore = literal < at;
            const bool dataAfter = runEnd < end;
            const qint64 worthIt = dataBefore && dataAfter ? 14 : (dataBefore || dataAfter ? 9 : 4);
            if (runEnd - at >= worthIt) {
                data(literal, at);
                run(at, runEnd);
                literal = runEnd;
            }
            at = runEnd;
        }
        data(literal, end);
    }

private:
    void header(qint64 offset, qint64 size)
    {
        appendBigEndian(m_out, offset, 3);
        appendBigEndian(m_out, size, 2);
    }

    void data(qint64 begin, qint64 end)
    {
        while (begin < end) {
            // The byte before is the target's too: writing it again costs one byte.
            if (begin == EofOffset)
                --begin;
            const qint64 size = std::min(end - begin, MaxRecordSize);
            header(begin, size);
            m_out.append(m_target.constData() + begin, size);
            begin += size;
        }
    }

    void run(qint64 begin, qint64 end)
    {
        while (begin < end) {
            if (begin == EofOffset || end - begin < 4) {
                // One byte as data (starting a byte early) where a run may not start, or the
                // last few bytes of a long run, where data is smaller than a run record.
                const qint64 size = begin == EofOffset ? 1 : end - begin;
                data(begin, begin + size);
                begin += size;
                continue;
            }
            const qint64 size = std::min(end - begin, MaxRecordSize);
            header(begin, 0);
            appendBigEndian(m_out, size, 2);
            m_out.append(m_target[begin]);
            begin += size;
        }
    }

    const QByteArray &m_target;
    QByteArray &m_out;
};

} // namespace

Contents read(const QByteArray &patch)
{
    if (!patch.startsWith(Magic))
        throw PatchError(
            QStringLiteral("This is not an IPS patch: it does not begin with \"PATCH\"."));
    const qsizetype size = patch.size();
    auto cutShort = [&](qsizetype at, const QString &what) {
        return PatchError(QStringLiteral("The patch is cut short: it ends at byte %1, inside %2 "
                                         "that starts at patch offset %3.")
                              .arg(size)
                              .arg(what, PatchError::offset(at)));
    };
    Contents contents;
    qsizetype at = Magic.size();
    while (true) {
        if (size - at < EndMarker.size()) {
            throw PatchError(QStringLiteral("The patch is cut short: it ends at byte %1 without "
                                            "the \"EOF\" marker.")
                                 .arg(size));
        }
        if (std::memcmp(patch.constData() + at, EndMarker.constData(), EndMarker.size()) == 0)
            break;
        if (size - at < RecordHeaderSize)
            throw cutShort(at, QStringLiteral("the record header"));
        Record record;
        record.at = at;
        record.offset = bigEndian(patch, at, 3);
        record.size = bigEndian(patch, at + 3, 2);
        record.dataAt = at + RecordHeaderSize;
        if (record.size == 0) {
            if (size - at < RunRecordSize)
                throw cutShort(at, QStringLiteral("the run record"));
            record.run = true;
            record.size = bigEndian(patch, at + 5, 2);
            record.fill = patch[at + 7];
            at += RunRecordSize;
        } else {
            if (size - record.dataAt < record.size) {
                throw PatchError(
                    QStringLiteral("The patch is cut short: the record at patch offset %1 "
                                   "writes %2 bytes at offset %3, and the patch holds "
                                   "only %4 of them.")
                        .arg(PatchError::offset(at))
                        .arg(record.size)
                        .arg(PatchError::offset(record.offset))
                        .arg(size - record.dataAt));
            }
            at = record.dataAt + record.size;
        }
        contents.records.push_back(record);
    }
    at += EndMarker.size();
    if (size - at == 3) {
        contents.truncation = bigEndian(patch, at, 3);
    } else if (size != at) {
        throw PatchError(QStringLiteral("%1 bytes follow the \"EOF\" marker at patch offset %2; "
                                        "only a 3-byte length to cut the file to may.")
                             .arg(size - at)
                             .arg(PatchError::offset(at - EndMarker.size())));
    }
    return contents;
}

QByteArray apply(const QByteArray &original, const QByteArray &patch)
{
    const Contents contents = read(patch);
    qint64 length = original.size();
    for (const Record &record : contents.records) {
        if (record.size > 0)
            length = std::max(length, record.offset + record.size);
    }
    QByteArray result = original;
    result.resize(length, '\0');
    char *bytes = result.data();
    for (const Record &record : contents.records) {
        if (record.run)
            std::memset(bytes + record.offset, record.fill, record.size);
        else
            std::memcpy(bytes + record.offset, patch.constData() + record.dataAt, record.size);
    }
    if (contents.truncation && *contents.truncation < result.size())
        result.truncate(*contents.truncation);
    return result;
}

QByteArray create(const QByteArray &original, const QByteArray &modified)
{
    const qint64 size = modified.size();
    if (size > MaxTargetSize) {
        throw PatchError(QStringLiteral("The modified file has %1 bytes: IPS offsets reach only "
                                        "16 MiB (%2 bytes). Make a BPS patch instead.")
                             .arg(size)
                             .arg(MaxTargetSize));
    }
    const bool shorter = size < original.size();
    if (shorter && size >= MaxTargetSize) {
        throw PatchError(QStringLiteral("The modified file is shorter than the original, and its "
                                        "length, %1 bytes, does not fit the 3 bytes that IPS cuts "
                                        "a file to. Make a BPS patch instead.")
                             .arg(size));
    }
    // Past the original's end, applying fills gaps with zero bytes: compare with those.
    QByteArray before = original;
    if (size > before.size())
        before.resize(size, '\0');

    QByteArray out = Magic;
    Writer writer(modified, out);
    const char *a = before.constData();
    const char *b = modified.constData();
    qint64 at = Patch::nextDifference(a, b, 0, size);
    while (at < size) {
        qint64 end = at;
        while (true) {
            while (end < size && a[end] != b[end])
                ++end;
            // An unchanged gap shorter than a record header costs less inside the record.
            const qint64 next = Patch::nextDifference(a, b, end, size);
            if (next == size || next - end >= RecordHeaderSize) {
                writer.stretch(at, end);
                at = next;
                break;
            }
            end = next;
        }
    }
    // A longer file must reach its full length, even where it ends in zero bytes.
    if (size > original.size() && a[size - 1] == b[size - 1])
        writer.stretch(size - 1, size);
    out += EndMarker;
    if (shorter)
        appendBigEndian(out, size, 3);
    return out;
}

} // namespace Ips
