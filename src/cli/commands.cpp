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
        {QStringLiteral("relsearch"),
         QStringLiteral("Finds a word by its letters' differences, without a table; drafts one."),
         relsearchCommand},
        {QStringLiteral("table"),
         QStringLiteral("Imports a .tbl table into a .kel, or exports a .kel as a .tbl."),
         tableCommand},
    };
}

} // namespace Cli
