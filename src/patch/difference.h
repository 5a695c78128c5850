#pragma once

#include <QtGlobal>

#include <cstring>

// Finding where two files stop agreeing, which the IPS writer does over every byte: whole
// blocks compared at once, then the block that differs a byte at a time.
namespace Patch {

// The first position from `from` on where a and b differ, or `to`.
[[nodiscard]] inline qint64 nextDifference(const char *a, const char *b, qint64 from, qint64 to)
{
    constexpr qint64 Block = 64;
    while (to - from >= Block && std::memcmp(a + from, b + from, Block) == 0)
        from += Block;
    while (from < to && a[from] == b[from])
        ++from;
    return from;
}

} // namespace Patch
