// zq40d's MQTT figures against an emulated unit and a mosquitto started
// here on loopback, the service in a process of its own:
//  - a command published on the set topic to its block on the unit's wire,
//    median and 99th percentile;
//  - a report of the unit to its state topic, median and 99th percentile.
// Run under umockdev-wrapper.
#include <zq40emu/zq40emu.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

struct Watcher {
    mosquitto* client = nullptr;
    QByteArray state;
    Clock::time_point stateAt;
};

// Turns the watcher's traffic until `done` holds or `ms` passed.
bool until(Watcher& w, const std::function<bool()>& done, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms)
        mosquitto_loop(w.client, 1, 1);
    return done();
}

void print(const char* what, const std::vector<double>& v)
{
    std::printf("%-44s (%zu) median %6.2f ms, p99 %6.2f ms\n", what, v.size(), percentile(v, 0.5), percentile(v, 0.99));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const quint16 brokerPort = freePort();
    QFile brokerConf(dir.filePath(QStringLiteral("mosquitto.conf")));
    QFile conf(dir.filePath(QStringLiteral("zq40d.conf")));
    if (!brokerConf.open(QIODevice::WriteOnly) || !conf.open(QIODevice::WriteOnly))
        return 1;
    brokerConf.write("listener " + QByteArray::number(brokerPort) + " 127.0.0.1\nallow_anonymous true\n");
    brokerConf.close();
    conf.write("[listen]\naddress=127.0.0.1\nport=0\n[state]\nfolder=state\n[lending]\nname=zq40d-mqtt-figures\n"
               "[mqtt]\nbroker=mqtt://127.0.0.1:" +
               QByteArray::number(brokerPort) + "\nsite=bench\nrole=installer\n");
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), brokerConf.fileName()});
    if (!broker.waitForStarted()) {
        std::printf("MQTT figures: no mosquitto here\n");
        return 0;
    }

    zq40emu::Testbed bed;
    zq40emu::UnitConfig config;
    config.version = {.word1 = 1, .ser = 52100, .word5 = 0x0101012F};
    config.blocks = zq40emu::factoryBlocks();
    zq40emu::Unit& unit = bed.plug(config);
    QProcess service;
    service.setStandardErrorFile(QProcess::nullDevice()); // its log of every change
    service.start(QStringLiteral(ZQ40D_PATH), {QStringLiteral("--config"), conf.fileName()});
    const auto stop = qScopeGuard([&] {
        service.terminate();
        service.waitForFinished();
        broker.terminate();
        broker.waitForFinished();
    });

    mosquitto_lib_init();
    Watcher w;
    w.client = mosquitto_new("figures", true, &w);
    mosquitto_int_option(w.client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(w.client, [](mosquitto*, void* self, const mosquitto_message* m) {
        auto* w = static_cast<Watcher*>(self);
        w->state = QByteArray(static_cast<const char*>(m->payload), m->payloadlen);
        w->stateAt = Clock::now();
    });
    if (!until(
            w, [&] { return mosquitto_connect(w.client, "127.0.0.1", brokerPort, 30) == MOSQ_ERR_SUCCESS; }, 5000))
        return 1;
    mosquitto_subscribe(w.client, nullptr, "zq40/bench/52100/state", 1);
    if (!until(
            w, [&] { return w.state.contains("\"connected\":true"); }, 15000)) {
        std::fprintf(stderr, "the unit's state did not reach the broker\n");
        return 1;
    }

    const auto written = [](const std::vector<zq40emu::Report>& rs) {
        return std::any_of(rs.begin(), rs.end(), [](const auto& r) { return r.msgId() == 48; });
    };
    std::vector<double> commands, reports;
    for (int i = 0; i < 150; ++i) {
        unit.clearReceived();
        const QByteArray command = "{\"Zone3.Level\": " + QByteArray::number(-10 - i % 20) + "}";
        const auto start = Clock::now();
        mosquitto_publish(w.client, nullptr, "zq40/bench/52100/set", int(command.size()), command.constData(), 1,
                          false);
        QElapsedTimer waited;
        waited.start();
        bool arrived = false;
        while (!arrived && waited.elapsed() < 5000) {
            mosquitto_loop(w.client, 0, 1);
            arrived = unit.waitForReceived(written, std::chrono::milliseconds(1));
        }
        if (!arrived) {
            std::fprintf(stderr, "a command did not reach the unit\n");
            return 1;
        }
        commands.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        // Its answer and state; and within the service's 20 commands a second.
        until(
            w, [] { return false; }, 55);
    }
    for (int i = 0; i < 100; ++i) {
        std::vector<uint8_t> levels = unit.block(16);
        levels[4] = uint8_t(-1 - i % 30);
        unit.setBlock(16, levels);
        w.state.clear();
        const auto start = Clock::now();
        unit.pushBlock(16);
        const auto reported = [&w, i] {
            const QJsonObject state = QJsonDocument::fromJson(w.state).object();
            return state["settings"]["Zone1"]["Level"].toInt() == -1 - i % 30;
        };
        if (!until(w, reported, 5000)) {
            std::fprintf(stderr, "a report did not reach the state topic\n");
            return 1;
        }
        reports.push_back(std::chrono::duration<double, std::milli>(w.stateAt - start).count());
    }
    print("MQTT command to its block on the wire", commands);
    print("unit's report to its MQTT state topic", reports);
    mosquitto_destroy(w.client);
    return 0;
}
