#include "navigation.h"

#include "document/romline.h"
#include "platform/convert.h"

#include <cmath>

namespace Navigation {

namespace {

// Page Down compares the bytes left after the top line with this many.
constexpr double PageDownMarginBytes = 13;

} // namespace

bool pageUpEnabled(double topLine)
{
    return topLine > 0;
}

bool pageDownEnabled(double topLine, double romLength)
{
    return romLength - PageDownMarginBytes > RomLine::Length * topLine;
}

double pageDown(double topLine, double romLength)
{
    const double lastLine = romLength / RomLine::Length;
    double next = topLine + PageStep;
    if (lastLine < next)
        next = lastLine - PageStep;
    return next < 0 ? 0 : next;
}

double pageUp(double topLine)
{
    const double next = topLine - PageStep;
    return next <= 0 ? 0 : next;
}

std::optional<double> goTo(const QString &entry, double romLength)
{
    if (entry.isEmpty())
        return std::nullopt;
    const double offset = Convert::Val(entry);
    if (!(offset <= romLength && offset >= 0))
        return std::nullopt;
    return offset / RomLine::Length;
}

qint64 startPosition(FindFrom from, double topLine)
{
    if (from == FindFrom::Start)
        return 1;
    return static_cast<qint64>(Convert::roundHalfEven((topLine + 1) * RomLine::Length));
}

double topLineAfterFind(qint64 position)
{
    return std::floor(static_cast<double>(position + 1) / RomLine::Length);
}

double rowOffset(double topLine, int row)
{
    return RomLine::Length * topLine + double(RomLine::Length) * row;
}

QString offsetText(double topLine, int row)
{
    return Convert::decimalText(rowOffset(topLine, row));
}

} // namespace Navigation
