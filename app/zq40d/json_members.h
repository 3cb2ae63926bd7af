// The members of a JSON object in the order the client wrote them: Qt's
// objects sort their keys, and settings are applied, and their blocks sent,
// in the order they are named, as zq40ctl takes its arguments.
#pragma once

#include "setting_edits.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace zq40::daemon {

// The members of a JSON object whose values are numbers or texts; null for
// anything else, a repeated name included.
std::optional<std::vector<std::pair<QString, QJsonValue>>> flatMembers(const QByteArray& json);

// The members as zq40ctl's NAME=VALUE arguments give them: a number in
// decimal, a text as its Latin-1 bytes.
std::vector<NamedValue> namedValues(const std::vector<std::pair<QString, QJsonValue>>& members);

} // namespace zq40::daemon
