#include "cli/commands.h"

namespace Cli {

std::vector<Command> commands()
{
    return {
        {QStringLiteral("dump"),
         QStringLiteral("Prints lines of 16 bytes in hex and as text, or the text alone."),
         dumpCommand},
    };
}

} // namespace Cli
