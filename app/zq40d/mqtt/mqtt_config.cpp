#include "mqtt_config.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace zq40::daemon {

namespace {

const QStringList kKeys{
    QStringLiteral("broker"),      QStringLiteral("ca"),   QStringLiteral("user"), QStringLiteral("password"),
    QStringLiteral("certificate"), QStringLiteral("key"),  QStringLiteral("site"), QStringLiteral("root"),
    QStringLiteral("discovery"),   QStringLiteral("role"),
};

// One topic level each: no wildcards, no separators, nothing a broker's
// ACL pattern could take for another site's.
bool isTopicWord(const QString& word)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return allowed.match(word).hasMatch();
}

} // namespace

QStringList mqttConfigKeys()
{
    QStringList keys;
    for (const QString& key : kKeys)
        keys << QStringLiteral("mqtt/") + key;
    return keys;
}

bool readMqttConfig(QSettings& ini, const QString& folder, std::optional<MqttConfig>& config, QString& error)
{
    config.reset();
    if (!ini.childGroups().contains(QStringLiteral("mqtt")))
        return true;
    ini.beginGroup(QStringLiteral("mqtt"));
    const auto text = [&ini](const char* key) { return ini.value(QLatin1String(key)).toString(); };
    MqttConfig c;
    const QUrl broker(text("broker"), QUrl::StrictMode);
    const QString scheme = broker.scheme();
    if (!broker.isValid() || broker.host().isEmpty() || !broker.path().isEmpty() ||
        (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))) {
        error = QStringLiteral("[mqtt] broker must be mqtt://host:port or mqtts://host:port");
    } else {
        c.host = broker.host();
        c.tls = scheme == QLatin1String("mqtts");
        c.port = quint16(broker.port(c.tls ? 8883 : 1883));
    }
    const QDir dir(folder);
    const auto file = [&](const char* key) {
        return text(key).isEmpty() ? QString() : dir.absoluteFilePath(text(key));
    };
    c.caFile = file("ca");
    c.certificate = file("certificate");
    c.key = file("key");
    c.user = text("user");
    c.password = text("password");
    c.site = text("site");
    c.root = ini.value(QStringLiteral("root"), c.root).toString();
    c.discovery = ini.value(QStringLiteral("discovery"), c.discovery).toString();
    const std::optional<Role> role = roleNamed(ini.value(QStringLiteral("role"), QStringLiteral("staff")).toString());
    ini.endGroup();
    if (!error.isEmpty())
        return false;
    if (!isTopicWord(c.site))
        error = QStringLiteral("[mqtt] site must be 1 to 64 letters, digits, - or _");
    else if (!isTopicWord(c.root) || !isTopicWord(c.discovery))
        error = QStringLiteral("[mqtt] root and discovery must be 1 to 64 letters, digits, - or _");
    else if (!role)
        error = QStringLiteral("[mqtt] role must be staff or installer");
    else if (c.certificate.isEmpty() != c.key.isEmpty())
        error = QStringLiteral("[mqtt] needs both a certificate and a key");
    else if (!c.tls && (!c.caFile.isEmpty() || !c.certificate.isEmpty()))
        error = QStringLiteral("[mqtt] ca, certificate and key need an mqtts:// broker");
    else if (c.tls && c.caFile.isEmpty())
        error = QStringLiteral("[mqtt] an mqtts:// broker needs a ca file");
    else if (!c.user.isEmpty() && c.password.isEmpty())
        error = QStringLiteral("[mqtt] user needs a password");
    if (!error.isEmpty())
        return false;
    c.role = *role;
    config = c;
    return true;
}

} // namespace zq40::daemon
