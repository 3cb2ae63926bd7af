#include "unit_nodes_system.h"

namespace zq40 {

std::vector<std::string> unreachableUnitNodes(const DeniedCheck& denied)
{
    std::vector<std::string> nodes;
    for (const std::string& node : platform::unitNodes())
        if (denied(node))
            nodes.push_back(node);
    return nodes;
}

std::vector<UnitNode> presentUnitNodes(const DeniedCheck& denied)
{
    std::vector<UnitNode> nodes;
    for (const std::string& node : platform::unitNodes()) {
        const bool refused = denied(node);
        nodes.push_back({node, refused, refused ? std::vector<NodeHolder>{} : platform::otherHoldersOf(node)});
    }
    return nodes;
}

} // namespace zq40
