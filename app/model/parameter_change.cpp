#include "parameter_change.h"

#include "level_conversion.h"
#include "settings.h"
#include "zone_links.h"

#include <charconv>

namespace zq40 {

namespace {

constexpr int kPriorityHoldDefault = 8;
constexpr int kPriorityThresholdDefault = -60;

bool sameField(Field a, Field b)
{
    return a.code == b.code && a.offset == b.offset;
}

// Which zone and which of its level fields `f` is; zone 0 for other fields.
int zoneOfLevelField(Field f, ZoneLevel& which)
{
    if (f.code != 16 || f.offset >= 48)
        return 0;
    which = ZoneLevel(f.offset % 8);
    return which == ZoneLevel::Level || which == ZoneLevel::MaxLevel || which == ZoneLevel::MinLevel ||
            which == ZoneLevel::Source
        ? f.offset / 8 + 1
        : 0;
}

std::string between(int low, int high)
{
    return "must be between " + std::to_string(low) + " and " + std::to_string(high);
}

EditResult refused(std::string why)
{
    EditResult r;
    r.refusal = std::move(why);
    return r;
}

EditResult done(uint8_t code, std::vector<int> followers = {})
{
    EditResult r;
    r.applied = true;
    r.code = code;
    r.followers = std::move(followers);
    return r;
}

// Linked zones share the fader position, each keeping its own span in dB.
EditResult moveFader(ParameterBlocks& b, int zone, float position)
{
    const std::vector<int> linked = linkedZonesOf(b, zone);
    b.setLevelPosition(zone, position);
    b.updateLevel(zone);
    for (int other : linked) {
        b.setLevelPosition(other, position);
        b.updateLevel(other);
    }
    return done(HIDR_ZONE_LEVELS, linked);
}

EditResult zoneLevelRule(ParameterBlocks& b, int zone, ZoneLevel which, int v)
{
    const int minimum = b.get(zoneLevel(zone, ZoneLevel::MinLevel));
    const int maximum = b.get(zoneLevel(zone, ZoneLevel::MaxLevel));
    switch (which) {
    case ZoneLevel::Level:
        // The fader goes where it gives this level.
        if (v < minimum || v > maximum)
            return refused(between(minimum, maximum) + " (the zone's MinLevel and MaxLevel)");
        return moveFader(b, zone, positionFromLevel(minimum, maximum, v));
    case ZoneLevel::Source: {
        if (v < 0 || v > 6)
            return refused(between(0, 6) + " (0 none, 1 to 6 Pgm1 to Pgm6)");
        const std::vector<int> linked = linkedZonesOf(b, zone);
        b.set(zoneLevel(zone, ZoneLevel::Source), v);
        for (int other : linked)
            b.set(zoneLevel(other, ZoneLevel::Source), v);
        return done(HIDR_ZONE_LEVELS, linked);
    }
    case ZoneLevel::MinLevel:
        if (v < -40 || v > maximum)
            return refused(between(-40, maximum) + " (up to the zone's MaxLevel)");
        b.set(zoneLevel(zone, ZoneLevel::MinLevel), v);
        if (zone == kZones) {
            // Zone 6 keeps its level in dB, raised to the new minimum when
            // needed, and its fader follows.
            int level = b.get(zoneLevel(zone, ZoneLevel::Level));
            if (v >= level) {
                level = v;
                b.set(zoneLevel(zone, ZoneLevel::Level), level);
            }
            b.setLevelPosition(zone, positionFromLevel(v, maximum, level));
        } else {
            // The fader stays and the level in dB follows.
            b.updateLevel(zone);
        }
        return done(HIDR_ZONE_LEVELS);
    case ZoneLevel::MaxLevel: {
        // The maximum never reaches "Off", the minimum's bottom value.
        const int floor = minimum == -40 ? -39 : minimum;
        if (v < floor || v > 10)
            return refused(between(floor, 10) + " (from the zone's MinLevel up)");
        b.set(zoneLevel(zone, ZoneLevel::MaxLevel), v);
        b.updateLevel(zone);
        return done(HIDR_ZONE_LEVELS);
    }
    }
    return refused("is not a zone level field");
}

EditResult valueRule(ParameterBlocks& b, Field f, int v)
{
    ZoneLevel which{};
    if (const int zone = zoneOfLevelField(f, which))
        return zoneLevelRule(b, zone, which, v);
    const Setting* setting = settingOf(f);
    if (!setting)
        return refused("is not a setting");
    if (sameField(f, kGroup1Zones) || sameField(f, kGroup2Zones)) {
        // Bits 1 to 6 are the zones; bits 0 and 7 stay as the unit has them.
        if (v < 0 || v > 126 || v % 2 != 0)
            return refused("must be an even number from 0 to 126 (bit n for zone n)");
        b.set(f, (b.get(f) & 0x81) | v);
        return done(f.code);
    }
    if (v < setting->minimum || v > setting->maximum || (v - setting->minimum) % setting->step != 0) {
        std::string why = between(setting->minimum, setting->maximum);
        if (setting->step != 1)
            why += " in steps of " + std::to_string(setting->step);
        return refused(why);
    }
    if (sameField(f, kPage1ChimeLevel) && b.flag(kPage1ThreshEn))
        return refused("stays 0 while Page1.ThreshEn is 1 (threshold mode pages without a chime)");
    b.set(f, v);
    if (sameField(f, kPage1ThreshEn) && v != 0)
        b.set(kPage1ChimeLevel, 0);
    return done(f.code);
}

EditResult textRule(ParameterBlocks& b, LabelSlot slot, const std::string& latin1)
{
    const bool deviceName = slot.code == HIDR_DEVICE_NAME;
    const size_t limit = deviceName ? kDeviceNameMaxChars : kLabelMaxChars;
    if (latin1.size() > limit)
        return refused("must be at most " + std::to_string(limit) + " characters");
    if (!deviceName && blockSize(slot.code) == 0)
        return refused("is not a name");
    if (deviceName)
        b.setDeviceNameText(latin1);
    else
        b.setLabel(slot, latin1);
    return done(slot.code);
}

bool parseInt(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end && !text.empty();
}

} // namespace

ParameterChange ParameterChange::of(Field field, int value)
{
    ParameterChange c;
    c.field = field;
    c.value = value;
    return c;
}

ParameterChange ParameterChange::groupMember(int group, int zone, bool member)
{
    ParameterChange c;
    c.kind = Kind::GroupMember;
    c.group = group;
    c.zone = zone;
    c.value = member ? 1 : 0;
    return c;
}

ParameterChange ParameterChange::fader(int zone, float position)
{
    ParameterChange c;
    c.kind = Kind::LevelPosition;
    c.zone = zone;
    c.position = position;
    return c;
}

ParameterChange ParameterChange::name(LabelSlot slot, std::string latin1)
{
    ParameterChange c;
    c.kind = Kind::Text;
    c.slot = slot;
    c.text = std::move(latin1);
    return c;
}

ParameterChange ParameterChange::deviceName(std::string latin1)
{
    return name({HIDR_DEVICE_NAME, 0}, std::move(latin1));
}

ParameterChange ParameterChange::priorityDefaults()
{
    ParameterChange c;
    c.kind = Kind::PriorityDefaults;
    return c;
}

EditResult applyChange(ParameterBlocks& blocks, const ParameterChange& change)
{
    switch (change.kind) {
    case ParameterChange::Kind::Value:
        return valueRule(blocks, change.field, change.value);
    case ParameterChange::Kind::GroupMember:
        if ((change.group != 1 && change.group != 2) || change.zone < 1 || change.zone > kZones)
            return refused("names no paging group or zone");
        blocks.setGroupZone(change.group, change.zone, change.value != 0);
        return done(HIDR_INPUTS_PAGING);
    case ParameterChange::Kind::LevelPosition:
        if (change.zone < 1 || change.zone > kZones || !(change.position >= 0 && change.position <= 100))
            return refused(between(0, 100));
        return moveFader(blocks, change.zone, change.position);
    case ParameterChange::Kind::Text:
        return textRule(blocks, change.slot, change.text);
    case ParameterChange::Kind::PriorityDefaults:
        blocks.set(kPriorityHoldTimeSecs, kPriorityHoldDefault);
        blocks.set(kPriorityThreshold, kPriorityThresholdDefault);
        return done(HIDR_INPUTS_PAGING);
    }
    return refused("is not an edit");
}

bool changeForSetting(const Setting& setting, std::string_view text, ParameterChange& change, std::string& error)
{
    if (setting.type == SettingType::Text) {
        change = ParameterChange::name(setting.slot, std::string(text));
        return true;
    }
    int value = 0;
    if (!parseInt(text, value)) {
        error = "is not a whole number";
        return false;
    }
    change = ParameterChange::of(setting.field, value);
    return true;
}

} // namespace zq40
