#include "scriptinsert.h"

#include "platform/error.h"
#include "script/stringreader.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace ScriptInsert {

namespace {

using Range = PointerFormat::Range;

QString hex(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

enum class Fate { Unchanged, InPlace, Moved };

struct Item
{
    const Input *input = nullptr;
    const Script::String *string = nullptr;
    const PointerFormat *format = nullptr;
    const StringReader *reader = nullptr;
    Fate fate = Fate::Unchanged;
    QString text;
    QByteArray bytes; // as it is to be written
    qint64 newAt = -1;
    QString failure;

    [[nodiscard]] Range oldPlace() const { return {string->at, string->at + string->length - 1}; }
    [[nodiscard]] QString name() const
    {
        return QStringLiteral("%1 string %2").arg(input->name).arg(string->number);
    }
};

std::vector<Range> merged(std::vector<Range> ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) {
        return a.first < b.first;
    });
    std::vector<Range> out;
    for (const Range &range : ranges) {
        if (range.isEmpty())
            continue;
        if (!out.empty() && range.first <= out.back().last + 1)
            out.back().last = std::max(out.back().last, range.last);
        else
            out.push_back(range);
    }
    return out;
}

// What of the merged ranges from is not in the merged ranges away.
std::vector<Range> subtracted(const std::vector<Range> &from, const std::vector<Range> &away)
{
    std::vector<Range> out;
    std::size_t k = 0;
    for (Range range : from) {
        while (k < away.size() && away[k].last < range.first)
            ++k;
        for (std::size_t j = k; j < away.size() && away[j].first <= range.last; ++j) {
            if (away[j].first > range.first)
                out.push_back({range.first, away[j].first - 1});
            range.first = std::max(range.first, away[j].last + 1);
        }
        if (!range.isEmpty())
            out.push_back(range);
    }
    return out;
}

// Free space by its first offset; the map's ranges neither touch nor overlap.
class FreeSpace
{
public:
    explicit FreeSpace(const std::vector<Range> &ranges)
    {
        for (const Range &range : ranges)
            m_ranges.emplace(range.first, range.last);
    }

    // The pieces of free space within the region, clipped to it.
    template<typename Visit>
    void within(const Range &region, Visit visit) const
    {
        auto it = m_ranges.upper_bound(region.first);
        if (it != m_ranges.begin())
            --it;
        for (; it != m_ranges.end() && it->first <= region.last; ++it) {
            const Range piece{std::max(it->first, region.first), std::min(it->second, region.last)};
            if (!piece.isEmpty() && !visit(piece))
                return;
        }
    }

    void take(const Range &used)
    {
        auto it = std::prev(m_ranges.upper_bound(used.first));
        const Range whole{it->first, it->second};
        m_ranges.erase(it);
        if (whole.first < used.first)
            m_ranges.emplace(whole.first, used.first - 1);
        if (used.last < whole.last)
            m_ranges.emplace(used.last + 1, whole.last);
    }

    [[nodiscard]] std::vector<Range> ranges() const
    {
        std::vector<Range> out;
        for (const auto &[first, last] : m_ranges)
            out.push_back({first, last});
        return out;
    }

private:
    std::map<qint64, qint64> m_ranges;
};

// Where a string of the item's new size can go: the first fit that every pointer reads whole.
std::optional<qint64> placeFor(const Item &item, const FreeSpace &free, qint64 fileSize)
{
    const PointerFormat &format = *item.format;
    Range region{0, fileSize - 1};
    bool withinBank = false;
    for (const qint64 place : item.string->pointers) {
        if (const std::optional<Range> fixed = format.fixedReach(place))
            region = {std::max(region.first, fixed->first), std::min(region.last, fixed->last)};
        else
            withinBank = true;
    }
    const qint64 size = item.bytes.size();
    std::optional<qint64> found;
    const auto fits = [&](qint64 at) {
        return std::all_of(item.string->pointers.begin(),
                           item.string->pointers.end(),
                           [&](qint64 place) { return format.reaches(at, size, place); });
    };
    if (region.isEmpty())
        return found;
    free.within(region, [&](const Range &piece) {
        if (!withinBank) {
            if (piece.size() >= size && fits(piece.first))
                found = piece.first;
            return !found;
        }
        for (qint64 at = piece.first; at <= piece.last && !found;) {
            const Range bank = format.bankAround(at);
            if (std::min(piece.last, bank.last) - at + 1 >= size && fits(at))
                found = at;
            at = bank.last + 1;
        }
        return !found;
    });
    return found;
}

