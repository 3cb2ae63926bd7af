#include "daemon_config.h"

#include "settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace zq40::daemon {

namespace {

bool readNumbers(const QVariant& value, int low, int high, std::vector<int>& numbers)
{
    for (const QString& word : value.toStringList()) {
        bool ok = false;
        const int n = word.trimmed().toInt(&ok);
        if (!ok || n < low || n > high || std::count(numbers.begin(), numbers.end(), n))
            return false;
        numbers.push_back(n);
    }
    return true;
}

} // namespace

const StaffZone* DaemonConfig::staffZone(int zone) const
{
    for (const StaffZone& z : staffZones)
        if (z.zone == zone)
            return &z;
    return nullptr;
}

bool readConfig(const QString& path, DaemonConfig& config, QString& error)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        error = QStringLiteral("%1 is not an INI file").arg(path);
        return false;
    }
    config = {};
    QStringList known{QStringLiteral("listen/address"),  QStringLiteral("listen/port"),
                      QStringLiteral("state/folder"),    QStringLiteral("staff/zones"),
                      QStringLiteral("tls/certificate"), QStringLiteral("tls/key"),
                      QStringLiteral("lending/name")};
    known << mqttConfigKeys();
    if (ini.contains(QStringLiteral("listen/address")) &&
        !config.address.setAddress(ini.value(QStringLiteral("listen/address")).toString())) {
        error = QStringLiteral("%1: [listen] address is not an IP address").arg(path);
        return false;
    }
    if (ini.contains(QStringLiteral("listen/port"))) {
        bool ok = false;
        const uint port = ini.value(QStringLiteral("listen/port")).toString().toUInt(&ok);
        if (!ok || port > 65535) {
            error = QStringLiteral("%1: [listen] port is not a port number").arg(path);
            return false;
        }
        config.port = quint16(port);
    }
    if (ini.contains(QStringLiteral("state/folder"))) {
        // A relative folder lies beside the configuration file.
        config.stateFolder = file.dir().absoluteFilePath(ini.value(QStringLiteral("state/folder")).toString());
    }
    std::vector<int> zones;
    config.lendingName = ini.value(QStringLiteral("lending/name"), config.lendingName).toString();
    if (config.lendingName.isEmpty() || config.lendingName.size() > 64) {
        error = QStringLiteral("%1: [lending] name must be a name of 1 to 64 characters").arg(path);
        return false;
    }
    config.certificate = ini.value(QStringLiteral("tls/certificate")).toString();
    config.key = ini.value(QStringLiteral("tls/key")).toString();
    if (config.certificate.isEmpty() != config.key.isEmpty()) {
        error = QStringLiteral("%1: [tls] needs both a certificate and a key").arg(path);
        return false;
    }
    if (!config.certificate.isEmpty()) {
        config.certificate = file.dir().absoluteFilePath(config.certificate);
        config.key = file.dir().absoluteFilePath(config.key);
    }
    if (!readNumbers(ini.value(QStringLiteral("staff/zones")), 1, 6, zones)) {
        error = QStringLiteral("%1: [staff] zones is not a list of zones 1 to 6").arg(path);
        return false;
    }
    const Setting* source = findSetting("Zone1.Source");
    for (int zone : zones) {
        const QString key = QStringLiteral("zone%1/sources").arg(zone);
        known << key;
        StaffZone z{zone, {}};
        if (!readNumbers(ini.value(key), source->minimum, source->maximum, z.sources)) {
            error = QStringLiteral("%1: [zone%2] sources is not a list of sources %3 to %4")
                        .arg(path)
                        .arg(zone)
                        .arg(source->minimum)
                        .arg(source->maximum);
            return false;
        }
        config.staffZones.push_back(z);
    }
    known << QStringLiteral("staff/scenes");
    const QString scenes = ini.value(QStringLiteral("staff/scenes"), QStringLiteral("false")).toString();
    if (scenes != QLatin1String("true") && scenes != QLatin1String("false")) {
        error = QStringLiteral("%1: [staff] scenes is not true or false").arg(path);
        return false;
    }
    config.staffScenes = scenes == QLatin1String("true");
    if (!readSchedules(ini, config.schedule, known, error)) {
        error = path + QStringLiteral(": ") + error;
        return false;
    }
    if (QString why; !readMqttConfig(ini, file.absolutePath(), config.mqtt, why)) {
        error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    for (const QString& key : ini.allKeys()) {
        if (!known.contains(key)) {
            error = QStringLiteral("%1: unknown key %2").arg(path, key);
            return false;
        }
    }
    return true;
}

QHostAddress listenAddress(const DaemonConfig& config, bool pinSet)
{
    return pinSet ? config.address : QHostAddress(QHostAddress::LocalHost);
}

} // namespace zq40::daemon
