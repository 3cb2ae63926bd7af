// How zq40ctl writes units, children and settings: as text for people, as
// JSON for scripts.
#pragma once

#include "settings.h"

#include <QJsonObject>
#include <QString>

#include <string>
#include <vector>

class QDevice;
struct ousb_child_device_info_t;

namespace zq40 {
struct ParameterBlocks;
}

namespace zq40::ctl {

// A setting's value: a number, or a name as text.
QJsonValue settingValue(const Setting& setting, const ParameterBlocks& blocks);
QString settingText(const Setting& setting, const ParameterBlocks& blocks);

// The unit's name (its device name), and the objects list prints.
QString unitName(const QDevice& unit);
QJsonObject unitObject(const QDevice& unit);
QJsonObject childObject(const ousb_child_device_info_t& child);

// The settings whose names are nearest to an unknown one.
std::vector<std::string> closestSettingNames(const std::string& name);

// Writes to standard output, as UTF-8.
void print(const QString& text);

} // namespace zq40::ctl
