// The parameter blocks: factory defaults byte for byte, storing received
// blocks, field access and the name fields. Blocks under test start filled
// with a marker byte, so that a byte written where it should not be, or not
// written where it should be, shows.
#include "parameter_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zq40 {
namespace {

constexpr uint8_t kMark = 0xEE;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::span<const uint8_t> s)
{
    return Bytes(s.begin(), s.end());
}

ParameterBlocks marked()
{
    ParameterBlocks b;
    for (int code = 0; code < 256; ++code) {
        const std::span<uint8_t> block = b.block(uint8_t(code));
        std::fill(block.begin(), block.end(), kMark);
    }
    return b;
}

// A 16-byte slot holding `text` and its NUL, the marker after them.
Bytes slot(const std::string& text)
{
    Bytes s(16, kMark);
    std::copy(text.begin(), text.end(), s.begin());
    s[text.size()] = 0;
    return s;
}

Bytes labelBlock(const std::string& a, const std::string& b, const std::string& c)
{
    Bytes block;
    for (const std::string* t : {&a, &b, &c}) {
        const Bytes s = slot(*t);
        block.insert(block.end(), s.begin(), s.end());
    }
    return block;
}

Bytes repeated(const Bytes& record, int times)
{
    Bytes out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), record.begin(), record.end());
    return out;
}

TEST(FactoryDefaults, EveryBlockByteForByte)
{
    ParameterBlocks b = marked();
    b.setDefaultParameters(false);

    EXPECT_EQ(bytesOf(b.zoneParams), repeated({0x00, 0x00, 0x00, 0x00, 0x00, 0xF4, 0x00, 0x14}, 6));
    EXPECT_EQ(bytesOf(b.zoneLevels), repeated({0x00, 0x00, 0xA0, 0x42, 0x00, 0x0A, 0xD8, 0x00}, 6));

    // Reserved bytes without a default keep the marker.
    const uint8_t M = kMark;
    const Bytes inputs = {
        0,    0,    0,    0, 0,    0,                // Pgm1Level to Pgm6Level
        1,    0,    0,    0, 0xD8, M, 0, 0, 0, M, 0, // Page 1, 6 to 16
        M,    M,    M,    M, M,    M, M,             // 17 to 23
        2,    0,    0,    0, M,    M, 0, 0, 0, M, 0, // Page 2, 24 to 34
        M,    M,    M,    1, M,                      // 35 to 39
        0x02, 0x00, 0xC4, 8, 0,                      // groups, program-6 priority
    };
    EXPECT_EQ(bytesOf(b.inputsPaging), inputs);

    EXPECT_EQ(bytesOf(b.block(4)), labelBlock("Zone 1", "Zone 2", "Zone 3"));
    EXPECT_EQ(bytesOf(b.block(5)), labelBlock("Zone 4", "Zone 5", "Zone 6"));
    EXPECT_EQ(bytesOf(b.block(6)), labelBlock("Zones 1-6", "Zones 1-5", "Zones 1-4"));
    EXPECT_EQ(bytesOf(b.block(7)), labelBlock("Zones 1-3", "Zones 1-2", "Zones 2-6"));
    EXPECT_EQ(bytesOf(b.block(8)), labelBlock("Zones 2-5", "Zones 2-4", "Zones 2-3"));
    EXPECT_EQ(bytesOf(b.block(9)), labelBlock("Zones 3-6", "Zones 3-5", "Zones 3-4"));
    EXPECT_EQ(bytesOf(b.block(10)), labelBlock("Zones 4-6", "Zones 4-5", "Zones 5-6"));
    EXPECT_EQ(bytesOf(b.block(12)), labelBlock("Pgm 1", "Pgm 2", "Pgm 3"));
    EXPECT_EQ(bytesOf(b.block(13)), labelBlock("Pgm 4", "Pgm 5", "Pgm 6"));

    Bytes name(30, kMark);
    const std::string orlo = "Orlo ZQ40";
    std::copy(orlo.begin(), orlo.end(), name.begin());
    name[orlo.size()] = 0;
    EXPECT_EQ(bytesOf(b.deviceName), name);

    EXPECT_EQ(bytesOf(b.zoneLinks), Bytes(8, kMark));
}

