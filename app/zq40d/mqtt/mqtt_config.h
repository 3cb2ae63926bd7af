// The [mqtt] section of zq40d's configuration: the broker, how the service
// proves who it is there, and where its topics lie.
#pragma once

#include "secret_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <optional>

namespace zq40::daemon {

struct MqttConfig {
    QString host;
    quint16 port = 1883;
    bool tls = false;
    QString caFile;
    QString user;
    QString password;
    QString certificate; // a client certificate and its key, PEM
    QString key;
    QString site;
    QString root = QStringLiteral("zq40");
    QString discovery = QStringLiteral("homeassistant");
    // What a command by MQTT may change: the limits of this role hold.
    Role role = Role::Staff;
};

// The section's keys, for the file's check of unknown keys.
QStringList mqttConfigKeys();

// Reads [mqtt] from `ini`; nothing when there is no such section. Files
// are taken relative to `folder`. False with `error` when a key is wrong.
bool readMqttConfig(QSettings& ini, const QString& folder, std::optional<MqttConfig>& config, QString& error);

} // namespace zq40::daemon
