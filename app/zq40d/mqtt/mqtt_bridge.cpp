#include "mqtt_bridge.h"

#include "discovery_messages.h"
#include "json_members.h"
#include "qdevice.h"
#include "unit_output.h"

#include <QJsonDocument>

#include <algorithm>
#include <set>

namespace zq40::daemon {

namespace {

constexpr int kRepublishDelayMs = 20;
constexpr int kGoodbyeWaitMs = 2000;
constexpr double kCommandsPerSecond = 20;
constexpr double kCommandBurst = 50;

const QByteArray kOnline = "online";
const QByteArray kOffline = "offline";

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The children seen before, updated by those present now: a child that
// left stays, so that it shows away rather than vanishing.
QJsonArray mergedChildren(const QJsonArray& seen, const QJsonArray& now)
{
    std::map<int, QJsonValue> byKey;
    for (const QJsonArray& list : {seen, now})
        for (const QJsonValue& child : list)
            byKey[child[QStringLiteral("key")].toInt()] = child;
    QJsonArray merged;
    for (const auto& [key, child] : byKey)
        merged.append(child);
    return merged;
}

} // namespace

MqttBridge::MqttBridge(const MqttConfig& config, Site site)
    : config(config)
    , site(std::move(site))
    , topics(config)
    , connection(config, topics.status(), kOffline)
    , rate(kCommandsPerSecond, kCommandBurst)
{
    soon.setSingleShot(true);
    soon.setInterval(kRepublishDelayMs);
    connect(&soon, &QTimer::timeout, this, &MqttBridge::publishChanges);
    connect(&connection, &MqttConnection::DoConnected, this, &MqttBridge::connected);
    connect(&connection, &MqttConnection::DoMessage, this, &MqttBridge::received);
}

bool MqttBridge::start(QString& error)
{
    return connection.start(error);
}

void MqttBridge::stop()
{
    soon.stop();
    connection.stop(topics.status(), kOffline, kGoodbyeWaitMs);
}

void MqttBridge::unitsChanged()
{
    if (!soon.isActive())
        soon.start();
}

void MqttBridge::connected()
{
    connection.subscribe(topics.root + QStringLiteral("/+/set"));
    connection.subscribe(topics.root + QStringLiteral("/+/scene"));
    connection.subscribe(topics.assistantStatus());
    connection.publish(topics.status(), kOnline, true);
    republishAll();
}

// After a reconnect, or when Home Assistant starts: everything again.
void MqttBridge::republishAll()
{
    for (auto& [serial, known] : units) {
        known.published.clear();
        known.discovery.clear();
    }
    publishChanges();
}

void MqttBridge::publishChanges()
{
    if (!connection.connected())
        return;
    const bool lent = site.lent();
    std::set<uint32_t> present;
    for (const QDevice* unit : site.units()) {
        const uint32_t serial = unit->pDeviceInfo->ser;
        present.insert(serial);
        Known& known = units[serial];
        QJsonObject state = unitObject(*unit);
        state.insert(QStringLiteral("settings"), settingsObject(unit->blocks));
        known.children = mergedChildren(known.children, state[QStringLiteral("children")].toArray());
        known.state = state;
        known.blocks = unit->blocks;
        known.hasBlocks = true;
    }
    for (auto& [serial, known] : units) {
        QJsonObject state = known.state;
        state.insert(QStringLiteral("version"), kMqttLayoutVersion);
        state.insert(QStringLiteral("connected"), present.count(serial) > 0);
        if (!present.count(serial))
            state.insert(QStringLiteral("children"), QJsonArray());
        if (lent)
            state.insert(QStringLiteral("lent"), true);
        const QByteArray payload = compact(state);
        if (payload != known.published) {
            connection.publish(topics.state(serial), payload, true);
            known.published = payload;
        }
        publishDiscovery(serial, known);
    }
}

void MqttBridge::publishDiscovery(uint32_t serial, Known& known)
{
    DiscoveredUnit unit{serial,
                        known.state,
                        known.children,
                        known.hasBlocks ? &known.blocks : nullptr,
                        site.sceneNames ? site.sceneNames() : QStringList(),
                        site.pageUrl};
    std::map<QString, QByteArray> now = discoveryMessages(topics, unit);
    for (const auto& [topic, payload] : now) {
        const auto before = known.discovery.find(topic);
        if (before == known.discovery.end() || before->second != payload)
            connection.publish(topic, payload, true);
    }
    // An empty retained message takes an entity away: a scene deleted.
    for (const auto& [topic, payload] : known.discovery)
        if (!now.count(topic))
            connection.publish(topic, {}, true);
    known.discovery = std::move(now);
}

void MqttBridge::received(const QString& topic, const QByteArray& payload)
{
    if (topic == topics.assistantStatus()) {
        if (payload == kOnline)
            republishAll();
        return;
    }
    const auto unitTopic = topics.unitTopic(topic);
    if (!unitTopic)
        return;
    const auto& [serial, leaf] = *unitTopic;
    if (payload.size() > kMaxCommandBytes)
        return answer(serial, QJsonValue(),
                      QStringLiteral("the message is longer than %1 bytes").arg(kMaxCommandBytes));
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    const QJsonValue transaction = doc.isObject() ? doc.object().value(QStringLiteral("transaction")) : QJsonValue();
    if (!rate.take())
        return answer(serial, transaction,
                      QStringLiteral("too many commands: at most %1 a second").arg(int(kCommandsPerSecond)));
    // In turn with the API's requests: sending lets events run, and a
    // request half done must keep the unit it is working on.
    auto run = [this, serial = serial, leaf = leaf, payload, transaction] {
        answer(serial, leaf == QLatin1String("scene") ? QJsonValue() : transaction, perform(serial, leaf, payload));
    };
    if (site.inTurn)
        site.inTurn(std::move(run));
    else
        run();
}

QString MqttBridge::perform(uint32_t serial, const QString& leaf, const QByteArray& payload)
{
    if (site.lent())
        return QStringLiteral("An installer is working on this unit");
    if (leaf == QLatin1String("scene")) {
        const QString scene = QString::fromUtf8(payload).trimmed();
        return site.applyScene ? site.applyScene(serial, scene)
                               : QStringLiteral("no scene named %1").arg(scene.left(64));
    }
    std::optional<Members> members = flatMembers(payload);
    if (members)
        std::erase_if(*members, [](const auto& m) { return m.first == QLatin1String("transaction"); });
    if (!members)
        return QStringLiteral("the message is not a JSON object of settings and their numbers or texts");
    if (members->empty())
        return QStringLiteral("no settings given");
    return site.change(serial, *members);
}

void MqttBridge::answer(uint32_t serial, const QJsonValue& transaction, const QString& error)
{
    QJsonObject response{{QStringLiteral("version"), kMqttLayoutVersion},
                         {QStringLiteral("transaction"), transaction.isUndefined() ? QJsonValue() : transaction},
                         {QStringLiteral("status"), error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error")}};
    if (!error.isEmpty())
        response.insert(QStringLiteral("error"), error);
    connection.publish(topics.unit(serial, "response"), compact(response), false);
}

} // namespace zq40::daemon