TEST(FactoryDefaults, KeepNameLeavesTheNameBlock)
{
    ParameterBlocks b = marked();
    b.setDefaultParameters(true);
    EXPECT_EQ(bytesOf(b.deviceName), Bytes(30, kMark));
    EXPECT_EQ(b.levelPosition(6), 80.0f);
    EXPECT_EQ(b.label(zoneLabel(6)), "Zone 6");
}

TEST(StoreBlocks, EveryCode)
{
    Bytes report(57);
    for (size_t i = 0; i < report.size(); ++i)
        report[i] = uint8_t(0x40 + i);

    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        ParameterBlocks b = marked();
        const ParameterBlocks before = b;
        const bool stored = b.store(uint8_t(code), report);

        const bool hasCopy = (code >= 1 && code <= 14) || code == 16;
        EXPECT_EQ(stored, hasCopy);
        EXPECT_EQ(b.block(uint8_t(code)).size(), blockSize(uint8_t(code)));
        if (!hasCopy) {
            EXPECT_EQ(blockSize(uint8_t(code)), 0u);
            EXPECT_TRUE(b == before);
            continue;
        }
        const size_t size = code == 3 ? 45 : code == 11 ? 30 : code == 14 ? 8 : 48;
        EXPECT_EQ(blockSize(uint8_t(code)), size);
        EXPECT_EQ(bytesOf(b.block(uint8_t(code))), Bytes(report.begin(), report.begin() + long(size)));

        // Nothing outside the block's own copy moved.
        ParameterBlocks restored = b;
        restored.store(uint8_t(code), bytesOf(before.block(uint8_t(code))));
        EXPECT_TRUE(restored == before);
    }
}

TEST(StoreBlocks, ZoneLevelsArriveUnderTwoCodes)
{
    ParameterBlocks b = marked();
    const Bytes levels(48, 0x11);
    b.store(HIDR_ZONE_LEVELS_ALT, levels);
    EXPECT_EQ(bytesOf(b.zoneLevels), levels);
    EXPECT_EQ(b.block(HIDR_ZONE_LEVELS_ALT).data(), b.block(HIDR_ZONE_LEVELS).data());
}

TEST(StoreBlocks, ShortInputLeavesTheRest)
{
    ParameterBlocks b = marked();
    EXPECT_TRUE(b.store(HIDR_INPUTS_PAGING, Bytes{1, 2, 3}));
    Bytes expected(45, kMark);
    expected[0] = 1;
    expected[1] = 2;
    expected[2] = 3;
    EXPECT_EQ(bytesOf(b.inputsPaging), expected);

    EXPECT_TRUE(b.store(HIDR_ZONE_LINKS, Bytes{}));
    EXPECT_EQ(bytesOf(b.zoneLinks), Bytes(8, kMark));
}

struct Placement {
    Field field;
    uint8_t code;
    uint8_t offset;
    bool isSigned;
};

