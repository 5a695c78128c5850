#include "texttable.h"

#include "document/keltable.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"

#include <QStringDecoder>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

quint64 packed(QByteArrayView key)
{
    quint64 value = 0;
    for (const char c : key)
        value = (value << 8) | static_cast<unsigned char>(c);
    return value;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The bytes an even run of 2 to 16 hex digits stands for, or nothing.
std::optional<QByteArray> hexKey(QStringView digits)
{
    if (digits.isEmpty() || digits.size() % 2 != 0
        || digits.size() > qsizetype(2) * TextTable::MaxKeyLength)
        return std::nullopt;
    QByteArray key;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = hexDigit(digits[i]);
        const int low = hexDigit(digits[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        key.append(static_cast<char>(high * 16 + low));
    }
    return key;
}

QString typedText(char byte)
{
    return QStringLiteral("<$")
           + QString::fromLatin1(Convert::hexPair(static_cast<unsigned char>(byte)))
           + QLatin1Char('>');
}

// The byte that "<$XX>" at at stands for, or -1.
int typedByte(const QString &text, qsizetype at)
{
    if (at + 5 > text.size() || text[at] != QLatin1Char('<') || text[at + 1] != QLatin1Char('$')
        || text[at + 4] != QLatin1Char('>'))
        return -1;
    const int high = hexDigit(text[at + 2]);
    const int low = hexDigit(text[at + 3]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// The character at at, both halves of a surrogate pair, and where it stands counted as a
// reader counts: in characters, from 1.
QString characterAt(const QString &text, qsizetype at)
{
    const bool pair = at + 1 < text.size() && text[at].isHighSurrogate()
                      && text[at + 1].isLowSurrogate();
    return text.mid(at, pair ? 2 : 1);
}

qsizetype place(const QString &text, qsizetype at)
{
    qsizetype characters = 1;
    for (qsizetype i = 0; i < at; ++i) {
        if (!text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate())
            ++characters;
    }
    return characters;
}

QString noSpelling(const QString &text, qsizetype at)
{
    return QStringLiteral("no entry spells \"%1\" at character %2")
        .arg(characterAt(text, at))
        .arg(place(text, at));
}

// Reads a file's lines one by one into a table, naming each line that it leaves out.
class Parser
{
public:
    void line(int number, QByteArrayView bytes);
    TextTable::Parsed parsed;

private:
    void definition(const QString &line, const QString &body, TextTable::Kind kind);
    void leaveOut(const QString &line, const QString &why)
    {
        parsed.warnings.append({m_line, QStringLiteral("\"%1\" left out: %2").arg(line, why)});
    }

    int m_line = 0;
};

void Parser::line(int number, QByteArrayView bytes)
{
    m_line = number;
    // Each line on its own, so that a broken sequence is reported where it is.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        parsed.warnings.append({m_line, QStringLiteral("the line is not UTF-8 text; left out")});
        return;
    }
    if (text.trimmed().isEmpty() || text.startsWith(QLatin1Char('#')))
        return;
    switch (text.at(0).unicode()) {
    case '@':
        leaveOut(text, QStringLiteral("table names are not read"));
        return;
    case '!':
        leaveOut(text, QStringLiteral("switching to another table is not read"));
        return;
    case '/':
        definition(text, text.mid(1), TextTable::Kind::End);
        return;
    case '*':
        definition(text, text.mid(1), TextTable::Kind::LineBreak);
        return;
    case '$':
        definition(text, text.mid(1), TextTable::Kind::Linked);
        return;
    default:
        definition(text, text, TextTable::Kind::Normal);
    }
}

void Parser::definition(const QString &line, const QString &body, TextTable::Kind kind)
{
    const qsizetype equals = body.indexOf(QLatin1Char('='));
    const QStringView digits = equals < 0 ? QStringView(body) : QStringView(body).left(equals);
    const std::optional<QByteArray> key = hexKey(digits);
    if (!key) {
        leaveOut(line,
                 QStringLiteral("the key is not 1 to %1 bytes in hex").arg(TextTable::MaxKeyLength));
        return;
    }
    TextTable::Entry entry{*key, {}, kind, 0};
    if (equals < 0) {
        if (kind != TextTable::Kind::LineBreak) {
            leaveOut(line, QStringLiteral("it has no \"=\" and text"));
            return;
        }
        entry.text = QStringLiteral("\n");
    } else {
        entry.text = body.mid(equals + 1);
    }
    if (kind == TextTable::Kind::Linked) {
        const qsizetype comma = entry.text.lastIndexOf(QLatin1Char(','));
        const QString count = comma < 0 ? QString() : entry.text.mid(comma + 1);
        bool ok = !count.isEmpty()
                  && std::all_of(count.begin(), count.end(), [](QChar c) { return c.isDigit(); });
        const int parameters = ok ? count.toInt(&ok) : 0;
        if (!ok || parameters > TextTable::MaxParameters) {
            leaveOut(line,
                     QStringLiteral("a linked entry is $HEX=label,N with N from 0 to %1")
                         .arg(TextTable::MaxParameters));
            return;
        }
        entry.text.truncate(comma);
        entry.parameters = parameters;
    }
    if (const TextTable::Entry *first = parsed.table.find(entry.key)) {
        const auto index = first - parsed.table.entries().constData();
        leaveOut(line,
                 QStringLiteral("key %1 is already defined on line %2; the first holds")
                     .arg(QString::fromLatin1(entry.key.toHex().toUpper()))
                     .arg(parsed.lines.at(index)));
        return;
    }
    parsed.table.add(entry);
    parsed.lines.append(m_line);
}

} // namespace

struct TextTable::Step
{
    int entry = -1; // -1: a typed byte
    qsizetype textEnd = 0;
    int parameters = 0;
};

TextTable::TextTable()
{
    m_oneByte.fill(-1);
}

TextTable::Parsed TextTable::parse(QByteArrayView fileBytes)
{
    Parser parser;
    if (fileBytes.startsWith("\xFF\xFE") || fileBytes.startsWith("\xFE\xFF")) {
        parser.parsed.warnings.append(
            {1, QStringLiteral("the file is UTF-16 text; a .tbl file is read as UTF-8")});
        return parser.parsed;
    }
    if (fileBytes.startsWith(Utf8Bom))
        fileBytes = fileBytes.sliced(Utf8Bom.size());
    int number = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < fileBytes.size(); ++i) {
        const char c = fileBytes[i];
        if (c != '\n' && c != '\r')
            continue;
        parser.line(number++, fileBytes.sliced(start, i - start));
        if (c == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < fileBytes.size())
        parser.line(number, fileBytes.sliced(start));
    return parser.parsed;
}

TextTable::Parsed TextTable::read(const QString &path)
{
    const QByteArray bytes = BinaryFile::readStart(path, MaxFileSize + 1);
    if (bytes.size() > MaxFileSize) {
        BinaryFile::fail(QStringLiteral("read"),
                         path,
                         QStringLiteral("It is larger than %1 MiB, more than any table holds.")
                             .arg(MaxFileSize >> 20));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        BinaryFile::fail(QStringLiteral("read"),
                         path,
                         QStringLiteral("It is UTF-16 text; a .tbl file is read as UTF-8."));
    return parse(bytes);
}

TextTable TextTable::fromKel(const KelTable &kel)
{
    TextTable table;
    for (int b = 0; b < KelTable::Size; ++b)
        table.add({QByteArray(1, static_cast<char>(b)), QString::fromLatin1(kel.entry(b))});
    return table;
}

int TextTable::indexOf(QByteArrayView key) const
{
    const qsizetype length = key.size();
    if (length < 1 || length > MaxKeyLength)
        return -1;
    const auto first = static_cast<unsigned char>(key[0]);
    if (((m_lengthsByFirst[first] >> length) & 1U) == 0)
        return -1;
    if (length == 1)
        return m_oneByte[first];
    if (length == 2)
        return m_twoBytes[packed(key)];
    return m_longer[static_cast<size_t>(length)].value(packed(key), -1);
}

const TextTable::Entry *TextTable::find(QByteArrayView key) const
{
    const int index = indexOf(key);
    return index < 0 ? nullptr : &m_entries.at(index);
}

bool TextTable::add(const Entry &entry)
{
    const qsizetype length = entry.key.size();
    if (length < 1 || length > MaxKeyLength || indexOf(entry.key) >= 0 || entry.parameters < 0
        || entry.parameters > MaxParameters)
        return false;
    const int index = static_cast<int>(m_entries.size());
    m_entries.append(entry);
    const auto first = static_cast<unsigned char>(entry.key[0]);
    m_lengthsByFirst[first] |= quint16(1U << length);
    if (length == 1) {
        m_oneByte[first] = index;
    } else if (length == 2) {
        if (m_twoBytes.empty())
            m_twoBytes.assign(size_t(1) << 16, -1);
        m_twoBytes[packed(entry.key)] = index;
    } else {
        m_longer[static_cast<size_t>(length)].insert(packed(entry.key), index);
    }
    const int parameters = entry.kind == Kind::Linked ? entry.parameters : 0;
    m_maxUnitLength = std::max(m_maxUnitLength, static_cast<int>(length) + parameters);

    if (entry.text.isEmpty())
        return true;
    int node = 0;
    for (const QChar c : entry.text) {
        const quint64 edge = (quint64(node) << 16) | c.unicode();
        const auto it = m_edges.constFind(edge);
        if (it != m_edges.constEnd()) {
            node = *it;
            continue;
        }
        const int child = static_cast<int>(m_spelledBy.size());
        m_spelledBy.emplace_back();
        m_edges.insert(edge, child);
        node = child;
    }
    std::vector<int> &spelledBy = m_spelledBy[static_cast<size_t>(node)];
    const auto before = [this](int a, int b) {
        const QByteArray &keyA = m_entries.at(a).key;
        const QByteArray &keyB = m_entries.at(b).key;
        return keyA.size() != keyB.size() ? keyA.size() < keyB.size() : keyA > keyB;
    };
    spelledBy.insert(std::upper_bound(spelledBy.begin(), spelledBy.end(), index, before), index);
    return true;
}

TextTable::Unit TextTable::unitAt(QByteArrayView bytes, qsizetype at) const
{
    const qsizetype available = bytes.size() - at;
    unsigned lengths = m_lengthsByFirst[static_cast<unsigned char>(bytes[at])];
    if (available < MaxKeyLength)
        lengths &= (1U << (available + 1)) - 1;
    for (int length = MaxKeyLength; lengths > 1; --length) {
        if (((lengths >> length) & 1U) == 0)
            continue;
        lengths &= ~(1U << length);
        const int index = indexOf(bytes.sliced(at, length));
        if (index < 0)
            continue;
        const Entry &entry = m_entries.at(index);
        const qsizetype parameters = entry.kind == Kind::Linked ? entry.parameters : 0;
        return {&entry, length + std::min(parameters, available - length)};
    }
    return {};
}

QString TextTable::unitText(QByteArrayView bytes, qsizetype at, const Unit &unit) const
{
    if (!unit.entry)
        return typedText(bytes[at]);
    if (unit.entry->kind != Kind::Linked)
        return unit.entry->text;
    QString text = unit.entry->text;
    for (qsizetype k = unit.entry->key.size(); k < unit.length; ++k)
        text += typedText(bytes[at + k]);
    return text;
}

QString TextTable::decode(QByteArrayView bytes) const
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const Unit unit = unitAt(bytes, at);
        if (unit.entry && unit.entry->kind != Kind::Linked)
            text += unit.entry->text;
        else
            text += unitText(bytes, at, unit);
        at += unit.length;
    }
    return text;
}

void TextTable::stepsAt(const QString &text, qsizetype at, std::vector<Step> &steps) const
{
    steps.clear();
    // A typed byte is what was asked for, whatever entry might spell the same characters.
    if (typedByte(text, at) >= 0)
        steps.push_back({-1, at + 5, 0});
    // The nodes along the text from at, deepest last.
    int node = 0;
    qsizetype depth = 0;
    std::vector<std::pair<int, qsizetype>> path;
    for (qsizetype i = at; i < text.size(); ++i) {
        const auto it = m_edges.constFind((quint64(node) << 16) | text[i].unicode());
        if (it == m_edges.constEnd())
            break;
        node = *it;
        ++depth;
        if (!m_spelledBy[static_cast<size_t>(node)].empty())
            path.emplace_back(node, depth);
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const qsizetype end = at + it->second;
        for (const int index : m_spelledBy[static_cast<size_t>(it->first)]) {
            const Entry &entry = m_entries.at(index);
            if (entry.kind != Kind::Linked || entry.parameters == 0) {
                steps.push_back({index, end, 0});
                continue;
            }
            // Its parameters follow as typed bytes: all of them, or as many as there are
            // before the text ends, as a read of bytes cut short gives.
            int count = 0;
            while (count < entry.parameters && typedByte(text, end + qsizetype(5) * count) >= 0)
                ++count;
            const qsizetype after = end + qsizetype(5) * count;
            if (count == entry.parameters || after == text.size())
                steps.push_back({index, after, count});
        }
    }
}

TextTable::Encoded TextTable::encode(const QString &text, Spelling spelling) const
{
    return spelling == Spelling::LongestFirst ? longestFirst(text) : fewest(text);
}

namespace {

template<typename Pieces>
QByteArray joined(const Pieces &pieces)
{
    QByteArray bytes;
    for (const auto &piece : pieces)
        bytes += piece.bytes;
    return bytes;
}

} // namespace

TextTable::Encoded TextTable::longestFirst(const QString &text) const
{
    std::vector<Piece> pieces;
    std::vector<Step> steps;
    for (qsizetype at = 0; at < text.size();) {
        stepsAt(text, at, steps);
        if (steps.empty())
            return finish(text, pieces, at);
        const Step &step = steps.front();
        Piece piece{step.entry, step.textEnd, {}};
        if (step.entry < 0) {
            piece.bytes.append(static_cast<char>(typedByte(text, at)));
        } else {
            piece.bytes = m_entries.at(step.entry).key;
            for (int k = 0; k < step.parameters; ++k)
                piece.bytes.append(static_cast<char>(
                    typedByte(text, step.textEnd - qsizetype(5) * (step.parameters - k))));
        }
        pieces.push_back(piece);
        at = step.textEnd;
    }
    return finish(text, pieces, text.size());
}

TextTable::Encoded TextTable::fewest(const QString &text) const
{
    // The fewest bytes that spell each prefix of the text, and the step that ends the best
    // spelling of it. The first spelling found keeps a tie, so the same text always gives the
    // same bytes.
    constexpr qint64 Unreached = std::numeric_limits<qint64>::max();
    const auto length = static_cast<size_t>(text.size());
    std::vector<qint64> cost(length + 1, Unreached);
    std::vector<qsizetype> from(length + 1, -1);
    std::vector<Step> via(length + 1);
    cost[0] = 0;
    std::vector<Step> steps;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (cost[static_cast<size_t>(at)] == Unreached)
            continue;
        stepsAt(text, at, steps);
        for (const Step &step : steps) {
            const qint64 bytes = step.entry < 0
                                     ? 1
                                     : m_entries.at(step.entry).key.size() + step.parameters;
            const auto end = static_cast<size_t>(step.textEnd);
            if (cost[static_cast<size_t>(at)] + bytes < cost[end]) {
                cost[end] = cost[static_cast<size_t>(at)] + bytes;
                from[end] = at;
                via[end] = step;
            }
        }
    }
    qsizetype reached = text.size();
    while (cost[static_cast<size_t>(reached)] == Unreached)
        --reached;
    std::vector<Piece> pieces;
    for (qsizetype end = reached; end > 0; end = from[static_cast<size_t>(end)]) {
        const Step &step = via[static_cast<size_t>(end)];
        const qsizetype at = from[static_cast<size_t>(end)];
        Piece piece{step.entry, end, {}};
        if (step.entry < 0) {
            piece.bytes.append(static_cast<char>(typedByte(text, at)));
        } else {
            piece.bytes = m_entries.at(step.entry).key;
            for (int k = 0; k < step.parameters; ++k)
                piece.bytes.append(
                    static_cast<char>(typedByte(text, end - qsizetype(5) * (step.parameters - k))));
        }
        pieces.push_back(piece);
    }
    std::reverse(pieces.begin(), pieces.end());
    return finish(text, pieces, reached);
}

