// zq40ctl scene: the zq40d service's scenes over its HTTP API, with the
// token of $ZQ40D_TOKEN. Needs no unit of its own: the service has them.
#pragma once

#include "ctl_arguments.h"

namespace zq40::ctl {

// Runs `scene ...` and gives the exit code.
int runScene(const Arguments& arguments);

} // namespace zq40::ctl
