// zq40d on a real mosquitto started here, on loopback, with an emulated
// unit on this process's test bed: the retained state and Home Assistant's
// discovery (checked against the keys its MQTT integrations document), a
// command reaching the wire, a refused one answered and nothing sent, a
// remote's report on the state topic, and everything back after the
// broker restarts.
#include "parameter_blocks.h"
#include "service.h"
#include "written_codes.h"

#include <zq40emu/zq40emu.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <mosquitto.h>

#include <map>
#include <memory>
#include <set>

using namespace zq40::daemon;

namespace {

constexpr uint32_t kCarried601 = 0x0101012F;
const QByteArray kLending = "zq40d-mqtt-test-" + QByteArray::number(QCoreApplication::applicationPid());
const QString kState = QStringLiteral("zq40/lobby/51010/state");

// The keys Home Assistant's MQTT number, select, sensor, binary sensor and
// button take (with those every entity shares), and the device's.
const std::set<QString> kCommonKeys{"unique_id",         "name",          "device",          "availability",
                                    "availability_mode", "qos",           "entity_category", "icon",
                                    "state_topic",       "value_template"};
const std::map<QString, std::set<QString>> kComponentKeys{
    {"number", {"command_topic", "command_template", "min", "max", "step", "mode", "unit_of_measurement"}},
    {"select", {"command_topic", "command_template", "options"}},
    {"sensor", {"json_attributes_topic", "json_attributes_template", "device_class", "unit_of_measurement"}},
    {"binary_sensor", {"device_class", "payload_on", "payload_off"}},
    {"button", {"command_topic", "payload_press"}},
};
const std::set<QString> kDeviceKeys{"identifiers",   "name",       "manufacturer",      "model",
                                    "serial_number", "sw_version", "configuration_url", "via_device"};

zq40emu::UnitConfig unit(uint32_t serial)
{
    zq40::ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText("Lobby");
    b.setZonesLinked(3, true);
    zq40emu::UnitConfig config;
    config.version = {.word1 = 1, .ser = serial, .word5 = kCarried601};
    config.children = {zq40emu::remote(258, 202, 0x01040023)};
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = b.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

class Zq40dMqttTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    quint16 port = freePort();
    QProcess broker;
    std::unique_ptr<zq40emu::Testbed> bed;
    zq40emu::Unit* lobby = nullptr;
    QTemporaryDir state;
    std::unique_ptr<SecretStore> secrets;
    std::unique_ptr<Service> service;
    mosquitto* watcher = nullptr;
    std::map<QString, QByteArray> retained; // the newest message of each topic

    void startBroker()
    {
        QFile conf(dir.filePath("mosquitto.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(
            QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n").arg(port).toUtf8());
        conf.close();
        broker.start("mosquitto", {"-c", conf.fileName()});
        QVERIFY(broker.waitForStarted());
    }

    // Runs the service's events and the watcher's traffic until `done`.
    bool until(const std::function<bool()>& done, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (mosquitto_loop(watcher, 5, 1) != MOSQ_ERR_SUCCESS) {
                QTest::qWait(50);
                mosquitto_reconnect(watcher);
            }
        }
        return true;
    }

    const QJsonObject json(const QString& topic) { return QJsonDocument::fromJson(retained[topic]).object(); }

    void publish(const QString& topic, const QByteArray& payload)
    {
        mosquitto_publish(watcher, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), 1,
                          false);
    }

    // Sends a command and waits for its answer.
    QJsonObject command(const QByteArray& payload, const char* leaf = "set")
    {
        retained.erase(QStringLiteral("zq40/lobby/51010/response"));
        lobby->clearReceived();
        publish(QStringLiteral("zq40/lobby/51010/") + QLatin1String(leaf), payload);
        until([this] { return retained.count(QStringLiteral("zq40/lobby/51010/response")) > 0; });
        return json(QStringLiteral("zq40/lobby/51010/response"));
    }

private slots:
    void initTestCase()
    {
        startBroker();
        mosquitto_lib_init();
        watcher = mosquitto_new("watcher", true, this);
        mosquitto_message_callback_set(watcher, [](mosquitto*, void* self, const mosquitto_message* m) {
            static_cast<Zq40dMqttTest*>(self)->retained[QString::fromUtf8(m->topic)] =
                QByteArray(static_cast<const char*>(m->payload), m->payloadlen);
        });
        mosquitto_connect_callback_set(
            watcher, [](mosquitto* client, void*, int) { mosquitto_subscribe(client, nullptr, "#", 1); });
        QVERIFY(until([this] { return mosquitto_connect(watcher, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS; }));

        bed = std::make_unique<zq40emu::Testbed>();
        lobby = &bed->plug(unit(51010));
        DaemonConfig config;
        config.address = QHostAddress(QHostAddress::LocalHost);
        config.port = 0;
        config.stateFolder = state.path();
        config.lendingName = QString::fromLatin1(kLending);
        config.staffZones = {{1, {1, 2}}, {2, {1}}};
        config.staffScenes = true;
        MqttConfig mqtt;
        mqtt.host = QStringLiteral("127.0.0.1");
        mqtt.port = port;
        mqtt.site = QStringLiteral("lobby");
        config.mqtt = mqtt;
        qputenv(zq40::kLendingNameVariable, kLending);
        secrets = std::make_unique<SecretStore>(state.path());
        service = std::make_unique<Service>(config, *secrets);
        QString error;
        QVERIFY2(service->start(error), qPrintable(error));
    }

    void theUnitsStateIsRetained()
    {
        QVERIFY(until([this] { return json(kState)["connected"].toBool(); }));
        const QJsonObject s = json(kState);
        QCOMPARE(s["version"].toInt(), 1);
        QCOMPARE(s["name"].toString(), QStringLiteral("Lobby"));
        QCOMPARE(s["state"].toString(), QStringLiteral("current"));
        QCOMPARE(s["settings"]["Zone1"]["Level"].toInt(), int(int8_t(lobby->block(16)[4])));
        QCOMPARE(retained[QStringLiteral("zq40/lobby/status")], QByteArray("online"));
    }

    void discoveryIsWhatHomeAssistantTakes()
    {
        const QRegularExpression topic(
            "^homeassistant/(number|select|sensor|binary_sensor|button)/lobby/(zq40_51010_[a-z0-9_]+)/config$");
        QVERIFY(until([this] {
            return retained.count(QStringLiteral("homeassistant/select/lobby/zq40_51010_zone6_source/config"));
        }));
        std::map<QString, int> components;
        std::set<QString> devices;
        for (const auto& [name, payload] : retained) {
            const QRegularExpressionMatch m = topic.match(name);
            if (!name.startsWith("homeassistant/"))
                continue;
            QVERIFY2(m.hasMatch(), qPrintable(name));
            const QJsonObject entity = QJsonDocument::fromJson(payload).object();
            const QString component = m.captured(1);
            ++components[component];
            QCOMPARE(entity["unique_id"].toString(), m.captured(2));
            for (const QString& key : entity.keys())
                QVERIFY2(kCommonKeys.count(key) || kComponentKeys.at(component).count(key),
                         qPrintable(name + " " + key));
            for (const QString& key : entity["device"].toObject().keys())
                QVERIFY2(kDeviceKeys.count(key), qPrintable(key));
            devices.insert(entity["device"]["identifiers"][0].toString());
            if (component != "button")
                QCOMPARE(entity["state_topic"].toString(), kState);
            if (component == "number" || component == "select" || component == "button")
                QVERIFY(entity["command_topic"].toString().startsWith("zq40/lobby/51010/"));
        }
        QCOMPARE(components["number"], 6);
        QCOMPARE(components["select"], 6);
        QCOMPARE(devices, std::set<QString>({"zq40_51010", "zq40_51010_child258"}));
        QCOMPARE(json("homeassistant/binary_sensor/lobby/zq40_51010_child258_connection/config")["device"]["via_device"]
                     .toString(),
                 QStringLiteral("zq40_51010"));
        const QJsonObject level = json("homeassistant/number/lobby/zq40_51010_zone2_level/config");
        QCOMPARE(level["min"].toInt(), int(int8_t(lobby->block(16)[14])));
        QCOMPARE(level["max"].toInt(), int(int8_t(lobby->block(16)[13])));
        QCOMPARE(level["device"]["serial_number"].toString(), QStringLiteral("51010"));
        const QJsonArray options =
            json("homeassistant/select/lobby/zq40_51010_zone1_source/config")["options"].toArray();
        QCOMPARE(options.size(), 7);
        QCOMPARE(options[1].toString(), QStringLiteral("Pgm 1"));
    }

    void aCommandReachesTheWireAndIsAnswered()
    {
        const QJsonObject ok = command("{\"Zone1.Level\": -20, \"transaction\": \"t1\"}");
        QCOMPARE(ok, QJsonObject({{"version", 1}, {"transaction", "t1"}, {"status", "ok"}}));
        QCOMPARE(writtenCodes(*lobby), std::vector<int>{16});
        QCOMPARE(int(int8_t(lobby->block(16)[4])), -20);
        QVERIFY(until([this] { return json(kState)["settings"]["Zone1"]["Level"].toInt() == -20; }));
    }

    void refusalsAreAnsweredAndSendNothing()
    {
        const QList<QPair<QByteArray, QString>> refused{
            {"{\"Zone5.Level\": -20, \"transaction\": 7}", "staff may not change zone 5"},
            {"{\"Zone1.Level\": -25, \"Zone1.EQLo\": 99, \"transaction\": 7}", "Zone1.EQLo"},
            {"{\"Zone1.Level\": [1], \"transaction\": 7}", "not a JSON object of settings"},
            {"{\"transaction\": 7}", "no settings given"},
        };
        for (const auto& [payload, why] : refused) {
            const QJsonObject answer = command(payload);
            QCOMPARE(answer["status"].toString(), QStringLiteral("error"));
            QVERIFY2(answer["error"].toString().contains(why), qPrintable(answer["error"].toString()));
            QCOMPARE(answer["transaction"].toInt(), 7);
            QVERIFY(writtenCodes(*lobby).empty());
        }
        const QJsonObject tooLong = command(QByteArray(MqttBridge::kMaxCommandBytes + 1, ' '));
        QVERIFY(tooLong["error"].toString().contains("longer than"));
        QVERIFY(command("Evening", "scene")["error"].toString().contains("Evening"));
    }

    void aSceneButtonAppliesTheScene()
    {
        const QString button = QStringLiteral("homeassistant/button/lobby/zq40_51010_scene_%1/config")
                                   .arg(QLatin1String(QByteArray("Evening").toHex()));
        QVERIFY(service->scenes().saveFrom(51010, "Evening", SceneScope::Levels, "test").isEmpty()); // Zone1 at -20
        QVERIFY(until([&] { return retained.count(button); }));
        QCOMPARE(json(button)["payload_press"].toString(), QStringLiteral("Evening"));
        QCOMPARE(command("{\"Zone1.Level\": -30}")["status"].toString(), QStringLiteral("ok"));
        QCOMPARE(command("Evening", "scene")["status"].toString(), QStringLiteral("ok"));
        QCOMPARE(writtenCodes(*lobby), std::vector<int>{16});
        QCOMPARE(int(int8_t(lobby->block(16)[4])), -20);
    }

    void aRemotesReportReachesTheState()
    {
        std::vector<uint8_t> levels = lobby->block(16);
        levels[12] = uint8_t(-7); // zone 2, as if its remote turned it down
        lobby->setBlock(16, levels);
        lobby->pushBlock(16);
        QVERIFY(until([this] { return json(kState)["settings"]["Zone2"]["Level"].toInt() == -7; }));
    }

    void everythingIsBackAfterTheBrokerRestarts()
    {
        broker.kill();
        broker.waitForFinished();
        retained.clear();
        QTest::qWait(300);
        startBroker();
        QVERIFY(until([this] { return json(kState)["connected"].toBool(); }, 20000));
        QCOMPARE(retained[QStringLiteral("zq40/lobby/status")], QByteArray("online"));
        QVERIFY(until([this] {
            return retained.count(QStringLiteral("homeassistant/number/lobby/zq40_51010_zone1_level/config"));
        }));
        // A unit unplugged shows unavailable, its entities kept.
        bed->unplug(*lobby);
        QVERIFY(until([this] { return !json(kState)["connected"].toBool(); }));
        QVERIFY(!retained[QStringLiteral("homeassistant/number/lobby/zq40_51010_zone1_level/config")].isEmpty());
    }

    void aCleanStopSaysOffline()
    {
        service->stop();
        QVERIFY(until([this] { return retained[QStringLiteral("zq40/lobby/status")] == "offline"; }));
    }

    void cleanupTestCase()
    {
        service.reset();
        if (watcher)
            mosquitto_destroy(watcher);
        broker.kill();
        broker.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(Zq40dMqttTest)
#include "zq40d_mqtt_test.moc"
