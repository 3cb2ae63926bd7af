// Linked groups of zones and conforming a record to them: which zone gives
// its fader and source, and that every zone keeps its own dB span.
#include "zone_links.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace zq40 {
namespace {

// Each zone gets its own position and source, so that whose values were
// copied shows.
ParameterBlocks distinctZones(std::initializer_list<int> linkedPairs)
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    for (int zone = 1; zone <= kZones; ++zone) {
        b.setLevelPosition(zone, float(10 * zone));
        b.set(zoneLevel(zone, ZoneLevel::Source), zone);
    }
    for (int lower : linkedPairs)
        b.setZonesLinked(lower, true);
    return b;
}

void expectGroupFrom(const ParameterBlocks& b, int first, int last, int from)
{
    for (int zone = first; zone <= last; ++zone) {
        EXPECT_FLOAT_EQ(b.levelPosition(zone), float(10 * from)) << "zone " << zone;
        EXPECT_EQ(b.get(zoneLevel(zone, ZoneLevel::Source)), from) << "zone " << zone;
    }
}

TEST(ZoneLinks, GroupsAreMaximalRunsLeftToRight)
{
    const auto groups = linkedGroups(distinctZones({1, 3, 5}));
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].first, 1);
    EXPECT_EQ(groups[0].last, 2);
    EXPECT_EQ(groups[2].first, 5);
    EXPECT_EQ(groups[2].last, 6);

    const auto one = linkedGroups(distinctZones({2, 3, 4, 5}));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].first, 2);
    EXPECT_EQ(one[0].last, 6);
    EXPECT_TRUE(linkedGroups(distinctZones({})).empty());
    EXPECT_FALSE(anyZonesLinked(distinctZones({})));
}

TEST(ZoneLinks, NoLinksMoveNothingButLevelsAreRecomputed)
{
    ParameterBlocks b = distinctZones({});
    b.set(zoneLevel(1, ZoneLevel::Level), 7);
    const ParameterBlocks before = b;
    conformToLinks(b);
    for (int zone = 1; zone <= kZones; ++zone) {
        EXPECT_FLOAT_EQ(b.levelPosition(zone), before.levelPosition(zone));
        EXPECT_EQ(b.get(zoneLevel(zone, ZoneLevel::Source)), zone);
    }
    // Default span -40 to +10 at position 10: -35.
    EXPECT_EQ(b.get(zoneLevel(1, ZoneLevel::Level)), -35);
}

TEST(ZoneLinks, LowestZoneGivesByDefault)
{
    ParameterBlocks b = distinctZones({1, 2, 4});
    conformToLinks(b);
    expectGroupFrom(b, 1, 3, 1);
    expectGroupFrom(b, 4, 5, 4);
    expectGroupFrom(b, 6, 6, 6);
}

TEST(ZoneLinks, UnitsOwnExceptionsTakeTheTopZone)
{
    ParameterBlocks a = distinctZones({3, 5});
    conformToLinks(a);
    expectGroupFrom(a, 3, 4, 3);
    expectGroupFrom(a, 5, 6, 6);

    ParameterBlocks b = distinctZones({2, 5});
    conformToLinks(b);
    expectGroupFrom(b, 2, 3, 2);
    expectGroupFrom(b, 5, 6, 6);

    ParameterBlocks c = distinctZones({2, 4});
    conformToLinks(c);
    expectGroupFrom(c, 2, 3, 2);
    expectGroupFrom(c, 4, 5, 5);

    // Chosen here: the group 4-6 of this pattern takes zone 4, as every
    // other group 4-6 does.
    ParameterBlocks d = distinctZones({2, 4, 5});
    conformToLinks(d);
    expectGroupFrom(d, 2, 3, 2);
    expectGroupFrom(d, 4, 6, 4);
}

TEST(ZoneLinks, LinkedZonesKeepTheirOwnSpans)
{
    ParameterBlocks b = distinctZones({1});
    b.set(zoneLevel(1, ZoneLevel::MinLevel), -40);
    b.set(zoneLevel(1, ZoneLevel::MaxLevel), 10);
    b.set(zoneLevel(2, ZoneLevel::MinLevel), -20);
    b.set(zoneLevel(2, ZoneLevel::MaxLevel), 0);
    b.setLevelPosition(1, 50.0f);
    conformToLinks(b);
    EXPECT_FLOAT_EQ(b.levelPosition(2), 50.0f);
    EXPECT_EQ(b.get(zoneLevel(1, ZoneLevel::Level)), -15);
    EXPECT_EQ(b.get(zoneLevel(2, ZoneLevel::Level)), -10);
}

} // namespace
} // namespace zq40
