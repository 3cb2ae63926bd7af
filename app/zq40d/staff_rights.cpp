#include "staff_rights.h"

#include "parameter_blocks.h"
#include "zone_links.h"

#include <algorithm>

namespace zq40::daemon {

namespace {

// The zone of "Zone3"; 0 for any other element.
int zoneOf(const std::string& element)
{
    if (element.size() != 5 || element.rfind("Zone", 0) != 0 || element[4] < '1' || element[4] > '6')
        return 0;
    return element[4] - '0';
}

} // namespace

QString forbiddenEdit(Role role, const DaemonConfig& config, const SettingEdits& edits, const ParameterBlocks& blocks)
{
    if (role == Role::Installer)
        return {};
    for (size_t i = 0; i < edits.settings.size(); ++i) {
        const Setting& s = *edits.settings[i];
        const QString name = QString::fromStdString(s.name());
        const int zone = zoneOf(s.element);
        const bool source = s.attribute == "Source";
        if (!zone || (!source && s.attribute != "Level"))
            return QStringLiteral("staff may not change %1").arg(name);
        std::vector<int> group = linkedZonesOf(blocks, zone);
        group.push_back(zone);
        for (int z : group) {
            const StaffZone* allowed = config.staffZone(z);
            if (!allowed)
                return z == zone
                    ? QStringLiteral("staff may not change zone %1").arg(zone)
                    : QStringLiteral("zone %1 is linked with zone %2, which staff may not change").arg(zone).arg(z);
            const int value = edits.changes[i].value;
            if (source && std::find(allowed->sources.begin(), allowed->sources.end(), value) == allowed->sources.end())
                return QStringLiteral("staff may not choose source %1 for zone %2").arg(value).arg(z);
        }
    }
    return {};
}

} // namespace zq40::daemon
