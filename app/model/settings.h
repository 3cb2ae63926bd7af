// Every setting of a unit by the name its configuration files give it: an
// element and an attribute, as in Zone3.Level, Page2.PhantomPwr,
// GroupLabels.Zone1Label or DeviceName.Name. One table serves the file
// format and everything else that names settings, and it holds the limits
// within which the window's controls let a person set each one.
#pragma once

#include "parameter_fields.h"

#include <string>
#include <string_view>
#include <vector>

namespace zq40 {

enum class SettingType {
    Number, // a byte field, decimal in files
    Text,   // a name: a label slot or the device name
};

struct Setting {
    std::string element;
    std::string attribute;
    SettingType type;
    Field field{};    // numbers
    LabelSlot slot{}; // texts; the device name is the whole of block 11
    // What the controls can set. Numbers: the range and its step. Texts: at
    // most `maximum` characters. Some limits also depend on other fields
    // (a zone's level lies between its minimum and maximum); the edit rules
    // narrow these where they do.
    int minimum = 0;
    int maximum = 0;
    int step = 1;

    std::string name() const { return element + "." + attribute; }
    bool isDeviceName() const { return type == SettingType::Text && slot.code == 11; }
};

// The elements of a configuration file, in the order it lists them (the
// Firmware element, written but never read, is not a setting).
const std::vector<std::string>& settingElements();

// Every setting, element by element in file order; within an element in the
// order a file is applied (a zone's MaxLevel and MinLevel before its Level).
const std::vector<Setting>& allSettings();

// The settings of one element, in the same order.
std::vector<const Setting*> settingsOf(std::string_view element);

// By "Element.Attribute", exactly as written; null when there is none.
const Setting* findSetting(std::string_view name);

// The number setting stored in `field`; null for fields no setting names.
const Setting* settingOf(Field field);

} // namespace zq40