QString reachText(const Item &item, const FreeSpace &free, qint64 fileSize)
{
    Range region{0, fileSize - 1};
    for (const qint64 place : item.string->pointers) {
        if (const std::optional<Range> fixed = item.format->fixedReach(place))
            region = {std::max(region.first, fixed->first), std::min(region.last, fixed->last)};
    }
    qint64 total = 0;
    qint64 largest = 0;
    if (!region.isEmpty()) {
        free.within(region, [&](const Range &piece) {
            total += piece.size();
            largest = std::max(largest, piece.size());
            return true;
        });
    }
    return QStringLiteral("needs %1 bytes; the free space its pointers reach is %2 bytes, at most "
                          "%3 in one piece")
        .arg(item.bytes.size())
        .arg(total)
        .arg(largest);
}

// Checks one string against the ROM and decides what becomes of it; sets failure when it cannot.
void judge(Item &item, const QByteArray &rom, TextTable::Spelling spelling)
{
    const Script::String &string = *item.string;
    const PointerFormat &format = *item.format;
    if (string.at + string.length > rom.size()) {
        item.failure = QStringLiteral("its place %1 (%2 bytes) lies past the end of the ROM")
                           .arg(hex(string.at))
                           .arg(string.length);
        return;
    }
    if (const qint64 fixed = item.reader->fixedLength(); fixed > 0 && string.length != fixed) {
        item.failure = QStringLiteral("its length is not the script's fixed length of %1").arg(fixed);
        return;
    }
    const QByteArrayView old = QByteArrayView(rom).sliced(string.at, string.length);
    if (const quint32 crc = Script::crc32(old); crc != string.crc32) {
        item.failure = QStringLiteral("the ROM's %1 bytes at %2 are not those it was dumped from "
                                      "(CRC32 %3, dumped %4): is this the script's ROM?")
                           .arg(string.length)
                           .arg(hex(string.at))
                           .arg(crc, 8, 16, QLatin1Char('0'))
                           .arg(string.crc32, 8, 16, QLatin1Char('0'));
        return;
    }
    for (const qint64 place : string.pointers) {
        if (place + format.width > rom.size()) {
            item.failure = QStringLiteral("its pointer at %1 lies past the end of the ROM")
                               .arg(hex(place));
            return;
        }
        if (format.offsetOf(format.read(rom, place), place) != string.at) {
            item.failure = QStringLiteral("its pointer at %1 does not lead to %2 in this ROM")
                               .arg(hex(place), hex(string.at));
            return;
        }
    }
    item.text = string.text();
    if (item.text == item.reader->table().decode(old))
        return;
    const TextTable::Encoded encoded = item.reader->table().encode(item.text, spelling);
    if (!encoded.problem.isEmpty()) {
        item.failure = QStringLiteral("cannot be spelled: %1").arg(encoded.problem);
        return;
    }
    item.bytes = encoded.bytes;
    if (const qint64 fixed = item.reader->fixedLength(); fixed > 0) {
        if (item.bytes.size() > fixed) {
            item.failure = QStringLiteral("spelled in %1 bytes, more than the fixed length of %2")
                               .arg(item.bytes.size())
                               .arg(fixed);
            return;
        }
        item.fate = Fate::InPlace;
        return;
    }
    const std::optional<qint64> length = item.reader->lengthAt(item.bytes, 0);
    if (length != item.bytes.size()) {
        item.failure = length ? QStringLiteral("its text has an end token before its last "
                                               "character, where the game would stop reading")
                              : QStringLiteral("its text, spelled in %1 bytes, does not end with "
                                               "its end token")
                                    .arg(item.bytes.size());
        return;
    }
    item.fate = Fate::InPlace;
}

} // namespace

