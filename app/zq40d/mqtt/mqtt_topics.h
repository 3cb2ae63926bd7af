// Where a site's messages lie on the broker: ROOT/SITE/status for the
// service, ROOT/SITE/SERIAL/... for each unit, and Home Assistant's
// discovery under PREFIX/COMPONENT/SITE/OBJECT/config, the site as its node
// so that a broker's ACL can confine each site by its user name.
#pragma once

#include "mqtt_config.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace zq40::daemon {

// The version of the JSON layout every payload of ours carries.
inline constexpr int kMqttLayoutVersion = 1;

struct MqttTopics {
    QString root;      // ROOT/SITE
    QString discovery; // PREFIX

    explicit MqttTopics(const MqttConfig& config)
        : root(config.root + QLatin1Char('/') + config.site)
        , discovery(config.discovery)
        , site(config.site)
    {
    }

    QString status() const { return root + QStringLiteral("/status"); }
    QString unit(uint32_t serial, const char* leaf) const
    {
        return QStringLiteral("%1/%2/%3").arg(root).arg(serial).arg(QLatin1String(leaf));
    }
    QString state(uint32_t serial) const { return unit(serial, "state"); }
    QString commands() const { return root + QStringLiteral("/+/+"); }
    QString assistantStatus() const { return discovery + QStringLiteral("/status"); }
    QString config(const char* component, const QString& object) const
    {
        return QStringLiteral("%1/%2/%3/%4/config").arg(discovery, QLatin1String(component), site, object);
    }

    // The serial and the leaf of a unit's topic; nothing for another topic.
    std::optional<std::pair<uint32_t, QString>> unitTopic(const QString& topic) const
    {
        if (!topic.startsWith(root + QLatin1Char('/')))
            return std::nullopt;
        const QStringList words = topic.mid(root.size() + 1).split(QLatin1Char('/'));
        bool ok = false;
        const uint serial = words.size() == 2 ? words[0].toUInt(&ok) : 0;
        if (!ok || words[0].size() > 10 || !words[0].front().isDigit())
            return std::nullopt;
        return std::pair<uint32_t, QString>{serial, words[1]};
    }

private:
    QString site;
};

} // namespace zq40::daemon
