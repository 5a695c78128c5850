#pragma once

#include "cli/cli.h"

// The subcommands of orvane-cli, one file each.
namespace Cli {

Exit dumpCommand(const QStringList &arguments);
Exit findCommand(const QStringList &arguments);
Exit relsearchCommand(const QStringList &arguments);
Exit tableCommand(const QStringList &arguments);
Exit encodeCommand(const QStringList &arguments);
Exit decodeCommand(const QStringList &arguments);
Exit ipsCommand(const QStringList &arguments);
Exit bpsCommand(const QStringList &arguments);
Exit snesCommand(const QStringList &arguments);
Exit addrCommand(const QStringList &arguments);
Exit pointersCommand(const QStringList &arguments);
Exit scriptCommand(const QStringList &arguments);

// The top-level commands, in the order --help lists them.
[[nodiscard]] std::vector<Command> commands();

} // namespace Cli
