#include "scriptdump.h"

#include "document/texttable.h"
#include "platform/error.h"
#include "script/stringreader.h"

#include <QHash>

namespace ScriptDump {

namespace {

QString hex(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

} // namespace

Script dump(const QByteArray &rom, const TextTable &table, const Options &options)
{
    PointerFormat format = options.format;
    format.setFileSize(rom.size());
    if (const QString why = format.problem(); !why.isEmpty())
        throw Error(why + QLatin1Char('.'));
    const StringReader reader(table, options.endCode, options.fixedLength);
    if (!reader.canEnd())
        throw Error(QStringLiteral("the table has no end token, so a string would never end: give "
                                   "the end code with --end HEX, or --length N."));

    Script script;
    script.romName = options.romName;
    script.romSize = rom.size();
    script.romCrc32 = Script::crc32(rom);
    script.tablePath = options.tablePath;
    script.endCode = options.endCode;
    script.fixedLength = options.fixedLength;
    script.format = format;

    QHash<qint64, qsizetype> stringAt; // string's offset -> its index
    QHash<qint64, bool> listed;        // a pointer given by two tables is listed once
    for (const PointerTable &pointerTable : options.tables) {
        const bool sane = pointerTable.count >= 1 && pointerTable.count <= rom.size()
                          && pointerTable.at >= 0 && pointerTable.at <= rom.size();
        const qint64 last = pointerTable.at + (pointerTable.count - 1) * format.stride;
        if (!sane || last + format.width > rom.size()) {
            throw Error(QStringLiteral("the pointer table at %1 of %2 pointers runs past the end "
                                       "of the ROM (%3 bytes).")
                            .arg(hex(pointerTable.at))
                            .arg(pointerTable.count)
                            .arg(rom.size()));
        }
        for (qint64 place = pointerTable.at; place <= last; place += format.stride) {
            if (listed.contains(place))
                continue;
            listed.insert(place, true);
            const quint32 value = format.read(rom, place);
            const std::optional<qint64> at = format.offsetOf(value, place);
            if (!at) {
                throw Error(QStringLiteral("the pointer at %1 (value %2) leads to no byte of the "
                                           "ROM (%3 bytes).")
                                .arg(hex(place), hex(value))
                                .arg(rom.size()));
            }
            if (const auto found = stringAt.constFind(*at); found != stringAt.constEnd()) {
                script.strings[*found].pointers.append(place);
                continue;
            }
            const std::optional<qint64> length = reader.lengthAt(rom, *at);
            if (!length) {
                throw Error(QStringLiteral("the string at %1 (pointer at %2) runs to the end of "
                                           "the ROM without an end.")
                                .arg(hex(*at), hex(place)));
            }
            Script::String string;
            string.number = static_cast<int>(script.strings.size() + 1);
            string.at = *at;
            string.length = *length;
            const QByteArrayView bytes = QByteArrayView(rom).sliced(*at, *length);
            string.crc32 = Script::crc32(bytes);
            string.pointers.append(place);
            string.lines = reader.lines(bytes);
            stringAt.insert(*at, script.strings.size());
            script.strings.append(string);
        }
    }
    return script;
}

} // namespace ScriptDump
