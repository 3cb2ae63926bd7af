#include "staff_view.h"

#include "latin1_text.h"
#include "parameter_blocks.h"
#include "presentation.h"
#include "qdevice.h"
#include "unit_output.h"
#include "zone_links.h"

#include <QJsonArray>

#include <algorithm>

namespace zq40::daemon {

namespace {

// The sources every zone of `zones` allows, in the first zone's order.
std::vector<int> commonSources(const DaemonConfig& config, const std::vector<int>& zones)
{
    std::vector<int> common = config.staffZone(zones.front())->sources;
    for (int zone : zones) {
        const std::vector<int>& own = config.staffZone(zone)->sources;
        std::erase_if(common, [&own](int s) { return std::find(own.begin(), own.end(), s) == own.end(); });
    }
    return common;
}

QJsonObject cardObject(const StaffCard& card, const ParameterBlocks& blocks)
{
    const QString element = QStringLiteral("Zone%1").arg(card.zone);
    const auto value = [&](ZoneLevel field) { return blocks.get(zoneLevel(card.zone, field)); };
    QJsonArray zones, sources;
    for (int z : card.zones)
        zones.append(z);
    for (int s : card.sources)
        sources.append(QJsonObject{{QStringLiteral("value"), s}, {QStringLiteral("label"), sourceName(blocks, s)}});
    const int source = value(ZoneLevel::Source);
    return {
        {QStringLiteral("name"), card.name},
        {QStringLiteral("zones"), zones},
        {QStringLiteral("level"), element + QStringLiteral(".Level")},
        {QStringLiteral("source"), element + QStringLiteral(".Source")},
        {QStringLiteral("Level"), value(ZoneLevel::Level)},
        {QStringLiteral("MinLevel"), value(ZoneLevel::MinLevel)},
        {QStringLiteral("MaxLevel"), value(ZoneLevel::MaxLevel)},
        {QStringLiteral("Source"), source},
        {QStringLiteral("SourceLabel"), sourceName(blocks, source)},
        {QStringLiteral("sources"), sources},
    };
}

} // namespace

QString sourceName(const ParameterBlocks& blocks, int source)
{
    return source == 0 ? QStringLiteral("None") : latin1ToQString(blocks.label(pgmLabel(source)));
}

std::vector<StaffCard> staffCards(const DaemonConfig& config, const ParameterBlocks& blocks)
{
    const std::vector<ZoneRange> groups = linkedGroups(blocks);
    std::vector<StaffCard> cards;
    for (int zone = 1; zone <= kZones; ++zone) {
        const auto group = std::find_if(groups.begin(), groups.end(), [zone](ZoneRange g) { return g.first == zone; });
        StaffCard card;
        if (group != groups.end()) {
            for (int z = group->first; z <= group->last; ++z)
                card.zones.push_back(z);
            card.name = latin1ToQString(blocks.label(groupLabel(group->first, group->last)));
            card.zone = conformingZone(blocks, *group);
            zone = group->last;
        } else {
            card.zones = {zone};
            card.name = latin1ToQString(blocks.label(zoneLabel(zone)));
            card.zone = zone;
        }
        if (std::all_of(card.zones.begin(), card.zones.end(), [&config](int z) { return config.staffZone(z); })) {
            card.sources = commonSources(config, card.zones);
            cards.push_back(std::move(card));
        }
    }
    return cards;
}

QJsonObject staffViewObject(const DaemonConfig& config, const QDevice& unit)
{
    QJsonArray cards;
    for (const StaffCard& card : staffCards(config, unit.blocks))
        cards.append(cardObject(card, unit.blocks));
    return {
        {QStringLiteral("serial"), qint64(unit.pDeviceInfo->ser)},
        {QStringLiteral("name"), unitName(unit)},
        {QStringLiteral("editable"), editingAllowed(unit)},
        {QStringLiteral("cards"), cards},
    };
}

} // namespace zq40::daemon
