// Home Assistant's discovery messages for one unit: the unit a device with
// its zones' levels and sources, its firmware and connection, and a button
// per scene; each remote and the paging station a device of its own behind
// the unit. Unique ids come from the serial, so sites never collide.
#pragma once

#include "mqtt_topics.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <map>

namespace zq40 {
struct ParameterBlocks;
}

namespace zq40::daemon {

struct DiscoveredUnit {
    uint32_t serial = 0;
    QJsonObject state;   // as the state topic has it
    QJsonArray children; // every child seen, present or not
    const ParameterBlocks* blocks = nullptr;
    QStringList scenes;
    QString pageUrl; // the staff page; empty: none
};

// Topic to retained payload.
std::map<QString, QByteArray> discoveryMessages(const MqttTopics& topics, const DiscoveredUnit& unit);

} // namespace zq40::daemon