// Each named field writes exactly its own byte and reads with its own sign.
TEST(FieldAccess, EveryFieldAtItsByte)
{
    std::vector<Placement> placements = {
        {pgmLevel(1), 3, 0, true},
        {pgmLevel(6), 3, 5, true},
        {kPage1Priority, 3, 6, false},
        {kPage1ChimeLevel, 3, 7, false},
        {kPage1ThreshEn, 3, 9, false},
        {kPage1Threshold, 3, 10, true},
        {kPage1EQLo, 3, 13, true},
        {kPage1EQHi, 3, 14, true},
        {kPage2Priority, 3, 24, false},
        {kPage2ChimeLevel, 3, 25, false},
        {kPage2Pad, 3, 26, false},
        {kPage2Trim, 3, 30, true},
        {kPage2EQLo, 3, 31, true},
        {kPage2EQHi, 3, 32, true},
        {kPage2PhantomPwr, 3, 38, false},
        {kGroup1Zones, 3, 40, false},
        {kGroup2Zones, 3, 41, false},
        {kPriorityThreshold, 3, 42, true},
        {kPriorityHoldTimeSecs, 3, 43, false},
        {kDisableGroupStore, 3, 44, false},
    };
    for (int zone = 1; zone <= 6; ++zone) {
        const uint8_t z = uint8_t(8 * (zone - 1));
        placements.push_back({zoneSetting(zone, ZoneSetting::EQLo), 1, z, true});
        placements.push_back({zoneSetting(zone, ZoneSetting::EQMid), 1, uint8_t(z + 1), true});
        placements.push_back({zoneSetting(zone, ZoneSetting::EQHi), 1, uint8_t(z + 2), true});
        placements.push_back({zoneSetting(zone, ZoneSetting::PriorityEnable), 1, uint8_t(z + 3), false});
        placements.push_back({zoneSetting(zone, ZoneSetting::LimiterValue), 1, uint8_t(z + 4), true});
        placements.push_back({zoneSetting(zone, ZoneSetting::DuckerDepth), 1, uint8_t(z + 5), true});
        placements.push_back({zoneSetting(zone, ZoneSetting::PageLevel), 1, uint8_t(z + 6), true});
        placements.push_back({zoneSetting(zone, ZoneSetting::HighPassFreq), 1, uint8_t(z + 7), false});
        placements.push_back({zoneLevel(zone, ZoneLevel::Level), 16, uint8_t(z + 4), true});
        placements.push_back({zoneLevel(zone, ZoneLevel::MaxLevel), 16, uint8_t(z + 5), true});
        placements.push_back({zoneLevel(zone, ZoneLevel::MinLevel), 16, uint8_t(z + 6), true});
        placements.push_back({zoneLevel(zone, ZoneLevel::Source), 16, uint8_t(z + 7), false});
    }
    for (const Placement& p : placements) {
        SCOPED_TRACE(testing::Message() << int(p.code) << "/" << int(p.offset));
        ParameterBlocks b = marked();
        ParameterBlocks expected = b;
        b.set(p.field, -12);
        expected.block(p.code)[p.offset] = 0xF4;
        EXPECT_TRUE(b == expected);
        EXPECT_EQ(b.get(p.field), p.isSigned ? -12 : 244);
    }
}

TEST(FieldAccess, StoresTheLowByte)
{
    ParameterBlocks b;
    b.set(zoneLevel(3, ZoneLevel::Level), 300);
    EXPECT_EQ(b.get(zoneLevel(3, ZoneLevel::Level)), 44);
    b.set(zoneLevel(3, ZoneLevel::Source), -1);
    EXPECT_EQ(b.get(zoneLevel(3, ZoneLevel::Source)), 255);
}

TEST(FieldAccess, NumbersOutOfRangeNameNoField)
{
    ParameterBlocks b = marked();
    const ParameterBlocks before = b;
    for (int n : {0, 7, -1, 255}) {
        b.set(zoneSetting(n, ZoneSetting::EQLo), 1);
        b.set(zoneLevel(n, ZoneLevel::Source), 1);
        b.set(pgmLevel(n), 1);
        b.setLevelPosition(n, 1.0f);
        b.setLabel(zoneLabel(n), "x");
        b.setLabel(pgmLabel(n), "x");
        b.setGroupZone(1, n, true);
        b.setZonesLinked(n == 7 ? 6 : n, true);
        EXPECT_EQ(b.get(zoneLevel(n, ZoneLevel::Level)), 0);
        EXPECT_EQ(b.levelPosition(n), 0.0f);
        EXPECT_EQ(b.label(zoneLabel(n)), "");
    }
    b.setLabel(groupLabel(2, 1), "x");
    b.setLabel(groupLabel(1, 7), "x");
    b.setLabel(LabelSlot{HIDR_ZONE_PARAMS, 0}, "x");
    b.setGroupZone(3, 1, true);
    EXPECT_TRUE(b == before);
}

