// Level slider position and level in dB: the conversions both ways, and the
// slider values of the level and high-pass controls.
#include "level_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zq40 {
namespace {

TEST(LevelFromPosition, TruncatesTowardZero)
{
    EXPECT_EQ(levelFromPosition(-40, 10, 80), 0);
    EXPECT_EQ(levelFromPosition(-40, 10, 33), -23); // -23.5
    EXPECT_EQ(levelFromPosition(-40, 10, 0), -40);
    EXPECT_EQ(levelFromPosition(-40, 10, 50), -15);
    EXPECT_EQ(levelFromPosition(-40, 10, 99), 9); // 9.5
    EXPECT_EQ(levelFromPosition(-40, 10, 100), 10);
    EXPECT_EQ(levelFromPosition(-40, -20, 50), -30);
    EXPECT_EQ(levelFromPosition(-10, 10, 1), -9); // -9.8
    EXPECT_EQ(levelFromPosition(-20, 10, 60), -2);
}

TEST(LevelFromPosition, EqualLimitsGiveTheMinimum)
{
    for (float position : {0.0f, 33.3f, 80.0f, 100.0f})
        EXPECT_EQ(levelFromPosition(-7, -7, position), -7);
}

// A block from the unit can hold any float; none may lead to undefined
// behaviour (the sanitizer build checks the conversions).
TEST(LevelFromPosition, AnyFloatIsSafe)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(levelFromPosition(-40, 10, nan), -40);
    levelFromPosition(-40, 10, inf);
    levelFromPosition(-40, 10, -inf);
    levelFromPosition(-40, 10, 3e38f);
    levelFromPosition(-128, 127, -3e38f);
}

TEST(PositionFromLevel, Examples)
{
    EXPECT_EQ(positionFromLevel(-40, 10, -15), 50.0f);
    EXPECT_EQ(positionFromLevel(-40, 10, 0), 80.0f);
    EXPECT_EQ(levelSliderValue(positionFromLevel(-20, 10, -10)), 33);
    EXPECT_EQ(positionFromLevel(-5, 10, -5), 0.0f);
}

TEST(PositionFromLevel, EqualLimitsGiveZero)
{
    EXPECT_EQ(positionFromLevel(-20, -20, -20), 0.0f);
    EXPECT_EQ(positionFromLevel(10, 10, 0), 0.0f);
}

// Loading a file sets the position from the level, and linking later works
// the level out again from that position: the two must agree, or a level
// comes back one dB off (-35 in -40 to -34 turned into -34).
TEST(PositionFromLevel, RoundTripsEveryLevel)
{
    int failures = 0;
    for (int minimum = -128; minimum <= 127; ++minimum) {
        for (int maximum = -128; maximum <= 127; ++maximum) {
            if (minimum == maximum)
                continue;
            for (int level = -128; level <= 127; ++level) {
                const float position = positionFromLevel(minimum, maximum, level);
                if (levelFromPosition(minimum, maximum, position) != level && ++failures <= 5)
                    ADD_FAILURE() << minimum << " " << maximum << " " << level << " -> " << position;
                const bool inside =
                    minimum < maximum ? level >= minimum && level <= maximum : level <= minimum && level >= maximum;
                if (inside && (position < 0 || position > 100) && ++failures <= 5)
                    ADD_FAILURE() << minimum << " " << maximum << " " << level << " outside: " << position;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(PositionFromLevel, StaysNextToTheQuotient)
{
    const float position = positionFromLevel(-40, -34, -35);
    EXPECT_NEAR(position, 500.0 / 6.0, 1e-4);
    EXPECT_LE(position, 500.0 / 6.0);
}

TEST(SliderValues, LevelSliderTruncates)
{
    EXPECT_EQ(levelSliderValue(80.0f), 80);
    EXPECT_EQ(levelSliderValue(33.9f), 33);
    EXPECT_EQ(levelSliderValue(0.5f), 0);
    EXPECT_EQ(levelSliderValue(-3.0f), 0);
    EXPECT_EQ(levelSliderValue(168.0f), 100);
    EXPECT_EQ(levelSliderValue(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(levelSliderValue(std::numeric_limits<float>::infinity()), 100);
}

TEST(SliderValues, HighPassInTensOfHertz)
{
    EXPECT_EQ(highPassSliderValue(20), 2);
    EXPECT_EQ(highPassSliderValue(25), 2);
    EXPECT_EQ(highPassSliderValue(120), 12);
    EXPECT_EQ(highPassSliderValue(255), 25);
    EXPECT_EQ(highPassFromSlider(2), 20);
    EXPECT_EQ(highPassFromSlider(12), 120);
}

} // namespace
} // namespace zq40
