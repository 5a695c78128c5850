#include "bps.h"

#include "patch/bpsdelta.h"
#include "patch/patcherror.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <system_error>

namespace Bps {

namespace {

const QByteArray Magic = QByteArrayLiteral("BPS1");
// Below this a second thread costs more than it saves.
constexpr qint64 ParallelFrom = qint64(1) << 18;
// The target is searched in parts taken in turn by two threads, as new text costs far more to
// search than bytes left in place. Each part is an eighth of what is left, down to a smallest:
// the large first parts cost little to start, and the small last ones leave neither thread
// waiting long for the other. The parts depend only on the target's size, and so does the patch.
constexpr qint64 PartOfWhatIsLeft = 8;
constexpr qint64 SmallestPart = qint64(1) << 14;
constexpr qsizetype FooterSize = 12;
constexpr qint64 CopierHeaderSize = 512;

// Starts the work on a thread of its own, or, where the system gives no more threads, leaves it
// to be done on this one when its result is asked for.
template<typename Work>
auto aside(const Work &work)
{
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error &) {
        return std::async(std::launch::deferred, work);
    }
}

quint32 littleEndian32(const QByteArray &bytes, qsizetype at)
{
    quint32 value = 0;
    for (int k = 3; k >= 0; --k)
        value = (value << 8) | static_cast<quint8>(bytes[at + k]);
    return value;
}

void appendLittleEndian32(QByteArray &out, quint32 value)
{
    for (int k = 0; k < 4; ++k)
        out.append(static_cast<char>((value >> (8 * k)) & 0xFF));
}

QString crcText(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

// Reads the patch from its header to its footer, which it never reads into.
class Reader
{
public:
    Reader(const QByteArray &patch, qsizetype at)
        : m_patch(patch)
        , m_at(at)
        , m_end(patch.size() - FooterSize)
    {}

    [[nodiscard]] qsizetype at() const { return m_at; }
    [[nodiscard]] bool atEnd() const { return m_at >= m_end; }
    [[nodiscard]] qsizetype left() const { return m_end - m_at; }

    // A number of at most 8 bytes, below 2^57, so that sums of a few of them stay in qint64.
    qint64 number(const QString &what)
    {
        const qsizetype start = m_at;
        quint64 value = 0;
        quint64 shift = 1;
        while (true) {
            if (m_at >= m_end) {
                throw PatchError(QStringLiteral("The patch is damaged: %1 at patch offset %2 runs "
                                                "into its checksums.")
                                     .arg(what, PatchError::offset(start)));
            }
            const auto byte = static_cast<quint8>(m_patch[m_at++]);
            value += (byte & 0x7F) * shift;
            if (byte & 0x80)
                break;
            if (shift >= quint64(1) << 49) {
                throw PatchError(QStringLiteral("The patch is damaged: %1 at patch offset %2 is "
                                                "too large.")
                                     .arg(what, PatchError::offset(start)));
            }
            shift <<= 7;
            value += shift;
        }
        return static_cast<qint64>(value);
    }

    const char *take(qint64 count)
    {
        const char *bytes = m_patch.constData() + m_at;
        m_at += count;
        return bytes;
    }

private:
    const QByteArray &m_patch;
    qsizetype m_at;
    qsizetype m_end;
};

quint32 crcOf(const char *bytes, qint64 count)
{
    return static_cast<quint32>(
        ::crc32_z(0, reinterpret_cast<const Bytef *>(bytes), static_cast<size_t>(count)));
}

} // namespace

quint32 crc32(const QByteArray &bytes)
{
    return crcOf(bytes.constData(), bytes.size());
}

Header readHeader(const QByteArray &patch)
{
    if (!patch.startsWith(Magic))
        throw PatchError(
            QStringLiteral("This is not a BPS patch: it does not begin with \"BPS1\"."));
    if (patch.size() < Magic.size() + 3 + FooterSize) {
        throw PatchError(QStringLiteral("The patch is cut short: %1 bytes cannot hold a BPS "
                                        "header and its checksums.")
                             .arg(patch.size()));
    }
    Header header;
    const qsizetype footer = patch.size() - FooterSize;
    header.sourceCrc = littleEndian32(patch, footer);
    header.targetCrc = littleEndian32(patch, footer + 4);
    header.patchCrc = littleEndian32(patch, footer + 8);
    const quint32 patchCrc = crcOf(patch.constData(), footer + 8);
    if (patchCrc != header.patchCrc) {
        throw PatchError(QStringLiteral("The patch checksum failed: the patch is damaged or cut "
                                        "short (its CRC32 is %1, its footer says %2).")
                             .arg(crcText(patchCrc), crcText(header.patchCrc)));
    }
    Reader reader(patch, Magic.size());
    header.sourceSize = reader.number(QStringLiteral("the source size"));
    header.targetSize = reader.number(QStringLiteral("the target size"));
    const qint64 metadataSize = reader.number(QStringLiteral("the metadata size"));
    if (metadataSize > reader.left()) {
        throw PatchError(QStringLiteral("The patch is damaged: its %1 bytes of metadata run into "
                                        "its checksums.")
                             .arg(metadataSize));
    }
    header.metadata = QByteArray(reader.take(metadataSize), metadataSize);
    header.actionsAt = reader.at();
    return header;
}

QByteArray apply(const QByteArray &source, const QByteArray &patch)
{
    const Header header = readHeader(patch);
    const quint32 sourceCrc = crc32(source);
    if (sourceCrc != header.sourceCrc || source.size() != header.sourceSize) {
        QString why = QStringLiteral("The source checksum failed: this ROM (%1 bytes, CRC32 %2) "
                                     "is not the one the patch was made for (%3 bytes, CRC32 %4).")
                          .arg(source.size())
                          .arg(crcText(sourceCrc))
                          .arg(header.sourceSize)
                          .arg(crcText(header.sourceCrc));
        if (source.size() == header.sourceSize + CopierHeaderSize
            && crc32(source.mid(CopierHeaderSize)) == header.sourceCrc) {
            why += QStringLiteral(" Its bytes after the first 512 match: it has a copier header "
                                  "that the patch was not made for; remove it first.");
        }
        throw PatchError(why);
    }
    if (header.targetSize > MaxTargetSize) {
        throw PatchError(QStringLiteral("The patch makes a file of %1 bytes, more than the %2 "
                                        "this tool builds.")
                             .arg(header.targetSize)
                             .arg(MaxTargetSize));
    }

    const qint64 sourceSize = source.size();
    const qint64 targetSize = header.targetSize;
    QByteArray target(static_cast<qsizetype>(targetSize), Qt::Uninitialized);
    char *out = target.data();
    const char *in = source.constData();
    qint64 written = 0;
    qint64 sourceOffset = 0;
    qint64 targetOffset = 0;
    Reader reader(patch, header.actionsAt);
    while (!reader.atEnd()) {
        const qsizetype actionAt = reader.at();
        auto damaged = [&](const QString &why) {
            return PatchError(QStringLiteral("The patch is damaged: the action at patch offset "
                                             "%1 %2.")
                                  .arg(PatchError::offset(actionAt), why));
        };
        const qint64 data = reader.number(QStringLiteral("an action"));
        const auto action = static_cast<Kind>(data & 3);
        const qint64 length = (data >> 2) + 1;
        if (length > targetSize - written) {
            throw damaged(QStringLiteral("writes %1 bytes at target offset %2, past the target's "
                                         "end at %3")
                              .arg(length)
                              .arg(written)
                              .arg(targetSize));
        }
        switch (action) {
        case Kind::SourceRead:
            if (written + length > sourceSize)
                throw damaged(QStringLiteral("reads past the source's end"));
            std::memcpy(out + written, in + written, static_cast<size_t>(length));
            break;
        case Kind::TargetRead:
            if (length > reader.left())
                throw damaged(
                    QStringLiteral("holds %1 bytes, more than the patch has left").arg(length));
            std::memcpy(out + written, reader.take(length), static_cast<size_t>(length));
            break;
        case Kind::SourceCopy:
        case Kind::TargetCopy: {
            const qint64 delta = reader.number(QStringLiteral("a copy's offset"));
            const qint64 distance = delta & 1 ? -(delta >> 1) : delta >> 1;
            qint64 &from = action == Kind::SourceCopy ? sourceOffset : targetOffset;
            from += distance;
            if (action == Kind::SourceCopy) {
                if (from < 0 || from > sourceSize - length)
                    throw damaged(QStringLiteral("copies from outside the source"));
                std::memcpy(out + written, in + from, static_cast<size_t>(length));
            } else {
                // The copy may overlap what it writes, repeating the bytes just written.
                if (from < 0 || from >= written)
                    throw damaged(QStringLiteral("copies from target bytes not yet written"));
                if (written - from >= length) {
                    std::memcpy(out + written, out + from, static_cast<size_t>(length));
                } else {
                    for (qint64 k = 0; k < length; ++k)
                        out[written + k] = out[from + k];
                }
            }
            from += length;
            break;
        }
        }
        written += length;
    }
    if (written != targetSize) {
        throw PatchError(QStringLiteral("The patch is damaged: its actions write %1 bytes, and "
                                        "its header promises %2.")
                             .arg(written)
                             .arg(targetSize));
    }
    const quint32 targetCrc = crc32(target);
    if (targetCrc != header.targetCrc) {
        throw PatchError(QStringLiteral("The target checksum failed: the patched file's CRC32 is "
                                        "%1, the patch says %2.")
                             .arg(crcText(targetCrc), crcText(header.targetCrc)));
    }
    return target;
}

QByteArray create(const QByteArray &source, const QByteArray &target)
{
    if (target.size() > MaxTargetSize) {
        throw PatchError(QStringLiteral("The modified file has %1 bytes, more than the %2 this "
                                        "tool makes a patch for.")
                             .arg(target.size())
                             .arg(MaxTargetSize));
    }
    QByteArray out = Magic;
    appendNumber(out, static_cast<quint64>(source.size()));
    appendNumber(out, static_cast<quint64>(target.size()));
    appendNumber(out, 0);
    // The checksums are taken while the source's suffixes are sorted.
    auto checksums = aside([&] { return std::make_pair(crc32(source), crc32(target)); });
    const SourceIndex index(source);
    const qint64 size = target.size();
    std::vector<qint64> bounds{0};
    while (bounds.back() < size) {
        const qint64 left = size - bounds.back();
        const qint64 part = size < ParallelFrom ? left
                                                : std::max(SmallestPart, left / PartOfWhatIsLeft);
        bounds.push_back(std::min(size, bounds.back() + part));
    }
    const auto parts = static_cast<qint64>(bounds.size()) - 1;
    // Each part's actions are written as soon as those of every part before it are: only
    // parts finished out of turn wait.
    Encoder encoder(out, target.constData());
    std::mutex writing;
    std::vector<std::vector<Action>> waiting(static_cast<size_t>(parts));
    std::vector<bool> finished(static_cast<size_t>(parts), false);
    size_t written = 0;
    std::atomic<qint64> next{0};
    auto work = [&] {
        Delta delta(index, target);
        for (qint64 part = next++; part < parts; part = next++) {
            const auto at = static_cast<size_t>(part);
            std::vector<Action> actions = delta.actions(bounds[at], bounds[at + 1]);
            const std::lock_guard<std::mutex> lock(writing);
            waiting[at] = std::move(actions);
            finished[at] = true;
            for (; written < finished.size() && finished[written]; ++written) {
                encoder.add(waiting[written]);
                std::vector<Action>().swap(waiting[written]);
            }
        }
    };
    if (parts > 1) {
        // A failure in either thread reaches the caller; the other stops at its next part.
        auto second = aside([&] {
            try {
                work();
            } catch (...) {
                next = parts;
                throw;
            }
        });
        try {
            work();
        } catch (...) {
            next = parts;
            second.wait();
            throw;
        }
        second.get();
    } else {
        work();
    }
    encoder.finish();
    const auto [sourceCrc, targetCrc] = checksums.get();
    appendLittleEndian32(out, sourceCrc);
    appendLittleEndian32(out, targetCrc);
    appendLittleEndian32(out, crc32(out));
    return out;
}

} // namespace Bps
