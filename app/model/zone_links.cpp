#include "zone_links.h"

#include <array>

namespace zq40 {

namespace {

// The five flags as one pattern, bit n-1 for the pair (n, n+1).
unsigned linkPattern(const ParameterBlocks& blocks)
{
    unsigned pattern = 0;
    for (int lower = 1; lower < kZones; ++lower) {
        if (blocks.zonesLinked(lower))
            pattern |= 1u << (lower - 1);
    }
    return pattern;
}

constexpr unsigned pair(int lower)
{
    return 1u << (lower - 1);
}

} // namespace

std::vector<ZoneRange> linkedGroups(const ParameterBlocks& blocks)
{
    std::vector<ZoneRange> groups;
    int zone = 1;
    while (zone < kZones) {
        if (!blocks.zonesLinked(zone)) {
            ++zone;
            continue;
        }
        int last = zone + 1;
        while (last < kZones && blocks.zonesLinked(last))
            ++last;
        groups.push_back({zone, last});
        zone = last;
    }
    return groups;
}

std::vector<int> linkedZonesOf(const ParameterBlocks& blocks, int zone)
{
    std::vector<int> zones;
    for (int z = zone - 1; z >= 1 && blocks.zonesLinked(z); --z)
        zones.push_back(z);
    for (int z = zone + 1; z <= kZones && blocks.zonesLinked(z - 1); ++z)
        zones.push_back(z);
    return zones;
}

bool anyZonesLinked(const ParameterBlocks& blocks)
{
    return linkPattern(blocks) != 0;
}

int conformingZone(const ParameterBlocks& blocks, ZoneRange group)
{
    // The unit's own choice for these patterns is the group's top zone; any
    // other group, 4-6 of the pattern (2,3) (4,5) (5,6) included, takes its
    // lowest zone.
    const unsigned pattern = linkPattern(blocks);
    if (group.first == 5 && group.last == 6 && (pattern == (pair(3) | pair(5)) || pattern == (pair(2) | pair(5))))
        return 6;
    if (group.first == 4 && group.last == 5 && pattern == (pair(2) | pair(4)))
        return 5;
    return group.first;
}

void conformToLinks(ParameterBlocks& blocks)
{
    for (const ZoneRange& group : linkedGroups(blocks)) {
        const int from = conformingZone(blocks, group);
        const float position = blocks.levelPosition(from);
        const int source = blocks.get(zoneLevel(from, ZoneLevel::Source));
        for (int zone = group.first; zone <= group.last; ++zone) {
            blocks.setLevelPosition(zone, position);
            blocks.set(zoneLevel(zone, ZoneLevel::Source), source);
        }
    }
    for (int zone = 1; zone <= kZones; ++zone)
        blocks.updateLevel(zone);
}

} // namespace zq40
