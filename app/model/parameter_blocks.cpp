#include "parameter_blocks.h"

#include "byte_order.h"
#include "level_conversion.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zq40 {

using byte_order::readLe32;
using byte_order::writeLe32;

namespace {

constexpr char kDefaultDeviceName[] = "Orlo ZQ40";

// Factory records of one zone in blocks 1 and 16: DuckerDepth -12 and
// HighPassFreq 20 (off); position 80.0, Level 0, MaxLevel +10, MinLevel -40.
constexpr uint8_t kZoneSettingsDefault[8] = {0x00, 0x00, 0x00, 0x00, 0x00, 0xF4, 0x00, 0x14};
constexpr uint8_t kZoneLevelsDefault[8] = {0x00, 0x00, 0xA0, 0x42, 0x00, 0x0A, 0xD8, 0x00};

// Block 3 defaults by offset. The reserved bytes 11, 15, 17 to 23, 28, 29,
// 33, 35 to 37 and 39 have none and keep what they hold.
struct ByteDefault {
    uint8_t offset;
    uint8_t value;
};

constexpr ByteDefault kInputsPagingDefaults[] = {
    {0, 0},     {1, 0},  {2, 0},     {3, 0},  {4, 0},     {5, 0},                             // Pgm1Level to Pgm6Level
    {6, 1},     {7, 0},  {8, 0},     {9, 0},  {10, 0xD8}, {12, 0}, {13, 0}, {14, 0}, {16, 0}, // Page 1
    {24, 2},    {25, 0}, {26, 0},    {27, 0}, {30, 0},    {31, 0}, {32, 0}, {34, 0}, {38, 1}, // Page 2
    {40, 0x02}, {41, 0}, {42, 0xC4}, {43, 8}, {44, 0},
};

// Copies up to `maxChars` bytes of `text`, stopping at a NUL in it, and ends
// them with a NUL; the field must have room for maxChars + 1 bytes.
void putText(std::span<uint8_t> field, size_t maxChars, std::string_view text)
{
    const size_t end = std::min(text.find('\0'), text.size());
    const size_t n = std::min({end, maxChars, field.size() - 1});
    std::memcpy(field.data(), text.data(), n);
    field[n] = 0;
}

// The field's text up to its first NUL; a field without one is read whole.
std::string getText(std::span<const uint8_t> field)
{
    const auto end = std::find(field.begin(), field.end(), uint8_t(0));
    return std::string(field.begin(), end);
}

bool validZone(int zone)
{
    return zone >= 1 && zone <= kZones;
}

bool isLabelBlock(uint8_t code)
{
    return (code >= HIDR_ZONE_LABELS_1 && code <= HIDR_GROUP_LABELS_5) || code == HIDR_PGM_LABELS_1 ||
        code == HIDR_PGM_LABELS_2;
}

} // namespace

size_t blockSize(uint8_t code)
{
    switch (code) {
    case HIDR_INPUTS_PAGING:
        return 45;
    case HIDR_DEVICE_NAME:
        return 30;
    case HIDR_ZONE_LINKS:
        return 8;
    case HIDR_ZONE_PARAMS:
    case HIDR_ZONE_LEVELS_ALT:
    case HIDR_ZONE_LEVELS:
    case HIDR_PGM_LABELS_1:
    case HIDR_PGM_LABELS_2:
        return 48;
    default:
        return code >= HIDR_ZONE_LABELS_1 && code <= HIDR_GROUP_LABELS_5 ? 48 : 0;
    }
}

std::span<uint8_t> ParameterBlocks::block(uint8_t code)
{
    switch (code) {
    case HIDR_ZONE_PARAMS:
        return zoneParams;
    case HIDR_ZONE_LEVELS_ALT:
    case HIDR_ZONE_LEVELS:
        return zoneLevels;
    case HIDR_INPUTS_PAGING:
        return inputsPaging;
    case HIDR_DEVICE_NAME:
        return deviceName;
    case HIDR_PGM_LABELS_1:
    case HIDR_PGM_LABELS_2:
        return pgmLabels[code - HIDR_PGM_LABELS_1];
    case HIDR_ZONE_LINKS:
        return zoneLinks;
    default:
        if (code >= HIDR_ZONE_LABELS_1 && code <= HIDR_GROUP_LABELS_5)
            return labels[code - HIDR_ZONE_LABELS_1];
        return {};
    }
}

std::span<const uint8_t> ParameterBlocks::block(uint8_t code) const
{
    return const_cast<ParameterBlocks*>(this)->block(code);
}

bool ParameterBlocks::store(uint8_t code, std::span<const uint8_t> bytes)
{
    const std::span<uint8_t> copy = block(code);
    if (copy.empty())
        return false;
    std::copy_n(bytes.begin(), std::min(bytes.size(), copy.size()), copy.begin());
    return true;
}