Result insert(const QByteArray &rom, const QList<Input> &inputs, const Options &options)
{
    const qint64 fileSize = rom.size();
    for (const Range &range : options.space) {
        if (range.isEmpty() || range.first < 0 || range.last >= fileSize)
            throw Error(QStringLiteral("the free space %1-%2 does not lie within the ROM (%3 "
                                       "bytes).")
                            .arg(hex(range.first), hex(range.last))
                            .arg(fileSize));
    }

    std::vector<PointerFormat> formats;
    std::vector<std::unique_ptr<StringReader>> readers;
    formats.reserve(std::size_t(inputs.size()));
    for (const Input &input : inputs) {
        formats.push_back(input.script.format);
        formats.back().setFileSize(fileSize);
        readers.push_back(std::make_unique<StringReader>(*input.table,
                                                         input.script.endCode,
                                                         input.script.fixedLength));
    }
    std::vector<Item> items;
    for (qsizetype k = 0; k < inputs.size(); ++k) {
        for (const Script::String &string : inputs[k].script.strings) {
            Item item;
            item.input = &inputs[k];
            item.string = &string;
            item.format = &formats[std::size_t(k)];
            item.reader = readers[std::size_t(k)].get();
            items.push_back(item);
        }
    }

    for (Item &item : items)
        judge(item, rom, options.spelling);
    // Scripts dumped from tables that overlap list a pointer twice: harmless while both strings
    // stay, but a pointer cannot lead to two new places.
    QHash<qint64, std::size_t> pointerOwner;
    for (std::size_t k = 0; k < items.size(); ++k) {
        for (const qint64 place : items[k].string->pointers) {
            const auto owner = pointerOwner.constFind(place);
            if (owner != pointerOwner.constEnd()) {
                for (const auto &[item, other] : {std::pair{k, *owner}, std::pair{*owner, k}}) {
                    if (items[item].failure.isEmpty() && items[item].fate != Fate::Unchanged) {
                        items[item].failure = QStringLiteral("its pointer at %1 is also %2's")
                                                  .arg(hex(place), items[other].name());
                    }
                }
            }
            pointerOwner.insert(place, k);
        }
    }

    // A string that shares bytes with another cannot be rewritten where it is without changing
    // the other; it moves instead.
    std::vector<std::size_t> byPlace(items.size());
    for (std::size_t k = 0; k < items.size(); ++k)
        byPlace[k] = k;
    std::sort(byPlace.begin(), byPlace.end(), [&](std::size_t a, std::size_t b) {
        return items[a].string->at < items[b].string->at;
    });
    std::vector<bool> shared(items.size(), false);
    qint64 reachedEnd = -1;
    std::size_t reacher = 0;
    for (const std::size_t k : byPlace) {
        const Range place = items[k].oldPlace();
        if (place.first <= reachedEnd) {
            shared[k] = true;
            shared[reacher] = true;
        }
        if (place.last > reachedEnd) {
            reachedEnd = place.last;
            reacher = k;
        }
    }
    for (std::size_t k = 0; k < items.size(); ++k) {
        Item &item = items[k];
        if (item.failure.isEmpty() && item.fate == Fate::InPlace) {
            if (const qint64 fixed = item.reader->fixedLength(); fixed > 0) {
                // The game reads all of a fixed-length string: its tail is the fill or what
                // the place held.
                const QByteArray tail = options.fill
                                            ? QByteArray(fixed - item.bytes.size(), *options.fill)
                                            : rom.mid(item.string->at + item.bytes.size(),
                                                      fixed - item.bytes.size());
                item.bytes += tail;
            }
            if (shared[k] || item.bytes.size() > item.string->length)
                item.fate = Fate::Moved;
        }
    }

    std::vector<Range> kept;
    std::vector<Range> vacated;
    for (const Item &item : items) {
        (item.fate == Fate::Moved && item.failure.isEmpty() ? vacated : kept)
            .push_back(item.oldPlace());
        for (const qint64 place : item.string->pointers)
            kept.push_back({place, place + item.format->width - 1});
    }
    std::vector<Range> offered(options.space.begin(), options.space.end());
    offered.insert(offered.end(), vacated.begin(), vacated.end());
    const std::vector<Range> keptMerged = merged(kept);
    FreeSpace free(subtracted(merged(offered), keptMerged));

    std::vector<Item *> moving;
    for (Item &item : items) {
        if (item.failure.isEmpty() && item.fate == Fate::Moved)
            moving.push_back(&item);
    }
    std::stable_sort(moving.begin(), moving.end(), [](const Item *a, const Item *b) {
        return a->bytes.size() > b->bytes.size();
    });
    std::vector<Range> placed;
    for (Item *item : moving) {
        const std::optional<qint64> at = placeFor(*item, free, fileSize);
        if (!at) {
            item->failure = reachText(*item, free, fileSize);
            continue;
        }
        item->newAt = *at;
        const Range used{*at, *at + item->bytes.size() - 1};
        free.take(used);
        placed.push_back(used);
    }

    QStringList failures;
    for (const Item &item : items) {
        if (!item.failure.isEmpty())
            failures.append(QStringLiteral("  %1 (%2 bytes at %3): %4")
                                .arg(item.name())
                                .arg(item.string->length)
                                .arg(hex(item.string->at), item.failure));
    }
    if (!failures.isEmpty()) {
        throw Error(QStringLiteral("nothing was written: %1 of %2 strings failed:\n%3")
                        .arg(failures.size())
                        .arg(items.size())
                        .arg(failures.join(QLatin1Char('\n'))));
    }

    Result result;
    result.rom = rom;
    QByteArray &out = result.rom;
    for (Item &item : items) {
        switch (item.fate) {
        case Fate::Unchanged:
            ++result.summary.unchanged;
            break;
        case Fate::InPlace:
            ++result.summary.inPlace;
            item.newAt = item.string->at;
            out.replace(item.newAt, item.bytes.size(), item.bytes);
            if (options.fill) {
                const qint64 rest = item.string->length - item.bytes.size();
                out.replace(item.newAt + item.bytes.size(), rest, QByteArray(rest, *options.fill));
            }
            break;
        case Fate::Moved:
            ++result.summary.moved;
            out.replace(item.newAt, item.bytes.size(), item.bytes);
            for (const qint64 place : item.string->pointers) {
                const std::optional<quint32> value
                    = item.format->valueFor(item.newAt, place, item.format->read(rom, place));
                item.format->write(out, place, *value);
            }
            break;
        }
    }
    if (options.fill) {
        // The places strings moved away from, where nothing else went, are filled too.
        std::vector<Range> away = keptMerged;
        away.insert(away.end(), placed.begin(), placed.end());
        for (const Range &range : subtracted(merged(vacated), merged(away)))
            out.replace(range.first, range.size(), QByteArray(range.size(), *options.fill));
    }

    // Every changed string is read back through each of its pointers, as the game will read it.
    for (const Item &item : items) {
        if (item.fate == Fate::Unchanged)
            continue;
        for (const qint64 place : item.string->pointers) {
            const std::optional<qint64> at = item.format->offsetOf(item.format->read(out, place),
                                                                   place);
            const std::optional<qint64> length = at ? item.reader->lengthAt(out, *at)
                                                    : std::nullopt;
            const bool same = at == item.newAt && length
                              && (item.reader->fixedLength() > 0 || *length == item.bytes.size())
                              && item.reader->table().decode(
                                     QByteArrayView(out).sliced(*at, *length))
                                     == (item.reader->fixedLength() > 0
                                             ? item.reader->table().decode(item.bytes)
                                             : item.text);
            if (!same)
                failures.append(QStringLiteral("  %1: through its pointer at %2 the new text "
                                               "would not read back as written")
                                    .arg(item.name(), hex(place)));
        }
    }
    if (!failures.isEmpty()) {
        throw Error(QStringLiteral("nothing was written: %1 strings would not read back:\n%2")
                        .arg(failures.size())
                        .arg(failures.join(QLatin1Char('\n'))));
    }

    if (!inputs.isEmpty()) {
        const PointerFormat &banks = formats.front();
        std::map<qint64, BankSpace> perBank;
        for (const Range &range : free.ranges()) {
            for (qint64 at = range.first; at <= range.last;) {
                const Range bank = banks.bankAround(at);
                BankSpace &space = perBank[bank.first];
                space.bank = banks.bankName(at);
                space.range = bank;
                const qint64 last = std::min(range.last, bank.last);
                space.free += last - at + 1;
                at = last + 1;
            }
        }
        for (const auto &[first, space] : perBank)
            result.summary.space.append(space);
    }
    return result;
}

} // namespace ScriptInsert
