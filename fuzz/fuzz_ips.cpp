// Any bytes as an IPS patch, and as a file to make a patch for: applying either refuses the
// patch or stays within the records it read, and a patch made for any file applies back to it.

#include "fuzzsupport.h"

#include "patch/ips.h"
#include "patch/patcherror.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray rom = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(10);
    try {
        const Ips::Contents contents = Ips::read(bytes);
        const QByteArray patched = Ips::apply(rom, bytes);
        qint64 end = rom.size();
        for (const Ips::Record &record : contents.records) {
            if (record.size > 0)
                end = std::max(end, record.offset + record.size);
        }
        if (contents.truncation)
            end = std::min(end, *contents.truncation);
        FuzzSupport::check(patched.size() == end);
    } catch (const PatchError &) {
    }
    FuzzSupport::check(Ips::apply(rom, Ips::create(rom, bytes)) == bytes);
    FuzzSupport::check(Ips::apply(bytes, Ips::create(bytes, rom)) == rom);
    return 0;
}