void ParameterBlocks::setDefaultParameters(bool keepName)
{
    for (int z = 0; z < kZones; ++z) {
        std::memcpy(zoneParams.data() + 8 * z, kZoneSettingsDefault, 8);
        std::memcpy(zoneLevels.data() + 8 * z, kZoneLevelsDefault, 8);
    }
    for (const ByteDefault& d : kInputsPagingDefaults)
        inputsPaging[d.offset] = d.value;

    for (int n = 1; n <= kZones; ++n)
        setLabel(zoneLabel(n), "Zone " + std::to_string(n));
    for (const ZoneRange& r : kGroupRanges)
        setLabel(groupLabel(r.first, r.last), "Zones " + std::to_string(r.first) + "-" + std::to_string(r.last));
    for (int n = 1; n <= kPgmInputs; ++n)
        setLabel(pgmLabel(n), "Pgm " + std::to_string(n));
    if (!keepName)
        setDeviceNameText(kDefaultDeviceName);
}

int ParameterBlocks::get(Field f) const
{
    const std::span<const uint8_t> b = block(f.code);
    if (f.offset >= b.size())
        return 0;
    return f.isSigned ? int(int8_t(b[f.offset])) : int(b[f.offset]);
}

void ParameterBlocks::set(Field f, int value)
{
    const std::span<uint8_t> b = block(f.code);
    if (f.offset < b.size())
        b[f.offset] = uint8_t(value);
}

bool ParameterBlocks::flag(Field f) const
{
    return get(f) != 0;
}

void ParameterBlocks::setFlag(Field f, bool on)
{
    set(f, on ? 1 : 0);
}

float ParameterBlocks::levelPosition(int zone) const
{
    if (!validZone(zone))
        return 0;
    const uint8_t* p = zoneLevels.data() + 8 * (zone - 1);
    return std::bit_cast<float>(readLe32(p));
}

void ParameterBlocks::setLevelPosition(int zone, float position)
{
    if (!validZone(zone))
        return;
    uint8_t* p = zoneLevels.data() + 8 * (zone - 1);
    writeLe32(p, std::bit_cast<uint32_t>(position));
}

void ParameterBlocks::updateLevel(int zone)
{
    const int minimum = get(zoneLevel(zone, ZoneLevel::MinLevel));
    const int maximum = get(zoneLevel(zone, ZoneLevel::MaxLevel));
    set(zoneLevel(zone, ZoneLevel::Level), levelFromPosition(minimum, maximum, levelPosition(zone)));
}

void ParameterBlocks::updatePosition(int zone)
{
    const int minimum = get(zoneLevel(zone, ZoneLevel::MinLevel));
    const int maximum = get(zoneLevel(zone, ZoneLevel::MaxLevel));
    setLevelPosition(zone, positionFromLevel(minimum, maximum, get(zoneLevel(zone, ZoneLevel::Level))));
}

bool ParameterBlocks::groupHasZone(int group, int zone) const
{
    if ((group != 1 && group != 2) || !validZone(zone))
        return false;
    return get(group == 1 ? kGroup1Zones : kGroup2Zones) & (1 << zone);
}

void ParameterBlocks::setGroupZone(int group, int zone, bool member)
{
    if ((group != 1 && group != 2) || !validZone(zone))
        return;
    const Field mask = group == 1 ? kGroup1Zones : kGroup2Zones;
    const int bit = 1 << zone;
    set(mask, member ? get(mask) | bit : get(mask) & ~bit);
}

// The link flags are bytes 2 to 6: byte 2 joins zones 1 and 2.
bool ParameterBlocks::zonesLinked(int lower) const
{
    return lower >= 1 && lower < kZones && zoneLinks[lower + 1] != 0;
}

void ParameterBlocks::setZonesLinked(int lower, bool linked)
{
    if (lower >= 1 && lower < kZones)
        zoneLinks[lower + 1] = linked ? 1 : 0;
}

void ParameterBlocks::clearZoneLinks()
{
    for (int lower = 1; lower < kZones; ++lower)
        setZonesLinked(lower, false);
}

std::string ParameterBlocks::label(LabelSlot slot) const
{
    const std::span<const uint8_t> b = block(slot.code);
    if (!isLabelBlock(slot.code) || b.size() < size_t(slot.offset) + kLabelSlotSize)
        return {};
    return getText(b.subspan(slot.offset, kLabelSlotSize));
}

std::string ParameterBlocks::deviceNameText() const
{
    return getText(deviceName);
}

void ParameterBlocks::setLabel(LabelSlot slot, std::string_view latin1)
{
    const std::span<uint8_t> b = block(slot.code);
    if (!isLabelBlock(slot.code) || b.size() < size_t(slot.offset) + kLabelSlotSize)
        return;
    putText(b.subspan(slot.offset, kLabelSlotSize), kLabelMaxChars, latin1);
}

void ParameterBlocks::setDeviceNameText(std::string_view latin1)
{
    putText(deviceName, kDeviceNameMaxChars, latin1);
}

} // namespace zq40
