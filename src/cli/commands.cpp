#include "cli/commands.h"

namespace Cli {

std::vector<Command> commands()
{
    return {
        {QStringLiteral("dump"),
         QStringLiteral("Prints lines of 16 bytes in hex and as text, or the text alone."),
         dumpCommand},
        {QStringLiteral("ips"), QStringLiteral("Makes and applies IPS patches."), ipsCommand},
        {QStringLiteral("bps"),
         QStringLiteral("Makes and applies BPS patches, checked by their CRC32s."),
         bpsCommand},
        {QStringLiteral("snes"),
         QStringLiteral(
             "Shows the SNES header, fixes its checksum, adds or removes a copier header."),
         snesCommand},
        {QStringLiteral("addr"),
         QStringLiteral("Turns a SNES bus address into a file offset and back."),
         addrCommand},
    };
}

} // namespace Cli
