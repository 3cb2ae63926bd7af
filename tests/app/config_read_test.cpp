// Reading configuration files: what is applied, in which order, and what
// damaged or foreign files do (a result code, the record untouched).
#include "config.h"
#include "config_files.h"
#include "level_conversion.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zq40 {
namespace {

using test::defaults;
using test::document;

class ConfigRead : public testing::Test {
protected:
    QTemporaryDir dir;
    ParameterBlocks blocks = defaults();

    QString file(const QByteArray& content)
    {
        const QString path = dir.filePath(QStringLiteral("f%1.zq40").arg(++files));
        test::writeBytes(path, content);
        return path;
    }

    int read(const QByteArray& content, bool loadName = false)
    {
        return config().read(file(content), blocks, loadName);
    }

    int get(Field f) const { return blocks.get(f); }

private:
    int files = 0;
};

TEST_F(ConfigRead, OnlyPresentAttributesChange)
{
    ASSERT_EQ(read(document(R"(<Zone2 EQMid="-3" Source="4"/>)")), 0);
    ParameterBlocks expected = defaults();
    expected.set(zoneSetting(2, ZoneSetting::EQMid), -3);
    expected.set(zoneLevel(2, ZoneLevel::Source), 4);
    EXPECT_TRUE(blocks == expected);
}

TEST_F(ConfigRead, MissingLevelKeepsLevelAndPosition)
{
    blocks.set(zoneLevel(3, ZoneLevel::Level), -7);
    blocks.setLevelPosition(3, 12.5f);
    ASSERT_EQ(read(document(R"(<Zone3 MaxLevel="5" MinLevel="-30" EQLo="2"/>)")), 0);
    EXPECT_EQ(get(zoneLevel(3, ZoneLevel::Level)), -7);
    EXPECT_EQ(blocks.levelPosition(3), 12.5f);
    EXPECT_EQ(get(zoneLevel(3, ZoneLevel::MaxLevel)), 5);
    EXPECT_EQ(get(zoneSetting(3, ZoneSetting::EQLo)), 2);
}

// The position comes from the level with the limits the same element gives,
// wherever they stand among its attributes.
TEST_F(ConfigRead, PositionFollowsLevelWithTheFilesLimits)
{
    ASSERT_EQ(read(document(R"(<Zone1 Level="-15" MinLevel="-40" MaxLevel="10"/>
                               <Zone2 Level="-10" MinLevel="-20" MaxLevel="10"/>
                               <Zone4 Level="-35" MaxLevel="-34" MinLevel="-40"/>)")),
              0);
    EXPECT_EQ(blocks.levelPosition(1), 50.0f);
    EXPECT_NEAR(blocks.levelPosition(2), 100.0 / 3.0, 1e-5);
    EXPECT_EQ(levelFromPosition(-40, -34, blocks.levelPosition(4)), -35);
    EXPECT_EQ(blocks.levelPosition(5), 80.0f);
}

TEST_F(ConfigRead, NoRangeChecksLowByteKept)
{
    ASSERT_EQ(read(document(R"(<Zone5 Source="7" Level="300"/><Misc PriorityHoldTimeSecs="-1"/>)")), 0);
    EXPECT_EQ(get(zoneLevel(5, ZoneLevel::Source)), 7);
    EXPECT_EQ(get(zoneLevel(5, ZoneLevel::Level)), 44);
    EXPECT_EQ(get(kPriorityHoldTimeSecs), 255);
    EXPECT_EQ(levelFromPosition(-40, 10, blocks.levelPosition(5)), 44);
}

TEST_F(ConfigRead, TextThatIsNoNumberGivesZero)
{
    ASSERT_EQ(read(document(R"(<Page1 Priority="abc" ChimeLevel="" Threshold="12abc" EQLo="1e2" EQHi="0x10"/>
                               <Misc PriorityThreshold="99999999999999999999999" PriorityHoldTimeSecs=" 12 "/>
                               <Inputs Pgm1Level="-0" Pgm2Level="+5" Pgm3Level="&#x663;"/>)")),
              0);
    for (Field f : {kPage1Priority, kPage1ChimeLevel, kPage1Threshold, kPage1EQLo, kPage1EQHi, kPriorityThreshold,
                    pgmLevel(1), pgmLevel(3)})
        EXPECT_EQ(get(f), 0) << int(f.offset);
    EXPECT_EQ(get(kPriorityHoldTimeSecs), 12);
    EXPECT_EQ(get(pgmLevel(2)), 5);
}

TEST_F(ConfigRead, EveryFieldOfEveryElement)
{
    ASSERT_EQ(read(document(
                  R"(<Inputs Pgm1Level="-1" Pgm2Level="-2" Pgm3Level="-3" Pgm4Level="-4" Pgm5Level="-5" Pgm6Level="-6"/>
        <Page1 Priority="2" ChimeLevel="3" ThreshEn="1" Threshold="-50" EQLo="-4" EQHi="5"/>
        <Page2 Priority="1" ChimeLevel="2" EQLo="3" EQHi="-3" Pad="1" Trim="-12" PhantomPwr="0"
               Group1Zones="126" Group2Zones="129" DisableGroupStore="1"/>
        <Misc PriorityThreshold="-33" PriorityHoldTimeSecs="21"/>
        <Zone6 Level="-9" MaxLevel="0" MinLevel="-39" EQLo="1" EQMid="2" EQHi="3" Source="6"
               PriorityEnable="1" PageLevel="-5" LimiterValue="-6" DuckerDepth="-80" HighPassFreq="110"/>)")),
              0);
    const uint8_t inputs[45] = {0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 2, 3, 0, 1, 0xCE, 0,   0,    0xFC, 5,
                                0,    0,    0,    0,    0,    0,    0, 0, 0, 1, 2,    1,   0,    0,    0,
                                0xF4, 3,    0xFD, 0,    0,    0,    0, 0, 0, 0, 126,  129, 0xDF, 21,   1};
    EXPECT_TRUE(std::equal(blocks.inputsPaging.begin(), blocks.inputsPaging.end(), inputs));
    const uint8_t zone6Settings[8] = {1, 2, 3, 1, 0xFA, 0xB0, 0xFB, 110};
    EXPECT_TRUE(std::equal(blocks.zoneParams.begin() + 40, blocks.zoneParams.end(), zone6Settings));
    const uint8_t zone6Levels[4] = {0xF7, 0, 0xD9, 6};
    EXPECT_TRUE(std::equal(blocks.zoneLevels.begin() + 44, blocks.zoneLevels.end(), zone6Levels));
}

TEST_F(ConfigRead, LaterElementReplacesEarlier)
{
    ASSERT_EQ(read(document(R"(<Zone1 EQLo="1" EQHi="2"/><Zone1 EQLo="3"/>)")), 0);
    EXPECT_EQ(get(zoneSetting(1, ZoneSetting::EQLo)), 3);
    EXPECT_EQ(get(zoneSetting(1, ZoneSetting::EQHi)), 0);
}

TEST_F(ConfigRead, OtherContentIgnored)
{
    ASSERT_EQ(read(document(R"(<!-- saved --><Unknown EQLo="5"/><Firmware Major="1"/>text
        <Zone7 EQLo="5"/><Zone1><EQLo>5</EQLo></Zone1>)")),
              0);
    EXPECT_TRUE(blocks == defaults());
}

TEST_F(ConfigRead, NameOnlyWithLoadName)
{
    blocks.setDeviceNameText("Kept");
    ASSERT_EQ(read(document(R"(<DeviceName Name="From file"/>)"), false), 0);
    EXPECT_EQ(blocks.deviceNameText(), "Kept");
    ASSERT_EQ(read(document(R"(<DeviceName/>)"), true), 0);
    EXPECT_EQ(blocks.deviceNameText(), "Kept");
    ASSERT_EQ(read(document(R"(<DeviceName Name="From file"/>)"), true), 0);
    EXPECT_EQ(blocks.deviceNameText(), "From file");
    ASSERT_EQ(read(document(R"(<DeviceName Name=""/>)"), true), 0);
    EXPECT_EQ(blocks.deviceNameText(), "Orlo ZQ40");
}

// The fields hold 29 and 14 characters and a NUL; the rest of the text is
// dropped and no neighbouring byte is reached.
TEST_F(ConfigRead, LongTextsCutToTheirFields)
{
    std::fill(blocks.labels[0].begin(), blocks.labels[0].end(), 0xEE);
    const QByteArray long60(60, 'W');
    ASSERT_EQ(read(document("<DeviceName Name=\"" + long60 + "\"/><GroupLabels Zone1Label=\"" + long60 +
                            "\" Zones56Label=\"" + long60 + "\"/><PgmLabels Pgm3Label=\"" + long60 + "\"/>"),
                   true),
              0);
    EXPECT_EQ(blocks.deviceNameText(), std::string(29, 'W'));
    EXPECT_EQ(blocks.label(zoneLabel(1)), std::string(14, 'W'));
    EXPECT_EQ(blocks.labels[0][14], 0);
    EXPECT_EQ(blocks.labels[0][15], 0xEE);
    EXPECT_EQ(blocks.labels[0][16], 0xEE);
    EXPECT_EQ(blocks.label(groupLabel(5, 6)), std::string(14, 'W'));
    EXPECT_EQ(blocks.label(pgmLabel(3)), std::string(14, 'W'));
}

TEST_F(ConfigRead, CharactersOutsideLatin1BecomeQuestionMarks)
{
    ASSERT_EQ(read(document(R"(<GroupLabels Zone2Label="Caf&#xe9; &#x20ac;1"/>)")), 0);
    EXPECT_EQ(blocks.label(zoneLabel(2)), "Caf\xE9 ?1");
}

// Files from systems that write names in an 8-bit code page.
TEST_F(ConfigRead, EightBitEncodedNames)
{
    ASSERT_EQ(read(document("<GroupLabels Zone2Label=\"Caf\xE9\"/>"), true), 0);
    EXPECT_EQ(blocks.label(zoneLabel(2)), "Caf\xE9");
}

TEST_F(ConfigRead, FailuresChangeNothing)
{
    const ParameterBlocks before = blocks;
    EXPECT_EQ(read(""), -2);
    EXPECT_EQ(read("   \n"), -2);
    EXPECT_EQ(read("not xml at all"), -2);
    EXPECT_EQ(read(QByteArray("\x00\xFF\x10\x80", 4)), -2);
    EXPECT_EQ(read("<Parameters><Zone1 EQLo=\"3\"/>"), -2);
    EXPECT_EQ(read("<Parameters><Zone1 EQLo=\"3\"/></Parameters><Parameters/>"), -2);
    EXPECT_EQ(read("<Config><Zone1 EQLo=\"3\"/></Config>"), -3);
    EXPECT_EQ(read("<parameters><Zone1 EQLo=\"3\"/></parameters>"), -3);
    EXPECT_EQ(config().read(QString(), blocks, true), -4);
    EXPECT_EQ(config().read(QString(""), blocks, true), -1);
    EXPECT_EQ(config().read(dir.filePath("missing.zq40"), blocks, true), -1);
    EXPECT_EQ(config().read(dir.path(), blocks, true), -1);
    EXPECT_EQ(config().read(QStringLiteral("/dev/zero"), blocks, true), -1);
    EXPECT_TRUE(blocks == before);
}

TEST_F(ConfigRead, OversizedFileRefused)
{
    const QByteArray padding(2 << 20, ' ');
    const ParameterBlocks before = blocks;
    EXPECT_EQ(read(document("<Zone1 EQLo=\"3\"/>" + padding)), -2);
    EXPECT_TRUE(blocks == before);
}

TEST_F(ConfigRead, CompletionSignalOnSuccessOnly)
{
    config reader;
    QSignalSpy spy(&reader, &config::DoFileReadComplete);
    EXPECT_EQ(reader.read(file("<Config/>"), blocks, true), -3);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(reader.read(file(document("")), blocks, true), 0);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
} // namespace zq40
