// Conversions between a zone's level slider and its level in dB, and the
// slider values of the fields that are not shown as stored.
#pragma once

#include <cstdint>

namespace zq40 {

// The level at `position` percent of the span from minimum to maximum,
// truncated toward zero; the low byte of the result as a signed byte.
// A position that is not a number counts as 0.
int8_t levelFromPosition(int minimum, int maximum, float position);

// The position at which levelFromPosition gives `level` back: the quotient
// (level - minimum) / (maximum - minimum) × 100, moved to the neighbouring
// float where rounding would otherwise truncate to the next dB. When maximum
// equals minimum every position gives the minimum; the result is then 0, so
// that raising the maximum later leaves the level where it was instead of
// jumping up with it.
float positionFromLevel(int minimum, int maximum, int level);

// The level slider (0 to 100) shows the position truncated toward zero.
int levelSliderValue(float position);

// The high-pass slider counts tens of Hz: 20 Hz is 2, 120 Hz is 12.
int highPassSliderValue(uint8_t highPassFreq);
uint8_t highPassFromSlider(int sliderValue);

} // namespace zq40
