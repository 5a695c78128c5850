// A ROM, a pattern, a start position and a read size from one input: the fast search must give
// what the windowed scan with per-candidate reads gives. Header bytes: pattern length, where
// the pattern comes from, start position (two bytes), read size, measured length.

#include "fuzzsupport.h"

#include "plainscan.h"

#include "platform/binaryfile.h"
#include "platform/filesearch.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString &romPath()
{
    static const FuzzSupport::ScratchRom rom("search");
    return rom.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t header = 6;
    if (size < header)
        return 0;
    const auto *chars = reinterpret_cast<const char *>(data);
    const qsizetype length = 1 + data[0] % 48;
    QByteArray rest(chars + header, static_cast<qsizetype>(size - header));

    QByteArray pattern;
    if (data[1] & 1 || rest.isEmpty()) {
        pattern = rest.left(length);
        rest.remove(0, pattern.size());
    } else {
        // Taken from the ROM itself, perhaps with its last byte changed, so that matches and
        // near misses are common.
        const qsizetype from = data[1] % rest.size();
        pattern = rest.mid(from, length);
        if (data[1] & 2)
            pattern.back() = static_cast<char>(pattern.back() ^ 0x40);
    }
    if (pattern.isEmpty())
        return 0;

    const qint64 romSize = rest.size();
    const qint64 start = 1 + (data[2] | data[3] << 8) % (romSize + 3);
    const qint64 chunk = data[4] == 0xFF ? FileSearch::DefaultChunkSize : 1 + data[4] % 64;
    const qint64 romLength = data[5] & 1 ? romSize : (data[5] >> 1) % (romSize + 1);

    {
        QFile file(romPath());
        FuzzSupport::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FuzzSupport::check(file.write(rest) == rest.size());
    }
    BinaryFile rom(romPath(), BinaryFile::Mode::Read);
    const auto expected = PlainScan::find(rom, pattern, start, romLength);
    FuzzSupport::check(FileSearch::findPattern(rom, pattern, start, romLength, {}, chunk)
                       == expected);
    return 0;
}
