// zq40d's commands on its secrets, run by the installer from a terminal.
#pragma once

#include "daemon_arguments.h"
#include "daemon_config.h"

namespace zq40::daemon {

// The exit code of set-pin, add-token or remove-token.
int runSecretCommand(const DaemonArguments& arguments, const DaemonConfig& config);

} // namespace zq40::daemon
