#include "navigation.h"

#include "platform/convert.h"

namespace Navigation {

bool pageUpEnabled(double topLine)
{
    return topLine > 0;
}

bool pageDownEnabled(double topLine, double romLength)
{
    return romLength - 13 > 16 * topLine;
}

double pageDown(double topLine, double romLength)
{
    double next = topLine + PageStep;
    if (romLength / 16 < next)
        next = romLength / 16 - PageStep;
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
    return offset / 16;
}

QString offsetText(double topLine, int row)
{
    return Convert::decimalText(16 * topLine + 16.0 * row);
}

} // namespace Navigation