TEST(FieldAccess, FlagsReadAnyNonzeroAsOn)
{
    ParameterBlocks b;
    b.set(kPage2PhantomPwr, 0x80);
    EXPECT_TRUE(b.flag(kPage2PhantomPwr));
    b.setFlag(kPage2PhantomPwr, true);
    EXPECT_EQ(b.inputsPaging[38], 1);
    b.setFlag(kPage2PhantomPwr, false);
    EXPECT_FALSE(b.flag(kPage2PhantomPwr));
}

TEST(LevelPosition, LittleEndianFloatPerZone)
{
    ParameterBlocks b = marked();
    b.setLevelPosition(2, 80.0f);
    EXPECT_EQ(Bytes(b.zoneLevels.begin() + 8, b.zoneLevels.begin() + 16),
              (Bytes{0x00, 0x00, 0xA0, 0x42, kMark, kMark, kMark, kMark}));
    EXPECT_EQ(b.zoneLevels[7], kMark);
    EXPECT_EQ(b.zoneLevels[16], kMark);
    EXPECT_EQ(b.levelPosition(2), 80.0f);

    b.setLevelPosition(6, 33.25f);
    EXPECT_EQ(b.levelPosition(6), 33.25f);
}

TEST(LevelPosition, LevelAndPositionFollowEachOther)
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    // Zone 1 at 60 with -40 to +10 is -10; a minimum of -20 makes it -2.
    b.setLevelPosition(1, 60.0f);
    b.updateLevel(1);
    EXPECT_EQ(b.get(zoneLevel(1, ZoneLevel::Level)), -10);
    b.set(zoneLevel(1, ZoneLevel::MinLevel), -20);
    b.updateLevel(1);
    EXPECT_EQ(b.get(zoneLevel(1, ZoneLevel::Level)), -2);

    b.set(zoneLevel(4, ZoneLevel::Level), -15);
    b.updatePosition(4);
    EXPECT_EQ(b.levelPosition(4), 50.0f);
    EXPECT_EQ(b.levelPosition(3), 80.0f);
}

TEST(PagingGroups, OneBitPerZoneOthersKept)
{
    ParameterBlocks b;
    b.set(kGroup2Zones, 0x81);
    b.setGroupZone(2, 4, true);
    EXPECT_EQ(b.inputsPaging[41], 0x91);
    EXPECT_TRUE(b.groupHasZone(2, 4));
    EXPECT_FALSE(b.groupHasZone(1, 4));
    b.setGroupZone(2, 4, false);
    b.setGroupZone(2, 1, true);
    b.setGroupZone(2, 6, true);
    EXPECT_EQ(b.inputsPaging[41], 0x81 | 0x02 | 0x40);
    EXPECT_EQ(b.inputsPaging[40], 0);
    // Bits 0 and 7 belong to no zone.
    b.set(kGroup1Zones, 0x81);
    for (int zone = 1; zone <= 6; ++zone)
        EXPECT_FALSE(b.groupHasZone(1, zone));
}

TEST(ZoneLinks, FlagBytesTwoToSix)
{
    ParameterBlocks b = marked();
    b.clearZoneLinks();
    EXPECT_EQ(bytesOf(b.zoneLinks), (Bytes{kMark, kMark, 0, 0, 0, 0, 0, kMark}));
    b.setZonesLinked(1, true);
    b.setZonesLinked(5, true);
    EXPECT_EQ(bytesOf(b.zoneLinks), (Bytes{kMark, kMark, 1, 0, 0, 0, 1, kMark}));
    b.zoneLinks[4] = 0x20;
    EXPECT_TRUE(b.zonesLinked(3));
    EXPECT_FALSE(b.zonesLinked(2));
    EXPECT_FALSE(b.zonesLinked(0));
    EXPECT_FALSE(b.zonesLinked(6));
}

