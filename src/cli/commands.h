#pragma once

#include "cli/cli.h"

// The subcommands of orvane-cli, one file each.
namespace Cli {

Exit dumpCommand(const QStringList &arguments);
Exit findCommand(const QStringList &arguments);
Exit relsearchCommand(const QStringList &arguments);
Exit tableCommand(const QStringList &arguments);

// The top-level commands, in the order --help lists them.
[[nodiscard]] std::vector<Command> commands();

} // namespace Cli
