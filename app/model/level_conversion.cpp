#include "level_conversion.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace zq40 {

namespace {

// The truncated level before it is cut to a byte; positions far outside
// 0 to 100 (only a garbled block holds them) stay within 64 bits.
int64_t truncatedLevel(int minimum, int maximum, float position)
{
    if (std::isnan(position))
        position = 0;
    const double level = double(maximum - minimum) * double(position) / 100.0 + minimum;
    constexpr double kLimit = 1e15;
    if (level > kLimit)
        return int64_t(kLimit);
    if (level < -kLimit)
        return int64_t(-kLimit);
    return int64_t(std::trunc(level));
}

} // namespace

int8_t levelFromPosition(int minimum, int maximum, float position)
{
    return int8_t(uint8_t(truncatedLevel(minimum, maximum, position)));
}

float positionFromLevel(int minimum, int maximum, int level)
{
    if (maximum == minimum)
        return 0;
    float position = float(double(level - minimum) / double(maximum - minimum) * 100.0);
    // The float nearest the quotient can lie a hair past it, and a level of
    // exactly -35 computed as -34.99999 truncates to -34. One step suffices;
    // the bound only guards the loop.
    for (int step = 0; step < 4; ++step) {
        const int64_t got = truncatedLevel(minimum, maximum, position);
        if (got == level)
            break;
        const bool up = (got < level) == (maximum > minimum);
        position = std::nextafter(
            position, up ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity());
    }
    return position;
}

int levelSliderValue(float position)
{
    if (!(position > 0)) // also NaN
        return 0;
    if (position >= 100)
        return 100;
    return int(position);
}

int highPassSliderValue(uint8_t highPassFreq)
{
    return highPassFreq / 10;
}

uint8_t highPassFromSlider(int sliderValue)
{
    return uint8_t(10 * sliderValue);
}

} // namespace zq40
