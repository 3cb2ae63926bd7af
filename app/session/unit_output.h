// How the front ends write units, children and settings: as text for
// people, as JSON for scripts and the service's clients.
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

// A setting's value: a number, or a name as text.
QJsonValue settingValue(const Setting& setting, const ParameterBlocks& blocks);
QString settingText(const Setting& setting, const ParameterBlocks& blocks);

// The unit's name (its device name), and the objects list prints.
QString unitName(const QDevice& unit);
QJsonObject unitObject(const QDevice& unit);
QJsonObject childObject(const ousb_child_device_info_t& child);

// The whole setup: one object of elements holding their attributes.
QJsonObject settingsObject(const ParameterBlocks& blocks);

// The settings whose names are nearest to an unknown one.
std::vector<std::string> closestSettingNames(const std::string& name);

} // namespace zq40
