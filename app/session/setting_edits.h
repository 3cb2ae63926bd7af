// Settings changed by name, as `zq40ctl set` and the service's clients change
// them: every name and every value is checked before anything is sent, then
// the edits apply as one by the edit rules and each changed block is sent
// once. The refusal texts are the same wherever the edits come from.
#pragma once

#include "parameter_change.h"
#include "settings.h"

#include <QString>

#include <string>
#include <vector>

namespace zq40 {

class UnitSession;

// One setting as a client names it and the value it gives, as text (a
// decimal number, or a name in Latin-1); `word` is how refusals quote it.
struct NamedValue {
    std::string name;
    std::string value;
    QString word;
};

struct SettingEdits {
    std::vector<const Setting*> settings;
    std::vector<ParameterChange> changes;
    std::vector<QString> words;
};

// The settings named; false with `error` at an unknown one, naming the
// nearest names.
bool findSettings(const std::vector<std::string>& names, std::vector<const Setting*>& found, QString& error);

// Checks every name, then every value; false with `error` at the first fault.
bool checkSettingEdits(const std::vector<NamedValue>& values, SettingEdits& edits, QString& error);

// The checked edits on the session's current record, all or none: false with
// `error` when the edit rules refuse one, and then nothing was sent.
bool applySettingEdits(UnitSession& session, const SettingEdits& edits, QString& error);

} // namespace zq40
