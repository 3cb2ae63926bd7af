// zq40d's configuration file: where it listens, where it keeps its state,
// and what the installer lets staff touch.
#pragma once

#include <QHostAddress>
#include <QString>

#include "mqtt/mqtt_config.h"
#include "schedule_config.h"
#include "service_lending.h"

#include <optional>
#include <vector>

namespace zq40::daemon {

inline constexpr char kDefaultConfigFile[] = "/etc/zq40d/zq40d.conf";
inline constexpr quint16 kDefaultPort = 8040;

// A zone staff may change (its level and its source), and the sources they
// may choose for it.
struct StaffZone {
    int zone = 0;
    std::vector<int> sources;
};

struct DaemonConfig {
    QHostAddress address{QHostAddress::Any};
    quint16 port = kDefaultPort; // 0: any free port
    QString stateFolder = QStringLiteral("/var/lib/zq40d");
    // HTTPS when both are named: PEM files, relative to the file's folder.
    QString certificate;
    QString key;
    // Where the window and zq40ctl ask for the units (an abstract socket name).
    QString lendingName = QString::fromLatin1(kLendingName);
    std::vector<StaffZone> staffZones;
    std::optional<MqttConfig> mqtt; // none: no broker
    // Whether staff may apply scenes.
    bool staffScenes = false;
    ScheduleConfig schedule;

    const StaffZone* staffZone(int zone) const;
};

// Reads `path`; false with `error` saying what is wrong. Unknown keys are
// errors too: a mistyped limit must not pass unnoticed.
bool readConfig(const QString& path, DaemonConfig& config, QString& error);

// Loopback only until a staff PIN is set, then the configured address.
QHostAddress listenAddress(const DaemonConfig& config, bool pinSet);

} // namespace zq40::daemon
