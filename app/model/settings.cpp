#include "settings.h"

#include <algorithm>

namespace zq40 {

namespace {

Setting number(std::string element, std::string attribute, Field field, int minimum, int maximum, int step = 1)
{
    return {std::move(element), std::move(attribute), SettingType::Number, field, {}, minimum, maximum, step};
}

Setting text(std::string element, std::string attribute, LabelSlot slot, int maxChars)
{
    return {std::move(element), std::move(attribute), SettingType::Text, {}, slot, 0, maxChars, 1};
}

void addZone(std::vector<Setting>& all, int zone)
{
    const std::string e = "Zone" + std::to_string(zone);
    const auto z = [zone](ZoneSetting s) { return zoneSetting(zone, s); };
    const auto l = [zone](ZoneLevel s) { return zoneLevel(zone, s); };
    all.push_back(number(e, "MaxLevel", l(ZoneLevel::MaxLevel), -39, 10));
    all.push_back(number(e, "MinLevel", l(ZoneLevel::MinLevel), -40, 10));
    all.push_back(number(e, "Level", l(ZoneLevel::Level), -40, 10));
    all.push_back(number(e, "EQLo", z(ZoneSetting::EQLo), -6, 6));
    all.push_back(number(e, "EQMid", z(ZoneSetting::EQMid), -6, 6));
    all.push_back(number(e, "EQHi", z(ZoneSetting::EQHi), -6, 6));
    all.push_back(number(e, "Source", l(ZoneLevel::Source), 0, 6));
    all.push_back(number(e, "PriorityEnable", z(ZoneSetting::PriorityEnable), 0, 1));
    all.push_back(number(e, "LimiterValue", z(ZoneSetting::LimiterValue), -40, 0));
    all.push_back(number(e, "PageLevel", z(ZoneSetting::PageLevel), -40, 0));
    all.push_back(number(e, "DuckerDepth", z(ZoneSetting::DuckerDepth), -80, 0));
    // The slider counts tens of hertz.
    all.push_back(number(e, "HighPassFreq", z(ZoneSetting::HighPassFreq), 20, 120, 10));
}

std::vector<Setting> buildTable()
{
    std::vector<Setting> all;
    all.push_back(text("DeviceName", "Name", {11, 0}, int(kDeviceNameMaxChars)));
    for (int zone = 1; zone <= kZones; ++zone)
        addZone(all, zone);
    for (int input = 1; input <= kPgmInputs; ++input)
        all.push_back(number("Inputs", "Pgm" + std::to_string(input) + "Level", pgmLevel(input), -80, 10));
    all.push_back(number("Page1", "Priority", kPage1Priority, 1, 2));
    all.push_back(number("Page1", "ChimeLevel", kPage1ChimeLevel, 0, 3));
    all.push_back(number("Page1", "ThreshEn", kPage1ThreshEn, 0, 1));
    all.push_back(number("Page1", "Threshold", kPage1Threshold, -80, 0));
    all.push_back(number("Page1", "EQLo", kPage1EQLo, -6, 6));
    all.push_back(number("Page1", "EQHi", kPage1EQHi, -6, 6));
    all.push_back(number("Page2", "Priority", kPage2Priority, 1, 2));
    all.push_back(number("Page2", "ChimeLevel", kPage2ChimeLevel, 0, 3));
    all.push_back(number("Page2", "EQLo", kPage2EQLo, -6, 6));
    all.push_back(number("Page2", "EQHi", kPage2EQHi, -6, 6));
    all.push_back(number("Page2", "Pad", kPage2Pad, 0, 1));
    all.push_back(number("Page2", "Trim", kPage2Trim, -40, 10));
    all.push_back(number("Page2", "PhantomPwr", kPage2PhantomPwr, 0, 1));
    // Bit n for zone n: the twelve check boxes reach bits 1 to 6 only.
    all.push_back(number("Page2", "Group1Zones", kGroup1Zones, 0, 126, 2));
    all.push_back(number("Page2", "Group2Zones", kGroup2Zones, 0, 126, 2));
    all.push_back(number("Page2", "DisableGroupStore", kDisableGroupStore, 0, 1));
    all.push_back(number("Misc", "PriorityThreshold", kPriorityThreshold, -80, 0));
    all.push_back(number("Misc", "PriorityHoldTimeSecs", kPriorityHoldTimeSecs, 1, 30));
    for (int zone = 1; zone <= kZones; ++zone)
        all.push_back(
            text("GroupLabels", "Zone" + std::to_string(zone) + "Label", zoneLabel(zone), int(kLabelMaxChars)));
    for (const ZoneRange& r : kGroupRanges) {
        const std::string name = "Zones" + std::to_string(r.first) + std::to_string(r.last) + "Label";
        all.push_back(text("GroupLabels", name, groupLabel(r.first, r.last), int(kLabelMaxChars)));
    }
    for (int input = 1; input <= kPgmInputs; ++input)
        all.push_back(text("PgmLabels", "Pgm" + std::to_string(input) + "Label", pgmLabel(input), int(kLabelMaxChars)));
    return all;
}

bool sameField(Field a, Field b)
{
    return a.code == b.code && a.offset == b.offset;
}

} // namespace

const std::vector<std::string>& settingElements()
{
    static const std::vector<std::string> elements{
        "DeviceName", "Zone1", "Zone2", "Zone3", "Zone4",       "Zone5",     "Zone6",
        "Inputs",     "Page1", "Page2", "Misc",  "GroupLabels", "PgmLabels",
    };
    return elements;
}

const std::vector<Setting>& allSettings()
{
    static const std::vector<Setting> table = buildTable();
    return table;
}

std::vector<const Setting*> settingsOf(std::string_view element)
{
    std::vector<const Setting*> found;
    for (const Setting& s : allSettings())
        if (s.element == element)
            found.push_back(&s);
    return found;
}

const Setting* findSetting(std::string_view name)
{
    const auto& all = allSettings();
    const auto it = std::find_if(all.begin(), all.end(), [name](const Setting& s) { return s.name() == name; });
    return it == all.end() ? nullptr : &*it;
}

const Setting* settingOf(Field field)
{
    const auto& all = allSettings();
    const auto it = std::find_if(all.begin(), all.end(), [field](const Setting& s) {
        return s.type == SettingType::Number && sameField(s.field, field);
    });
    return it == all.end() ? nullptr : &*it;
}

} // namespace zq40
