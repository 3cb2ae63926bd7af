#include "service_units.h"

#include "service_lending.h"
#include "unit_access.h"

#include <algorithm>

namespace zq40 {

QString borrowUnitsIfServiceHolds(const char* program)
{
    const std::vector<UnitNode> nodes = presentUnitNodes();
    const bool held = std::any_of(nodes.begin(), nodes.end(), [](const UnitNode& node) {
        return std::any_of(node.otherHolders.begin(), node.otherHolders.end(),
                           [](const NodeHolder& h) { return h.program == kServiceProgram; });
    });
    if (!held)
        return {};
    std::string why;
    if (borrowUnitsFromService(program, why))
        return {};
    return QStringLiteral("the service %1 holds the units and did not lend them: %2")
        .arg(QLatin1String(kServiceProgram), QString::fromStdString(why));
}

} // namespace zq40
