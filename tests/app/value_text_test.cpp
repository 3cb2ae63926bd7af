// The texts of the value labels.
#include "value_text.h"

#include <gtest/gtest.h>

namespace zq40 {
namespace {

TEST(ValueText, SignedDecibels)
{
    EXPECT_EQ(valueText(ValueLabel::EQ, 0), "0 dB");
    EXPECT_EQ(valueText(ValueLabel::EQ, -6), "-6 dB");
    EXPECT_EQ(valueText(ValueLabel::EQ, 1), "+1 dB");
    EXPECT_EQ(valueText(ValueLabel::EQ, 6), "+6 dB");
}

TEST(ValueText, OffAtTheBottomOnly)
{
    EXPECT_EQ(valueText(ValueLabel::PgmLevel, -80), "Off");
    EXPECT_EQ(valueText(ValueLabel::PgmLevel, -79), "-79 dB");
    EXPECT_EQ(valueText(ValueLabel::PgmLevel, -40), "-40 dB");
    EXPECT_EQ(valueText(ValueLabel::PgmLevel, 10), "+10 dB");
    for (ValueLabel kind : {ValueLabel::Trim, ValueLabel::PageLevel, ValueLabel::ZoneLevel}) {
        EXPECT_EQ(valueText(kind, -40), "Off");
        EXPECT_EQ(valueText(kind, -39), "-39 dB");
        EXPECT_EQ(valueText(kind, 0), "0 dB");
        EXPECT_EQ(valueText(kind, -80), "-80 dB");
    }
    EXPECT_EQ(valueText(ValueLabel::ZoneLevel, 10), "+10 dB");
}

TEST(ValueText, DuckerMuteAtMinus80)
{
    EXPECT_EQ(valueText(ValueLabel::DuckerDepth, -80), "Mute");
    EXPECT_EQ(valueText(ValueLabel::DuckerDepth, -12), "-12 dB");
    EXPECT_EQ(valueText(ValueLabel::DuckerDepth, 0), "0 dB");
    EXPECT_EQ(valueText(ValueLabel::DuckerDepth, -40), "-40 dB");
}

TEST(ValueText, FullScaleNeverSigned)
{
    EXPECT_EQ(valueText(ValueLabel::Threshold, -40), "-40 dBFS");
    EXPECT_EQ(valueText(ValueLabel::Threshold, -80), "-80 dBFS");
    EXPECT_EQ(valueText(ValueLabel::LimiterValue, 0), "0 dBFS");
    EXPECT_EQ(valueText(ValueLabel::LimiterValue, 3), "3 dBFS");
}

TEST(ValueText, HighPassFromSliderValue)
{
    EXPECT_EQ(valueText(ValueLabel::HighPassSlider, 2), "Off");
    EXPECT_EQ(valueText(ValueLabel::HighPassSlider, 3), "30 Hz");
    EXPECT_EQ(valueText(ValueLabel::HighPassSlider, 12), "120 Hz");
}

TEST(ValueText, PriorityThresholdInDbu)
{
    EXPECT_EQ(valueText(ValueLabel::PriorityThreshold, -60), "-40 dBu");
    EXPECT_EQ(valueText(ValueLabel::PriorityThreshold, -20), "0 dBu");
    EXPECT_EQ(valueText(ValueLabel::PriorityThreshold, -19), "+1 dBu");
    EXPECT_EQ(valueText(ValueLabel::PriorityThreshold, -80), "-60 dBu");
    EXPECT_EQ(valueText(ValueLabel::PriorityThreshold, 0), "+20 dBu");
}

TEST(ValueText, HoldTimeInSeconds)
{
    EXPECT_EQ(valueText(ValueLabel::HoldTime, 8), "8 sec");
    EXPECT_EQ(valueText(ValueLabel::HoldTime, 30), "30 sec");
}

} // namespace
} // namespace zq40
