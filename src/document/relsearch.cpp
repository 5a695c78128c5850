#include "relsearch.h"

#include "platform/binaryfile.h"

#include <cstdlib>

namespace RelSearch {

namespace {

constexpr int Letters = 26;

void placeAlphabet(Draft &draft, std::optional<int> start, char first)
{
    if (!start)
        return;
    for (int i = 0; i < Letters; ++i) {
        const char letter = static_cast<char>(first + i);
        if (*start + i == 0) {
            draft.leftOut.append(QStringLiteral("\"%1\" left out: byte 00 always reads as \u00A5")
                                     .arg(QLatin1Char(letter)));
            continue;
        }
        draft.table.setEntry(*start + i, QByteArray(1, letter));
    }
}

} // namespace

Word::Word(const QString &text)
{
    // Code points, so that a character beyond the Basic Multilingual Plane is one byte too.
    const QList<uint> characters = text.toUcs4();
    m_length = characters.size();
    for (qsizetype at = 0; at < m_length; ++at) {
        const uint c = characters.at(at);
        if (c >= 'A' && c <= 'Z')
            m_capitals.push_back({at, static_cast<int>(c - 'A')});
        else if (c >= 'a' && c <= 'z')
            m_small.push_back({at, static_cast<int>(c - 'a')});
    }
}

QString Word::problem() const
{
    if (m_capitals.size() < 2 && m_small.size() < 2) {
        return QStringLiteral("needs two letters of one case: a single letter differs from "
                              "nothing.");
    }
    return {};
}

std::optional<int> Word::alphabetStart(const std::vector<Letter> &letters,
                                       const unsigned char *bytes)
{
    const int start = bytes[letters.front().at] - letters.front().index;
    if (start < 0 || start + Letters - 1 > 0xFF)
        return std::nullopt;
    for (const Letter &letter : letters) {
        if (bytes[letter.at] - letter.index != start)
            return std::nullopt;
    }
    return start;
}

std::optional<Hit> Word::match(const unsigned char *bytes) const
{
    Hit hit;
    if (!m_capitals.empty()) {
        hit.capitalA = alphabetStart(m_capitals, bytes);
        if (!hit.capitalA)
            return std::nullopt;
    }
    if (!m_small.empty()) {
        hit.smallA = alphabetStart(m_small, bytes);
        if (!hit.smallA)
            return std::nullopt;
    }
    // Two letters cannot share a code.
    if (hit.capitalA && hit.smallA && std::abs(*hit.capitalA - *hit.smallA) < Letters)
        return std::nullopt;
    return hit;
}

void Word::scan(BinaryFile &rom,
                qint64 from,
                qint64 end,
                const std::function<bool(const Hit &)> &found,
                qint64 chunkSize) const
{
    if (!problem().isEmpty())
        return;
    FileSearch::eachChunk(
        rom,
        from,
        end,
        m_length - 1,
        [&](const char *bytes, qint64 size, qint64 offset) {
            const auto *data = reinterpret_cast<const unsigned char *>(bytes);
            for (qint64 at = 0; at + m_length <= size; ++at) {
                std::optional<Hit> hit = match(data + at);
                if (!hit)
                    continue;
                hit->offset = offset + at;
                if (!found(*hit))
                    return false;
            }
            return true;
        },
        chunkSize);
}

Draft draftTable(const Hit &hit)
{
    Draft draft;
    draft.table.readRecords({});
    placeAlphabet(draft, hit.capitalA, 'A');
    placeAlphabet(draft, hit.smallA, 'a');
    return draft;
}

} // namespace RelSearch
