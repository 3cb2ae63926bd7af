// What each system's folder answers for the census of units' nodes, which
// unit_nodes.cpp builds once for all systems.
#pragma once

#include "unit_access.h"

#include <string>
#include <vector>

namespace zq40::platform {

// The device nodes (Linux) or interface paths (Windows) of the units
// present, in the system's order.
std::vector<std::string> unitNodes();

// The other programs that have the node open; one holder with pid 0 where
// the system tells only that one has.
std::vector<NodeHolder> otherHoldersOf(const std::string& node);

} // namespace zq40::platform