TextTable::Encoded TextTable::finish(const QString &text,
                                     const std::vector<Piece> &pieces,
                                     qsizetype stoppedAt) const
{
    Encoded encoded;
    checkReadsBack(text, pieces, encoded);
    // A spelling that does not read back is reported where it goes wrong, even when it stops
    // later for want of an entry.
    if (encoded.problem.isEmpty() && stoppedAt < text.size()) {
        encoded.consumed = stoppedAt;
        encoded.problem = noSpelling(text, stoppedAt);
    }
    return encoded;
}

void TextTable::checkReadsBack(const QString &text,
                               const std::vector<Piece> &pieces,
                               Encoded &encoded) const
{
    const QByteArray bytes = joined(pieces);
    qsizetype offset = 0;
    qsizetype textAt = 0;
    for (const Piece &piece : pieces) {
        // A read takes the longest key at each point: the bytes read back as the pieces when
        // each piece is the unit read where it starts.
        const Unit unit = unitAt(bytes, offset);
        if (unit.length != piece.bytes.size()
            || (piece.entry >= 0 && unit.entry != &m_entries.at(piece.entry))) {
            encoded.bytes = bytes.left(offset);
            encoded.consumed = textAt;
            encoded.problem = QStringLiteral(
                                  "\"%1\" at character %2 cannot be spelled so that it reads back: "
                                  "its bytes %3 would read as \"%4\"")
                                  .arg(text.mid(textAt, piece.textEnd - textAt))
                                  .arg(place(text, textAt))
                                  .arg(QString::fromLatin1(
                                           bytes.mid(offset, unit.length).toHex(' ').toUpper()),
                                       unitText(bytes, offset, unit));
            return;
        }
        offset += piece.bytes.size();
        textAt = piece.textEnd;
    }
    encoded.bytes = bytes;
    encoded.consumed = textAt;
    encoded.problem.clear();
}
