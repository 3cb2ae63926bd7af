#include "config_attributes.h"

namespace zq40 {

std::vector<NumberAttribute> zoneAttributes(int zone)
{
    return {
        {"MaxLevel", zoneLevel(zone, ZoneLevel::MaxLevel)},
        {"MinLevel", zoneLevel(zone, ZoneLevel::MinLevel)},
        {"Level", zoneLevel(zone, ZoneLevel::Level)},
        {"EQLo", zoneSetting(zone, ZoneSetting::EQLo)},
        {"EQMid", zoneSetting(zone, ZoneSetting::EQMid)},
        {"EQHi", zoneSetting(zone, ZoneSetting::EQHi)},
        {"Source", zoneLevel(zone, ZoneLevel::Source)},
        {"PriorityEnable", zoneSetting(zone, ZoneSetting::PriorityEnable)},
        {"LimiterValue", zoneSetting(zone, ZoneSetting::LimiterValue)},
        {"PageLevel", zoneSetting(zone, ZoneSetting::PageLevel)},
        {"DuckerDepth", zoneSetting(zone, ZoneSetting::DuckerDepth)},
        {"HighPassFreq", zoneSetting(zone, ZoneSetting::HighPassFreq)},
    };
}

std::vector<NumberAttribute> inputsAttributes()
{
    std::vector<NumberAttribute> list;
    for (int n = 1; n <= kPgmInputs; ++n)
        list.push_back({QStringLiteral("Pgm%1Level").arg(n), pgmLevel(n)});
    return list;
}

std::vector<NumberAttribute> page1Attributes()
{
    return {
        {"Priority", kPage1Priority}, {"ChimeLevel", kPage1ChimeLevel},
        {"ThreshEn", kPage1ThreshEn}, {"Threshold", kPage1Threshold},
        {"EQLo", kPage1EQLo},         {"EQHi", kPage1EQHi},
    };
}

std::vector<NumberAttribute> page2Attributes()
{
    return {
        {"Priority", kPage2Priority},
        {"ChimeLevel", kPage2ChimeLevel},
        {"EQLo", kPage2EQLo},
        {"EQHi", kPage2EQHi},
        {"Pad", kPage2Pad},
        {"Trim", kPage2Trim},
        {"PhantomPwr", kPage2PhantomPwr},
        {"Group1Zones", kGroup1Zones},
        {"Group2Zones", kGroup2Zones},
        {"DisableGroupStore", kDisableGroupStore},
    };
}

std::vector<NumberAttribute> miscAttributes()
{
    return {
        {"PriorityThreshold", kPriorityThreshold},
        {"PriorityHoldTimeSecs", kPriorityHoldTimeSecs},
    };
}

std::vector<TextAttribute> groupLabelAttributes()
{
    std::vector<TextAttribute> list;
    for (int n = 1; n <= kZones; ++n)
        list.push_back({QStringLiteral("Zone%1Label").arg(n), zoneLabel(n)});
    for (const ZoneRange& r : kGroupRanges)
        list.push_back({QStringLiteral("Zones%1%2Label").arg(r.first).arg(r.last), groupLabel(r.first, r.last)});
    return list;
}

std::vector<TextAttribute> pgmLabelAttributes()
{
    std::vector<TextAttribute> list;
    for (int n = 1; n <= kPgmInputs; ++n)
        list.push_back({QStringLiteral("Pgm%1Label").arg(n), pgmLabel(n)});
    return list;
}

} // namespace zq40
