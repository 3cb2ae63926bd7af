#include "value_text.h"

namespace zq40 {

namespace {

std::string signedWithUnit(int n, const char* unit)
{
    return (n >= 1 ? "+" : "") + std::to_string(n) + unit;
}

std::string signedDb(int n)
{
    return signedWithUnit(n, " dB");
}

std::string signedDbUnless(int n, int bottom, const char* bottomText)
{
    return n == bottom ? bottomText : signedDb(n);
}

} // namespace

std::string valueText(ValueLabel kind, int value)
{
    switch (kind) {
    case ValueLabel::EQ:
        return signedDb(value);
    case ValueLabel::PgmLevel:
        return signedDbUnless(value, -80, "Off");
    case ValueLabel::Trim:
    case ValueLabel::PageLevel:
    case ValueLabel::ZoneLevel:
        return signedDbUnless(value, -40, "Off");
    case ValueLabel::DuckerDepth:
        return signedDbUnless(value, -80, "Mute");
    case ValueLabel::Threshold:
    case ValueLabel::LimiterValue:
        return std::to_string(value) + " dBFS";
    case ValueLabel::HighPassSlider:
        return 10 * value == 20 ? "Off" : std::to_string(10 * value) + " Hz";
    case ValueLabel::PriorityThreshold:
        return signedWithUnit(value + 20, " dBu");
    case ValueLabel::HoldTime:
        return std::to_string(value) + " sec";
    }
    return {};
}

} // namespace zq40
