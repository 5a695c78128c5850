#include "script.h"

#include "platform/error.h"

#include <QHash>
#include <QStringDecoder>

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace {

constexpr int Version = 1;
// More than a ROM of 16 MiB could hold, so that a wild number is refused, not allocated.
constexpr qint64 MaxOffset = qint64(1) << 32;

QString hex(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

class LineError : public Error
{
public:
    LineError(const QString &name, int line, const QString &what)
        : Error(QStringLiteral("%1:%2: %3").arg(name).arg(line).arg(what))
    {}
};

// key=value words of a directive, each key once.
QHash<QString, QString> keyValues(const QStringList &words)
{
    QHash<QString, QString> values;
    for (const QString &word : words) {
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        if (equals <= 0 || values.contains(word.left(equals)))
            throw Error(
                QStringLiteral("\"%1\" is no key=value pair, or its key comes twice").arg(word));
        values.insert(word.left(equals), word.mid(equals + 1));
    }
    return values;
}

qint64 number(const QString &text)
{
    bool ok = false;
    qint64 value = -1;
    if (text.startsWith(QLatin1String("0x")) && !text.mid(2).startsWith(QLatin1Char('+')))
        value = text.mid(2).toLongLong(&ok, 16);
    else if (!text.startsWith(QLatin1Char('+')))
        value = text.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > MaxOffset)
        throw Error(QStringLiteral("\"%1\" is no number of the script (decimal, or hex after 0x)")
                        .arg(text));
    return value;
}

QByteArray hexBytes(const QString &text)
{
    QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    if (text.isEmpty() || text.size() % 2 != 0 || bytes.toHex().toUpper() != text.toUpper()
        || bytes.size() > 8)
        throw Error(QStringLiteral("\"%1\" is no code of 1 to 8 hex bytes").arg(text));
    return bytes;
}

} // namespace

quint32 Script::crc32(QByteArrayView bytes)
{
    uLong crc = ::crc32(0L, Z_NULL, 0);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<uInt>(std::min<qsizetype>(bytes.size() - done, 1 << 30));
        crc = ::crc32(crc, reinterpret_cast<const Bytef *>(bytes.data() + done), chunk);
        done += chunk;
    }
    return static_cast<quint32>(crc);
}

