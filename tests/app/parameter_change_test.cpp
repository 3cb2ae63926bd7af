// Edits and their rules as a command makes them, by setting name: what the
// controls could not set is refused with the allowed values and changes
// nothing; levels in dB move the fader of the zone and its linked zones.
#include "parameter_change.h"
#include "settings.h"

#include <gtest/gtest.h>

#include <set>

namespace zq40 {
namespace {

ParameterBlocks factory()
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    return b;
}

EditResult set(ParameterBlocks& b, const char* name, const char* value)
{
    const Setting* s = findSetting(name);
    EXPECT_TRUE(s) << name;
    ParameterChange change;
    std::string error;
    if (!s || !changeForSetting(*s, value, change, error))
        return EditResult{false, error, 0, {}};
    return applyChange(b, change);
}

TEST(Settings, OneTableInFileOrderWithUniqueFields)
{
    const auto& all = allSettings();
    EXPECT_EQ(all.front().name(), "DeviceName.Name");
    EXPECT_EQ(all.back().name(), "PgmLabels.Pgm6Label");
    std::set<std::pair<int, int>> fields;
    std::set<std::string> names;
    for (const Setting& s : all) {
        EXPECT_TRUE(names.insert(s.name()).second) << s.name();
        const std::pair<int, int> at = s.type == SettingType::Number
            ? std::pair<int, int>(s.field.code, s.field.offset)
            : std::pair<int, int>(100 + s.slot.code, s.slot.offset);
        EXPECT_TRUE(fields.insert(at).second) << s.name();
        EXPECT_EQ(findSetting(s.name()), &s);
    }
    EXPECT_EQ(all.size(), 1 + 6 * 12 + 6 + 6 + 10 + 2 + 21 + 6u);
    EXPECT_EQ(findSetting("zone3.level"), nullptr);
}

TEST(Edits, RefusedOutsideWhatTheControlsSetAndNothingChanges)
{
    struct Case {
        const char* name;
        const char* value;
        const char* why;
    };
    const Case cases[] = {
        {"Zone1.EQLo", "7", "between -6 and 6"},
        {"Zone1.HighPassFreq", "25", "between 20 and 120 in steps of 10"},
        {"Zone1.Level", "15", "between -40 and 10"},
        {"Zone1.MaxLevel", "-40", "between -39 and 10"},
        {"Zone1.Source", "7", "between 0 and 6"},
        {"Inputs.Pgm2Level", "abc", "is not a whole number"},
        {"Page2.Group1Zones", "1", "even number from 0 to 126"},
        {"Misc.PriorityHoldTimeSecs", "0", "between 1 and 30"},
        {"GroupLabels.Zone1Label", "Fifteen chars!!", "at most 14 characters"},
        {"DeviceName.Name", "A name of thirty characters..", nullptr},
        {"DeviceName.Name", "A name of thirty characters...", "at most 29 characters"},
    };
    for (const Case& c : cases) {
        ParameterBlocks b = factory();
        const ParameterBlocks before = b;
        const EditResult r = set(b, c.name, c.value);
        EXPECT_EQ(r.applied, c.why == nullptr) << c.name << "=" << c.value;
        if (c.why) {
            EXPECT_NE(r.refusal.find(c.why), std::string::npos) << r.refusal;
            EXPECT_EQ(b, before) << c.name;
        }
    }
}

TEST(Edits, LimitsFollowTheOtherFields)
{
    ParameterBlocks b = factory();
    ASSERT_TRUE(set(b, "Zone2.MinLevel", "-20").applied);
    EXPECT_FALSE(set(b, "Zone2.MaxLevel", "-21").applied);
    EXPECT_FALSE(set(b, "Zone2.Level", "-25").applied);
    ASSERT_TRUE(set(b, "Zone2.MaxLevel", "-5").applied);
    EXPECT_FALSE(set(b, "Zone2.MinLevel", "-4").applied);

    // Threshold mode pages without a chime: turning it on silences the
    // chime, and a chime is refused while it is on.
    ASSERT_TRUE(set(b, "Page1.ChimeLevel", "3").applied);
    ASSERT_TRUE(set(b, "Page1.ThreshEn", "1").applied);
    EXPECT_EQ(b.get(kPage1ChimeLevel), 0);
    EXPECT_FALSE(set(b, "Page1.ChimeLevel", "2").applied);
}

TEST(Edits, LevelInDecibelsMovesTheLinkedFaders)
{
    ParameterBlocks b = factory();
    b.setZonesLinked(2, true);
    b.set(zoneLevel(3, ZoneLevel::MinLevel), -20);
    b.set(zoneLevel(3, ZoneLevel::MaxLevel), 0);
    const EditResult r = set(b, "Zone2.Level", "-15");
    ASSERT_TRUE(r.applied);
    EXPECT_EQ(r.code, HIDR_ZONE_LEVELS);
    EXPECT_EQ(r.followers, std::vector<int>{3});
    EXPECT_EQ(b.levelPosition(2), 50.0f);
    EXPECT_EQ(b.levelPosition(3), 50.0f);
    EXPECT_EQ(b.get(zoneLevel(2, ZoneLevel::Level)), -15);
    EXPECT_EQ(b.get(zoneLevel(3, ZoneLevel::Level)), -10); // its own span
}

TEST(Edits, GroupMasksKeepTheBitsNoZoneOwns)
{
    ParameterBlocks b = factory();
    b.set(kGroup2Zones, 0x81 | 0x04);
    ASSERT_TRUE(set(b, "Page2.Group2Zones", "18").applied); // zones 1 and 4
    EXPECT_EQ(b.get(kGroup2Zones), 0x81 | 18);
    const EditResult r = set(b, "GroupLabels.Zones46Label", "Back");
    EXPECT_EQ(r.code, HIDR_GROUP_LABELS_5);
    EXPECT_EQ(b.label(groupLabel(4, 6)), "Back");
}

} // namespace
} // namespace zq40
