// Any text typed where a number is expected.

#include "fuzzsupport.h"

#include "platform/convert.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

void checkText(const QString &text)
{
    const double value = Convert::Val(text);
    FuzzSupport::check(!std::isnan(value));

    // Blanks, tabs and line feeds count for nothing wherever they stand.
    QString bare = text;
    bare.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    FuzzSupport::check(same(Convert::Val(bare), value));

    // Reading stops at a letter no number holds, so one more changes nothing...
    FuzzSupport::check(same(Convert::Val(text + QLatin1Char('z')), value));
    // ...and one in front leaves no number at all.
    FuzzSupport::check(Convert::Val(QLatin1Char('z') + text) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    const auto length = static_cast<qsizetype>(size);
    checkText(QString::fromLatin1(chars, length));
    checkText(QString::fromUtf8(chars, length));
    return 0;
}
