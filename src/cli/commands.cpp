#include "cli/commands.h"

namespace Cli {

std::vector<Command> commands()
{
    return {
        {QStringLiteral("dump"),
         QStringLiteral("Prints lines of 16 bytes in hex and as text, or the text alone."),
         dumpCommand},
        {QStringLiteral("find"),
         QStringLiteral("Prints where the ROM holds a text, spelled through the table."),
         findCommand},
        {QStringLiteral("encode"),
         QStringLiteral("Prints the bytes a text is spelled as through a table, and their count."),
         encodeCommand},
        {QStringLiteral("decode"),
         QStringLiteral("Prints the text that bytes given in hex read as through a table."),
         decodeCommand},
        {QStringLiteral("relsearch"),
         QStringLiteral("Finds a word by its letters' differences, without a table; drafts one."),
         relsearchCommand},
        {QStringLiteral("table"),
         QStringLiteral("Imports a .tbl table into a .kel, or exports a .kel as a .tbl."),
         tableCommand},
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
        {QStringLiteral("pointers"),
         QStringLiteral("Finds the pointers that lead to an offset, in a given pointer format."),
         pointersCommand},
        {QStringLiteral("script"),
         QStringLiteral("Dumps the strings of pointer tables to a script, and inserts it back."),
         scriptCommand},
    };
}

} // namespace Cli
