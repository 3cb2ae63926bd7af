#include "config_files.h"

#include <QFile>

#include <gtest/gtest.h>

namespace zq40::test {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

ParameterBlocks defaults()
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    return b;
}

ParameterBlocks edited()
{
    ParameterBlocks b = defaults();
    for (int z = 1; z <= kZones; ++z) {
        b.set(zoneSetting(z, ZoneSetting::EQLo), -6 + z);
        b.set(zoneSetting(z, ZoneSetting::EQMid), 6 - z);
        b.set(zoneSetting(z, ZoneSetting::EQHi), -z);
        b.setFlag(zoneSetting(z, ZoneSetting::PriorityEnable), z % 2);
        b.set(zoneSetting(z, ZoneSetting::LimiterValue), -5 * z);
        b.set(zoneSetting(z, ZoneSetting::DuckerDepth), -80 + z);
        b.set(zoneSetting(z, ZoneSetting::PageLevel), -40 + 3 * z);
        b.set(zoneSetting(z, ZoneSetting::HighPassFreq), 20 + 10 * (z + 4));
        b.set(zoneLevel(z, ZoneLevel::MaxLevel), 10 - z);
        b.set(zoneLevel(z, ZoneLevel::MinLevel), -40 + z);
        b.set(zoneLevel(z, ZoneLevel::Level), -29 + z);
        b.set(zoneLevel(z, ZoneLevel::Source), z);
        b.updatePosition(z);
        b.setLabel(zoneLabel(z), "Zone name " + std::to_string(z));
        b.setLabel(pgmLabel(z), "Input " + std::to_string(z));
        b.set(pgmLevel(z), -80 + 15 * z);
    }
    for (const ZoneRange& r : kGroupRanges)
        b.setLabel(groupLabel(r.first, r.last), "Group " + std::to_string(r.first * 10 + r.last));
    b.set(kPage1Priority, 2);
    b.set(kPage1ChimeLevel, 3);
    b.setFlag(kPage1ThreshEn, true);
    b.set(kPage1Threshold, -65);
    b.set(kPage1EQLo, -3);
    b.set(kPage1EQHi, 4);
    b.set(kPage2Priority, 1);
    b.set(kPage2ChimeLevel, 2);
    b.setFlag(kPage2Pad, true);
    b.set(kPage2Trim, -33);
    b.set(kPage2EQLo, 5);
    b.set(kPage2EQHi, -2);
    b.setFlag(kPage2PhantomPwr, false);
    b.set(kGroup1Zones, 0x54);
    b.set(kGroup2Zones, 0x2A);
    b.set(kPriorityThreshold, -7);
    b.set(kPriorityHoldTimeSecs, 30);
    b.setFlag(kDisableGroupStore, true);
    b.setDeviceNameText("Hotel Atrium, east wing");
    return b;
}

QByteArray document(const QByteArray& children)
{
    return "<Parameters>\n" + children + "\n</Parameters>\n";
}

} // namespace zq40::test
