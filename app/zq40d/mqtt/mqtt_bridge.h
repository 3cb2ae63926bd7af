// The site on the broker: its status, each unit's state republished soon
// after anything changes it, Home Assistant's discovery, and the commands
// and scenes the broker brings, answered on each unit's response topic.
#pragma once

#include "command_rate.h"
#include "mqtt_connection.h"
#include "mqtt_topics.h"
#include "parameter_blocks.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <utility>
#include <vector>

class QDevice;

namespace zq40::daemon {

class MqttBridge : public QObject {
    Q_OBJECT

public:
    using Members = std::vector<std::pair<QString, QJsonValue>>;
    // What the bridge asks of the service.
    struct Site {
        std::function<std::vector<const QDevice*>()> units; // those ready
        std::function<bool()> lent;
        // Empty when sent; otherwise the refusal, as the API words it.
        std::function<QString(uint32_t serial, const Members& settings)> change;
        std::function<QStringList()> sceneNames;
        std::function<QString(uint32_t serial, const QString& scene)> applyScene;
        // Runs a command when the service is free for it.
        std::function<void(std::function<void()>)> inTurn;
        QString pageUrl;
    };

    MqttBridge(const MqttConfig& config, Site site);

    bool start(QString& error);
    // Says goodbye: the site's status goes offline.
    void stop();
    // Something about the units changed: republished within a tenth of a second.
    void unitsChanged();
    void scenesChanged() { unitsChanged(); }

    static constexpr qsizetype kMaxCommandBytes = 8192;

private:
    struct Known {
        QJsonObject state;
        ParameterBlocks blocks;
        bool hasBlocks = false;
        QJsonArray children; // every child seen, by key
        QByteArray published;
        std::map<QString, QByteArray> discovery;
    };

    void connected();
    void republishAll();
    void publishChanges();
    void publishDiscovery(uint32_t serial, Known& known);
    void received(const QString& topic, const QByteArray& payload);
    // Empty when done; otherwise why not.
    QString perform(uint32_t serial, const QString& leaf, const QByteArray& payload);
    void answer(uint32_t serial, const QJsonValue& transaction, const QString& error);

    MqttConfig config;
    Site site;
    MqttTopics topics;
    MqttConnection connection;
    CommandRate rate;
    QTimer soon;
    std::map<uint32_t, Known> units;
};

} // namespace zq40::daemon
