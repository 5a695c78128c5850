#include "tblfile.h"

#include "platform/binaryfile.h"
#include "platform/convert.h"
#include "platform/error.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace TblFile {

namespace {

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

// Reads the lines one by one, remembering which line defined each byte.
class Reader
{
public:
    Reader() { m_parsed.table.readRecords({}); }

    void line(int number, QByteArrayView bytes);
    [[nodiscard]] Parsed result() const { return m_parsed; }

private:
    void definition(const QString &line, QChar kind);
    void define(int byteValue, const QString &line, const QString &text);
    void leaveOut(const QString &line, const QString &why)
    {
        m_parsed.warnings.append({m_line, QStringLiteral("\"%1\" left out: %2").arg(line, why)});
    }

    Parsed m_parsed;
    std::array<int, KelTable::Size> m_definedOn{};
    int m_line = 0;
};

void Reader::line(int number, QByteArrayView bytes)
{
    m_line = number;
    // Each line on its own, so that a broken sequence is reported where it is; a byte-order
    // mark inside the file is a character like any other.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        m_parsed.warnings.append({m_line, QStringLiteral("the line is not UTF-8 text; left out")});
        return;
    }
    if (text.trimmed().isEmpty() || text.startsWith(QLatin1Char('#')))
        return;
    switch (text.at(0).unicode()) {
    case '@':
        leaveOut(text, QStringLiteral("a .kel has no table names"));
        return;
    case '!':
        leaveOut(text, QStringLiteral("a .kel cannot switch tables"));
        return;
    case '$':
        leaveOut(text, QStringLiteral("a .kel entry takes no parameters"));
        return;
    case '/':
    case '*':
        definition(text, text.at(0));
        return;
    default:
        definition(text, QChar());
    }
}

void Reader::definition(const QString &line, QChar kind)
{
    const QString body = kind.isNull() ? line : line.mid(1);
    const qsizetype equals = body.indexOf(QLatin1Char('='));
    const QString key = equals < 0 ? body : body.left(equals);
    const bool lineBreak = kind == QLatin1Char('*');
    const bool hex = !key.isEmpty() && key.size() % 2 == 0
                     && std::all_of(key.begin(), key.end(), [](QChar c) {
                            return QLatin1String("0123456789abcdefABCDEF").contains(c);
                        });
    if (!hex || (equals < 0 && !lineBreak)) {
        leaveOut(line,
                 kind == QLatin1Char('/') ? QStringLiteral("an end token without a byte value")
                                          : QStringLiteral("not a table line (HH=text)"));
        return;
    }
    if (key.size() > 2) {
        leaveOut(line,
                 QStringLiteral("its key is %1 bytes long; a .kel maps one byte at a time")
                     .arg(key.size() / 2));
        return;
    }
    const int byteValue = Convert::hexPairValue(key.toLatin1());
    define(byteValue, line, equals < 0 ? QStringLiteral("\n") : body.mid(equals + 1));
}

void Reader::define(int byteValue, const QString &line, const QString &text)
{
    if (byteValue == 0) {
        leaveOut(line, QStringLiteral("byte 00 always reads as \u00A5 in a .kel"));
        return;
    }
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            leaveOut(line, QStringLiteral("\"%1\" has no 8-bit (Latin-1) code").arg(c));
            return;
        }
    }
    if (text.contains(QLatin1Char('\r'))) {
        leaveOut(line, QStringLiteral("a carriage return would split the .kel's records"));
        return;
    }
    if (m_definedOn[byteValue] != 0) {
        leaveOut(line,
                 QStringLiteral("byte %1 is already defined on line %2")
                     .arg(QString::fromLatin1(Convert::hexPair(byteValue)))
                     .arg(m_definedOn[byteValue]));
        return;
    }
    m_definedOn[byteValue] = m_line;
    m_parsed.table.setEntry(byteValue, text.toLatin1());
    ++m_parsed.defined;
}

} // namespace

Parsed parse(QByteArrayView fileBytes)
{
    if (fileBytes.startsWith("\xFF\xFE") || fileBytes.startsWith("\xFE\xFF")) {
        Parsed parsed = Reader().result();
        parsed.problem = QStringLiteral("It is UTF-16 text; a .tbl file is read as UTF-8.");
        return parsed;
    }
    if (fileBytes.startsWith(Utf8Bom))
        fileBytes = fileBytes.sliced(Utf8Bom.size());
    Reader reader;
    int number = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < fileBytes.size(); ++i) {
        const char c = fileBytes[i];
        if (c != '\n' && c != '\r')
            continue;
        reader.line(number++, fileBytes.sliced(start, i - start));
        if (c == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < fileBytes.size())
        reader.line(number, fileBytes.sliced(start));
    Parsed parsed = reader.result();
    if (parsed.defined == 0)
        parsed.problem = QStringLiteral("It defines no entry of a single byte.");
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
    Parsed parsed = parse(BinaryFile::readAll(path, MaxFileSize, QStringLiteral("a table file")));
    // The file was read; what it holds is no table.
    if (!parsed.problem.isEmpty())
        throw Error(QStringLiteral("\"%1\" holds no table: %2").arg(path, parsed.problem));
    return parsed;
}

} // namespace TblFile
