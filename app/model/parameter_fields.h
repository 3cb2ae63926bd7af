// Where every field of the parameter blocks lies. The window, the file format
// and the device link name fields through these, never through offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zq40 {

// One byte field: the block code it lives in, its offset there and whether
// it reads as a signed byte. Code 0 marks "no such field" (a zone or input
// number out of range): reads give 0 and writes are dropped.
struct Field {
    uint8_t code;
    uint8_t offset;
    bool isSigned;
};

constexpr int kZones = 6;
constexpr int kPgmInputs = 6;

// Zone settings, block 1: one 8-byte record per zone; the value is the offset.
enum class ZoneSetting : uint8_t {
    EQLo = 0,
    EQMid = 1,
    EQHi = 2,
    PriorityEnable = 3, // flag
    LimiterValue = 4,
    DuckerDepth = 5,
    PageLevel = 6,
    HighPassFreq = 7, // Hz, unsigned
};

// Zone levels, block 16 (and 2): bytes 0 to 3 of each record are the float
// level position, reached through ParameterBlocks::levelPosition().
enum class ZoneLevel : uint8_t {
    Level = 4,
    MaxLevel = 5,
    MinLevel = 6,
    Source = 7, // 0 none, 1 to 6 Pgm1 to Pgm6, unsigned
};

constexpr Field zoneSetting(int zone, ZoneSetting s)
{
    if (zone < 1 || zone > kZones)
        return {};
    const bool isSigned = s != ZoneSetting::PriorityEnable && s != ZoneSetting::HighPassFreq;
    return {1, uint8_t(8 * (zone - 1) + uint8_t(s)), isSigned};
}

constexpr Field zoneLevel(int zone, ZoneLevel l)
{
    if (zone < 1 || zone > kZones)
        return {};
    return {16, uint8_t(8 * (zone - 1) + uint8_t(l)), l != ZoneLevel::Source};
}

// Block 3: inputs, paging and program-6 priority.
constexpr Field pgmLevel(int input)
{
    if (input < 1 || input > kPgmInputs)
        return {};
    return {3, uint8_t(input - 1), true};
}

// Paging input 2's fields lie 18 bytes after their twins of paging input 1.
constexpr Field kPage1Priority{3, 6, false};
constexpr Field kPage1ChimeLevel{3, 7, false};
constexpr Field kPage1ThreshEn{3, 9, false};
constexpr Field kPage1Threshold{3, 10, true};
constexpr Field kPage1EQLo{3, 13, true};
constexpr Field kPage1EQHi{3, 14, true};
constexpr Field kPage2Priority{3, 24, false};
constexpr Field kPage2ChimeLevel{3, 25, false};
constexpr Field kPage2Pad{3, 26, false};
constexpr Field kPage2Trim{3, 30, true};
constexpr Field kPage2EQLo{3, 31, true};
constexpr Field kPage2EQHi{3, 32, true};
constexpr Field kPage2PhantomPwr{3, 38, false};
constexpr Field kGroup1Zones{3, 40, false}; // bit n: zone n
constexpr Field kGroup2Zones{3, 41, false};
constexpr Field kPriorityThreshold{3, 42, true}; // shown as value + 20 dBu
constexpr Field kPriorityHoldTimeSecs{3, 43, false};
constexpr Field kDisableGroupStore{3, 44, false};

// A 16-byte name slot in one of the label blocks (4 to 10, 12, 13).
struct LabelSlot {
    uint8_t code;
    uint8_t offset;
};

constexpr size_t kLabelSlotSize = 16;
constexpr size_t kLabelMaxChars = 14;      // what the name edits allow
constexpr size_t kDeviceNameMaxChars = 29; // of the 30-byte name block

// A run of linked zones, first < last.
struct ZoneRange {
    int first;
    int last;
};

// The fifteen linked-group names in slot order: first zone ascending, last
// zone descending.
constexpr std::array<ZoneRange, 15> kGroupRanges{{
    {1, 6},
    {1, 5},
    {1, 4},
    {1, 3},
    {1, 2},
    {2, 6},
    {2, 5},
    {2, 4},
    {2, 3},
    {3, 6},
    {3, 5},
    {3, 4},
    {4, 6},
    {4, 5},
    {5, 6},
}};

constexpr LabelSlot slotAt(int index, uint8_t firstCode)
{
    return {uint8_t(firstCode + index / 3), uint8_t(16 * (index % 3))};
}

constexpr LabelSlot zoneLabel(int zone)
{
    if (zone < 1 || zone > kZones)
        return {};
    return slotAt(zone - 1, 4);
}

constexpr LabelSlot pgmLabel(int input)
{
    if (input < 1 || input > kPgmInputs)
        return {};
    return slotAt(input - 1, 12);
}

constexpr LabelSlot groupLabel(int first, int last)
{
    for (size_t i = 0; i < kGroupRanges.size(); ++i) {
        if (kGroupRanges[i].first == first && kGroupRanges[i].last == last)
            return slotAt(int(i), 6);
    }
    return {};
}

} // namespace zq40
