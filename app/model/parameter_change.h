// An edit of a unit's settings, as a control of the window or a command
// makes it, and the rules that turn it into block contents. Each rule lives
// here once: linked zones follow a zone's fader and source, a zone's level
// stays within its minimum and maximum (zone 6 keeps its level in dB when its
// minimum moves), paging input 1 pages without a chime in threshold mode, and
// no edit goes beyond what the window's controls can set.
#pragma once

#include "parameter_blocks.h"

#include <string>
#include <string_view>
#include <vector>

namespace zq40 {

struct Setting;

struct ParameterChange {
    enum class Kind {
        Value,            // a byte field; the field picks its rule (a zone's level in dB, source, minimum, ...)
        GroupMember,      // zone `zone` in or out of paging group `group`
        LevelPosition,    // a zone's fader moved to `position` (0 to 100)
        Text,             // a name slot, or the device name (block 11), Latin-1
        PriorityDefaults, // the program-6 priority's threshold and hold time back to their defaults
    };

    Kind kind = Kind::Value;
    Field field{};
    int value = 0;
    int zone = 0;
    int group = 0;
    float position = 0;
    LabelSlot slot{};
    std::string text;

    static ParameterChange of(Field field, int value);
    static ParameterChange groupMember(int group, int zone, bool member);
    static ParameterChange fader(int zone, float position);
    static ParameterChange name(LabelSlot slot, std::string latin1);
    static ParameterChange deviceName(std::string latin1);
    static ParameterChange priorityDefaults();
};

struct EditResult {
    bool applied = false;
    // Why the change was refused, in words that give the allowed values.
    std::string refusal;
    // The block the change lies in: it goes to the unit whole.
    uint8_t code = 0;
    // The other zones a fader or source edit reached through the links.
    std::vector<int> followers;
};

// Applies `change` with its rules, or refuses it and leaves `blocks` as they
// were when the controls could not have made it.
EditResult applyChange(ParameterBlocks& blocks, const ParameterChange& change);

// The change that sets `setting` to the value written as `text` (a decimal
// number, or a name); false with `error` set when the text is no value of it.
bool changeForSetting(const Setting& setting, std::string_view text, ParameterChange& change, std::string& error);

} // namespace zq40
