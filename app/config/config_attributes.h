// The attributes of a configuration file's elements and the block fields
// they hold, in the order in which a read applies them.
#pragma once

#include "parameter_fields.h"

#include <QString>

#include <vector>

namespace zq40 {

struct NumberAttribute {
    QString name;
    Field field;
};

struct TextAttribute {
    QString name;
    LabelSlot slot;
};

// MaxLevel and MinLevel come before Level: the level position is worked out
// from the level with the zone's limits as the file gives them.
std::vector<NumberAttribute> zoneAttributes(int zone);
std::vector<NumberAttribute> inputsAttributes();
std::vector<NumberAttribute> page1Attributes();
std::vector<NumberAttribute> page2Attributes();
std::vector<NumberAttribute> miscAttributes();

// Zone names, then the fifteen linked-group names.
std::vector<TextAttribute> groupLabelAttributes();
std::vector<TextAttribute> pgmLabelAttributes();

} // namespace zq40
