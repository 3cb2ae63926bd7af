// The texts of the value labels beside the parameter controls.
#pragma once

#include <string>

namespace zq40 {

// Which value a label shows; each kind has its own unit and bottom text.
enum class ValueLabel {
    EQ,                // EQLo, EQMid, EQHi of zones and paging inputs: "+6 dB"
    PgmLevel,          // Pgm1Level to Pgm6Level: "Off" at -80
    Trim,              // Page 2 Trim: "Off" at -40
    PageLevel,         // zone PageLevel: "Off" at -40
    ZoneLevel,         // zone Level: "Off" at -40, whatever MinLevel is
    DuckerDepth,       // "Mute" at -80
    Threshold,         // Page 1 Threshold: "-40 dBFS"
    LimiterValue,      // "0 dBFS"
    HighPassSlider,    // the HPF slider value (2 to 12): "Off" at 2, else "30 Hz"
    PriorityThreshold, // shown as value + 20 dBu: "+1 dBu" for -19
    HoldTime,          // PriorityHoldTimeSecs: "8 sec"
};

std::string valueText(ValueLabel kind, int value);

} // namespace zq40