QString Script::escapeLine(const QString &line)
{
    QString escaped;
    escaped.reserve(line.size() + 2);
    if (line.startsWith(QLatin1Char('@')) || line.startsWith(QLatin1String("//")))
        escaped += QLatin1Char('\\');
    for (const QChar c : line) {
        if (c == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            escaped += QLatin1String("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString Script::unescapeLine(const QString &line)
{
    QString text;
    text.reserve(line.size());
    for (qsizetype k = 0; k < line.size(); ++k) {
        const QChar c = line[k];
        if (c != QLatin1Char('\\') || k + 1 == line.size()) {
            text += c;
            continue;
        }
        const QChar next = line[++k];
        text += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                                           : next;
    }
    return text;
}

QByteArray Script::toUtf8() const
{
    QString text;
    text += QStringLiteral(
        "// Orvane script. Translate the text under each @string line and keep the @ lines as\n"
        "// they are: \"orvane-cli script insert\" puts the text back and moves the pointers.\n"
        "// A line's end is layout only; \\n is a line feed, \\\\ a backslash, <$XX> the byte "
        "XX.\n");
    text += QStringLiteral("@script %1\n").arg(Version);
    text += QStringLiteral("@rom size=%1 crc32=%2 %3\n")
                .arg(romSize)
                .arg(QStringLiteral("%1").arg(romCrc32, 8, 16, QLatin1Char('0')).toUpper(), romName);
    text += QStringLiteral("@table %1\n").arg(tablePath);
    if (!endCode.isEmpty())
        text += QStringLiteral("@end %1\n").arg(QString::fromLatin1(endCode.toHex().toUpper()));
    if (fixedLength > 0)
        text += QStringLiteral("@length %1\n").arg(fixedLength);
    text += QStringLiteral("@format %1\n").arg(format.toText());
    for (const String &string : strings) {
        text += QStringLiteral("\n@string %1 at=%2 length=%3 crc32=%4\n")
                    .arg(string.number)
                    .arg(hex(string.at))
                    .arg(string.length)
                    .arg(QStringLiteral("%1").arg(string.crc32, 8, 16, QLatin1Char('0')).toUpper());
        text += QStringLiteral("@pointers");
        for (const qint64 pointer : string.pointers)
            text += QLatin1Char(' ') + hex(pointer);
        text += QLatin1Char('\n');
        for (const QString &line : string.lines)
            text += escapeLine(line) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

Script Script::parse(QByteArrayView utf8, const QString &name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = decoder.decode(utf8);
    if (decoder.hasError())
        throw Error(QStringLiteral("%1: is no UTF-8 text").arg(name));
    Script script;
    bool header[5] = {};
    enum { ScriptLine, RomLine, TableLine, FormatLine, EndLine };
    QHash<int, int> numbers; // string number -> line
    String *current = nullptr;
    const QStringList lines = whole.split(QLatin1Char('\n'));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const int lineNumber = static_cast<int>(k + 1);
        QString line = lines[k];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (k == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (line.startsWith(QLatin1String("//")))
            continue;
        try {
            if (!line.startsWith(QLatin1Char('@'))) {
                if (current)
                    current->lines.append(unescapeLine(line));
                else if (!line.trimmed().isEmpty())
                    throw Error(QStringLiteral("text before the first @string line"));
                continue;
            }
            const QString directive = line.section(QLatin1Char(' '), 0, 0);
            const QString rest = line.section(QLatin1Char(' '), 1);
            const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const auto once = [&](int which) {
                if (header[which])
                    throw Error(QStringLiteral("%1 comes twice").arg(directive));
                if (!script.strings.isEmpty())
                    throw Error(QStringLiteral("%1 comes after the first @string").arg(directive));
                header[which] = true;
            };
            if (directive == QLatin1String("@script")) {
                once(ScriptLine);
                if (rest.trimmed() != QString::number(Version))
                    throw Error(QStringLiteral("a script of version %1 is not one this program "
                                               "reads (version %2)")
                                    .arg(rest.trimmed())
                                    .arg(Version));
            } else if (directive == QLatin1String("@rom")) {
                once(RomLine);
                const QHash<QString, QString> values = keyValues(words.mid(0, 2));
                if (!values.contains(QStringLiteral("size"))
                    || !values.contains(QStringLiteral("crc32")))
                    throw Error(QStringLiteral("@rom needs size=N crc32=XXXXXXXX NAME"));
                script.romSize = number(values.value(QStringLiteral("size")));
                script.romCrc32 = static_cast<quint32>(
                    number(QStringLiteral("0x") + values.value(QStringLiteral("crc32"))));
                script.romName = rest.section(QLatin1Char(' '), 2);
            } else if (directive == QLatin1String("@table")) {
                once(TableLine);
                script.tablePath = rest;
            } else if (directive == QLatin1String("@end")) {
                once(EndLine);
                script.endCode = hexBytes(rest.trimmed());
            } else if (directive == QLatin1String("@length")) {
                once(EndLine);
                script.fixedLength = number(rest.trimmed());
                if (script.fixedLength == 0)
                    throw Error(QStringLiteral("a fixed length is at least 1 byte"));
            } else if (directive == QLatin1String("@format")) {
                once(FormatLine);
                script.format = PointerFormat::fromText(rest);
            } else if (directive == QLatin1String("@string")) {
                if (!header[ScriptLine] || !header[FormatLine] || !header[RomLine])
                    throw Error(QStringLiteral("@string before the @script, @rom and @format "
                                               "lines"));
                if (current && current->pointers.isEmpty())
                    throw Error(
                        QStringLiteral("string %1 has no @pointers line").arg(current->number));
                if (words.isEmpty())
                    throw Error(QStringLiteral("@string needs its number"));
                const qint64 n = number(words[0]);
                if (n < 1 || n > INT_MAX)
                    throw Error(QStringLiteral("a string's number is 1 or more"));
                if (numbers.contains(int(n)))
                    throw Error(QStringLiteral("string %1 comes a second time (first at line %2)")
                                    .arg(n)
                                    .arg(numbers.value(int(n))));
                numbers.insert(int(n), lineNumber);
                const QHash<QString, QString> values = keyValues(words.mid(1));
                for (const char *key : {"at", "length", "crc32"}) {
                    if (!values.contains(QLatin1String(key)))
                        throw Error(QStringLiteral("@string needs at=, length= and crc32="));
                }
                if (values.size() != 3)
                    throw Error(QStringLiteral("@string takes at=, length= and crc32= only"));
                String string;
                string.number = int(n);
                string.line = lineNumber;
                string.at = number(values.value(QStringLiteral("at")));
                string.length = number(values.value(QStringLiteral("length")));
                string.crc32 = static_cast<quint32>(
                    number(QStringLiteral("0x") + values.value(QStringLiteral("crc32"))));
                if (string.length == 0)
                    throw Error(QStringLiteral("a string is at least 1 byte long"));
                script.strings.append(string);
                current = &script.strings.last();
            } else if (directive == QLatin1String("@pointers")) {
                if (!current || !current->pointers.isEmpty() || !current->lines.isEmpty())
                    throw Error(QStringLiteral("@pointers belongs right under its @string line"));
                for (const QString &word : words)
                    current->pointers.append(number(word));
                if (current->pointers.isEmpty())
                    throw Error(QStringLiteral("@pointers lists no pointer"));
            } else {
                throw Error(QStringLiteral("\"%1\" is no directive of a script (write \"\\%1\" "
                                           "for text)")
                                .arg(directive));
            }
        } catch (const Error &error) {
            // The line number is what makes a fault in a long script findable.
            throw LineError(name, lineNumber, error.message());
        }
    }
    if (!header[ScriptLine] || !header[FormatLine] || !header[RomLine])
        throw Error(QStringLiteral("%1: is no Orvane script: the @script, @rom and @format lines "
                                   "are missing")
                        .arg(name));
    if (current && current->pointers.isEmpty())
        throw LineError(name,
                        current->line,
                        QStringLiteral("string %1 has no @pointers line").arg(current->number));
    return script;
}