TEST(Names, SlotAssignment)
{
    ParameterBlocks b = marked();
    b.setLabel(zoneLabel(4), "Lobby");
    b.setLabel(groupLabel(2, 6), "Hall");
    b.setLabel(groupLabel(5, 6), "Bar");
    b.setLabel(pgmLabel(6), "Radio");
    EXPECT_EQ(Bytes(b.block(5).begin(), b.block(5).begin() + 16), slot("Lobby"));
    EXPECT_EQ(Bytes(b.block(7).begin() + 32, b.block(7).end()), slot("Hall"));
    EXPECT_EQ(Bytes(b.block(10).begin() + 32, b.block(10).end()), slot("Bar"));
    EXPECT_EQ(Bytes(b.block(13).begin() + 32, b.block(13).end()), slot("Radio"));
    EXPECT_EQ(b.label(groupLabel(2, 6)), "Hall");
}

TEST(Names, FourteenCharactersAndTheNul)
{
    ParameterBlocks b = marked();
    b.setLabel(zoneLabel(2), "ABCDEFGHIJKLMN");
    Bytes expected(16, kMark);
    const std::string text = "ABCDEFGHIJKLMN";
    std::copy(text.begin(), text.end(), expected.begin());
    expected[14] = 0;
    EXPECT_EQ(Bytes(b.block(4).begin() + 16, b.block(4).begin() + 32), expected);

    // Longer text is cut; the next slot is not reached.
    b.setLabel(zoneLabel(1), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(b.label(zoneLabel(1)), "ABCDEFGHIJKLMN");
    EXPECT_EQ(b.block(4)[15], kMark);
    EXPECT_EQ(b.label(zoneLabel(2)), "ABCDEFGHIJKLMN");

    // Text ends at its own NUL.
    b.setLabel(zoneLabel(3), std::string("ab\0cd", 5));
    EXPECT_EQ(Bytes(b.block(4).begin() + 32, b.block(4).begin() + 36), (Bytes{'a', 'b', 0, kMark}));
}

TEST(Names, Latin1BytesKept)
{
    ParameterBlocks b;
    b.setLabel(pgmLabel(1), "Caf\xE9 \xFF");
    EXPECT_EQ(b.label(pgmLabel(1)), "Caf\xE9 \xFF");
    EXPECT_EQ(b.pgmLabels[0][3], 0xE9);
}

TEST(Names, UnterminatedFieldsReadSafely)
{
    ParameterBlocks b = marked();
    std::fill(b.deviceName.begin(), b.deviceName.end(), 'A');
    EXPECT_EQ(b.deviceNameText(), std::string(30, 'A'));

    std::fill(b.labels[0].begin(), b.labels[0].end(), 'B');
    EXPECT_EQ(b.label(zoneLabel(1)), std::string(16, 'B'));
    EXPECT_EQ(b.label(zoneLabel(3)), std::string(16, 'B'));
}

TEST(Names, DeviceNameTwentyNineCharacters)
{
    ParameterBlocks b = marked();
    const std::string long40(40, 'x');
    b.setDeviceNameText(long40);
    EXPECT_EQ(b.deviceNameText(), std::string(29, 'x'));
    EXPECT_EQ(b.deviceName[29], 0);

    b = marked();
    b.setDeviceNameText("Studio");
    EXPECT_EQ(b.deviceNameText(), "Studio");
    EXPECT_EQ(b.deviceName[6], 0);
    EXPECT_EQ(b.deviceName[7], kMark);
}

} // namespace
} // namespace zq40
