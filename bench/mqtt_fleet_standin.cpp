// A fleet of sites on one mosquitto, started here on loopback: each site a
// light stand-in for zq40d that speaks its topics with the service's own
// payloads (status, a unit's state with every setting, Home Assistant's
// discovery with three remotes and three scenes), and one Home
// Assistant-style subscriber taking everything. Prints:
//  - the time until the subscriber has every site's retained messages;
//  - with every site changing its state once a second, whether the
//    subscriber keeps up: messages lost, median and 99th percentile delay;
//  - the time a subscriber that comes late takes to have them all;
//  - the broker's resident memory.
// Usage: mqtt_fleet_standin [SITES] (default 200)
#include "mqtt/discovery_messages.h"
#include "parameter_blocks.h"
#include "process_figures.h"
#include "unit_output.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using zq40::daemon::MqttConfig;
using zq40::daemon::MqttTopics;

struct Subscriber {
    mosquitto* client = nullptr;
    std::map<QByteArray, int> topics; // each topic seen, and how often
    std::vector<double> delays;       // of the states stamped with a send time
    long received = 0;
};

void onMessage(mosquitto*, void* self, const mosquitto_message* m)
{
    auto* s = static_cast<Subscriber*>(self);
    ++s->received;
    ++s->topics[QByteArray(m->topic)];
    const QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
    const qsizetype at = payload.indexOf("\"sent\":");
    if (at >= 0) {
        const double sent = payload.mid(at + 7, payload.indexOf(',', at) - at - 7).toDouble();
        const double now = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
        s->delays.push_back(now - sent);
    }
}

mosquitto* connectClient(const QByteArray& id, quint16 port, void* self)
{
    mosquitto* c = mosquitto_new(id.constData(), true, self);
    mosquitto_int_option(c, MOSQ_OPT_TCP_NODELAY, 1);
    if (mosquitto_connect(c, "127.0.0.1", port, 60) != MOSQ_ERR_SUCCESS) {
        mosquitto_destroy(c);
        return nullptr;
    }
    return c;
}

void subscribe(Subscriber& s)
{
    mosquitto_message_callback_set(s.client, onMessage);
    mosquitto_subscribe(s.client, nullptr, "homeassistant/#", 1);
    mosquitto_subscribe(s.client, nullptr, "zq40/#", 1);
}

void publish(mosquitto* c, const QString& topic, const QByteArray& payload)
{
    mosquitto_publish(c, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), 1, true);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int sites = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write("listener " + QByteArray::number(port) +
               " 127.0.0.1\nallow_anonymous true\nset_tcp_nodelay true\nmax_queued_messages 0\n");
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
    if (!broker.waitForStarted()) {
        std::printf("fleet stand-in: no mosquitto here\n");
        return 0;
    }
    const auto stop = qScopeGuard([&broker] {
        broker.terminate();
        broker.waitForFinished();
    });
    mosquitto_lib_init();

    zq40::ParameterBlocks blocks;
    blocks.setDefaultParameters(false);
    QJsonArray children;
    for (int key : {257, 258, 259})
        children.append(QJsonObject{
            {"key", key}, {"model", 202}, {"name", "Remote"}, {"firmware", "1.0.0.12"}, {"state", "current"}});
    QJsonObject state{{"version", 1},
                      {"connected", true},
                      {"name", "Hall"},
                      {"firmware", "1.1.1.47"},
                      {"state", "current"},
                      {"children", children},
                      {"settings", zq40::settingsObject(blocks)}};

    Subscriber assistant;
    QElapsedTimer waited;
    waited.start();
    while (!(assistant.client = connectClient("assistant", port, &assistant)) && waited.elapsed() < 5000)
        QThread::msleep(50);
    if (!assistant.client)
        return 1;
    subscribe(assistant);
    std::vector<mosquitto*> clients;
    std::vector<MqttTopics> topics;
    const auto turn = [&](int ms) {
        QElapsedTimer t;
        t.start();
        do {
            mosquitto_loop(assistant.client, 0, 1);
            for (mosquitto* c : clients)
                mosquitto_loop(c, 0, 1);
        } while (t.elapsed() < ms);
    };
    size_t expected = 0;
    const auto start = Clock::now();
    for (int i = 0; i < sites; ++i) {
        MqttConfig site;
        site.site = QStringLiteral("site%1").arg(i);
        topics.emplace_back(site);
        mosquitto* c = connectClient(site.site.toUtf8(), port, nullptr);
        if (!c)
            return 1;
        clients.push_back(c);
        const uint32_t serial = 60000 + i;
        zq40::daemon::DiscoveredUnit unit{serial, state, children, &blocks, {"Day", "Evening", "Closed"}, {}};
        const auto discovery = zq40::daemon::discoveryMessages(topics.back(), unit);
        publish(c, topics.back().status(), "online");
        publish(c, topics.back().state(serial), QJsonDocument(state).toJson(QJsonDocument::Compact));
        for (const auto& [topic, payload] : discovery)
            publish(c, topic, payload);
        expected += 2 + discovery.size();
        mosquitto_loop(c, 0, 1);
    }
    waited.restart();
    while (assistant.topics.size() < expected && waited.elapsed() < 60000)
        turn(1);
    std::printf("%d sites: the subscriber had all %zu retained topics after %.2f s (%zu seen)\n", sites, expected,
                std::chrono::duration<double>(Clock::now() - start).count(), assistant.topics.size());

    // Each site's state once a second for 10 s, stamped with its send time.
    const long before = assistant.received;
    assistant.delays.clear();
    int sent = 0;
    for (int second = 0; second < 10; ++second)
        for (int i = 0; i < sites; ++i) {
            QJsonObject changed = state;
            changed.insert("sent", std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count());
            publish(clients[i], topics[i].state(60000 + i), QJsonDocument(changed).toJson(QJsonDocument::Compact));
            ++sent;
            turn(1000 / sites > 0 ? 1000 / sites : 0);
        }
    turn(2000);
    std::printf("%d state changes a second for 10 s: %ld of %d received, delay median %.2f ms, p99 %.2f ms\n", sites,
                assistant.received - before, sent, percentile(assistant.delays, 0.5),
                percentile(assistant.delays, 0.99));

    Subscriber late;
    late.client = connectClient("late", port, &late);
    subscribe(late);
    waited.restart();
    while (late.topics.size() < expected && waited.elapsed() < 60000) {
        mosquitto_loop(late.client, 1, 1);
        turn(0);
    }
    std::printf("a subscriber that came late had all retained topics after %.2f s\n", waited.elapsed() / 1000.0);
    std::printf("broker resident memory with %d sites: %ld KiB\n", sites, rssKiB(broker.processId()));
    for (mosquitto* c : clients)
        mosquitto_destroy(c);
    mosquitto_destroy(assistant.client);
    mosquitto_destroy(late.client);
    return 0;
}
