// zq40d's figures against an emulated unit, the service in a process of its
// own as a venue runs it:
//  - a staff edit (PATCH) to its block on the unit's wire: median and worst;
//  - a report of the unit to all of 100 open event sockets: 99th percentile
//    of the time to each client (goal 50 ms);
//  - wrk against GET settings for 10 s, when wrk is installed;
//  - resident memory and CPU over 10 s idle with 200 open event sockets;
//  - the staff page's bytes on first load;
//  - with mosquitto installed, started here: a command on a unit's MQTT set
//    topic to its block on the wire, and a report of the unit to its state
//    topic, median and 99th percentile.
// Run under umockdev-wrapper.
#include "process_figures.h"
#include "secret_store.h"

#include <zq40emu/zq40emu.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebSocket>

#include <mosquitto.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// User plus system CPU in clock ticks, of a process.
long cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : 0;
}

// Runs this thread's events until `done` holds or `ms` passed.
bool runUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

struct Client {
    QString base; // "://127.0.0.1:PORT"
    QByteArray token;
    QNetworkAccessManager manager;

    QNetworkRequest request(const QString& path, const char* scheme = "http")
    {
        QNetworkRequest r(QUrl(QString::fromLatin1(scheme) + base + path));
        r.setRawHeader("Authorization", "Bearer " + token);
        return r;
    }

    // An answered GET's body.
    QByteArray get(const QString& path, int* status = nullptr)
    {
        QNetworkReply* reply = manager.get(request(path));
        runUntil([reply] { return reply->isFinished(); }, 10000);
        reply->deleteLater();
        if (status)
            *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        return reply->readAll();
    }

    std::unique_ptr<QWebSocket> events()
    {
        auto socket = std::make_unique<QWebSocket>();
        socket->open(request(QStringLiteral("/api/v1/events"), "ws"));
        return socket;
    }
};

// Commands by MQTT to the wire, and reports to the state topic, from a
// client with a network thread of its own.
bool mqttFigures(zq40emu::Unit& unit, quint16 brokerPort, const std::function<bool()>& wrote)
{
    struct State {
        std::mutex lock;
        QByteArray payload;
        Clock::time_point at;
    } state;
    mosquitto_lib_init();
    mosquitto* client = mosquitto_new("figures", true, &state);
    const auto destroy = qScopeGuard([client] {
        mosquitto_loop_stop(client, true);
        mosquitto_destroy(client);
    });
    mosquitto_message_callback_set(client, [](mosquitto*, void* self, const mosquitto_message* m) {
        auto* s = static_cast<State*>(self);
        const std::lock_guard hold(s->lock);
        s->payload = QByteArray(static_cast<const char*>(m->payload), m->payloadlen);
        s->at = Clock::now();
    });
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    if (mosquitto_connect(client, "127.0.0.1", brokerPort, 30) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(client, nullptr, "zq40/bench/52000/state", 1) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "cannot reach the broker\n");
        return false;
    }
    const auto level = [&state](int wanted) {
        const std::lock_guard hold(state.lock);
        const QJsonObject s = QJsonDocument::fromJson(state.payload).object();
        return s["connected"].toBool() && (wanted > 0 || s["settings"]["Zone1"]["Level"].toInt() == wanted);
    };
    runUntil([&] { return level(1); }, 10000);
    std::vector<double> commands, reports;
    // Within the service's 20 commands a second.
    for (int i = 0; i < 100; ++i) {
        unit.clearReceived();
        const QByteArray command = "{\"Zone3.Level\": " + QByteArray::number(-10 - i % 20) + "}";
        const auto start = Clock::now();
        mosquitto_publish(client, nullptr, "zq40/bench/52000/set", int(command.size()), command.constData(), 1, false);
        if (!wrote()) {
            std::fprintf(stderr, "an MQTT command did not reach the unit\n");
            return false;
        }
        commands.push_back(ms(Clock::now() - start));
        runUntil([] { return false; }, 55);
    }
    std::vector<uint8_t> levels = unit.block(16);
    for (int i = 0; i < 100; ++i) {
        levels[4] = uint8_t(-1 - i % 30);
        unit.setBlock(16, levels);
        const auto start = Clock::now();
        unit.pushBlock(16);
        if (!runUntil([&] { return level(-1 - i % 30); }, 5000)) {
            std::fprintf(stderr, "a report did not reach the state topic\n");
            return false;
        }
        const std::lock_guard hold(state.lock);
        reports.push_back(ms(state.at - start));
    }
    std::printf("MQTT command to its block on the wire (%zu) median %7.2f ms, p99 %7.2f ms\n", commands.size(),
                percentile(commands, 0.5), percentile(commands, 0.99));
    std::printf("unit's report to its MQTT state (%zu)  median %7.2f ms, p99 %7.2f ms\n", reports.size(),
                percentile(reports, 0.5), percentile(reports, 0.99));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    zq40emu::Testbed bed;
    zq40emu::UnitConfig config;
    config.version = {.word1 = 1, .ser = 52000, .word5 = 0x0101012F};
    config.blocks = zq40emu::factoryBlocks();
    zq40emu::Unit& unit = bed.plug(config);

    QTemporaryDir dir;
    zq40::daemon::SecretStore secrets(dir.filePath(QStringLiteral("state")));
    secrets.setPin("2468");
    const QByteArray token = secrets.addToken(QStringLiteral("bench"), zq40::daemon::Role::Installer);
    QString error;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath(QStringLiteral("zq40d.conf")));
    if (!secrets.save(error) || !conf.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write the service's files\n");
        return 1;
    }
    // The broker too, when there is one.
    probe.listen(QHostAddress::LocalHost);
    const quint16 brokerPort = probe.serverPort();
    probe.close();
    QFile brokerConf(dir.filePath(QStringLiteral("mosquitto.conf")));
    brokerConf.open(QIODevice::WriteOnly);
    // As data/mosquitto/ has it: commands are not held back for acknowledgements.
    brokerConf.write("listener " + QByteArray::number(brokerPort) +
                     " 127.0.0.1\nallow_anonymous true\nset_tcp_nodelay true\n");
    brokerConf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), brokerConf.fileName()});
    const bool mqtt = broker.waitForStarted();
    conf.write("[listen]\naddress=127.0.0.1\nport=" + QByteArray::number(port) +
               "\n[state]\nfolder=state\n[staff]\nzones=1,2,3\n[zone3]\nsources=1,2\n");
    if (mqtt)
        conf.write("[mqtt]\nbroker=mqtt://127.0.0.1:" + QByteArray::number(brokerPort) +
                   "\nsite=bench\nrole=installer\n");
    conf.close();
    QProcess service;
    service.setStandardErrorFile(QProcess::nullDevice()); // its log of every change
    service.start(QStringLiteral(ZQ40D_PATH), {QStringLiteral("--config"), conf.fileName()});
    const auto stop = qScopeGuard([&service, &broker] {
        service.terminate();
        service.waitForFinished();
        broker.terminate();
        broker.waitForFinished();
    });
    Client client;
    client.base = QStringLiteral("://127.0.0.1:%1").arg(port);
    client.token = token;
    client.manager.setProxy(QNetworkProxy::NoProxy);
    const QString settings = QStringLiteral("/api/v1/units/52000/settings");
    int status = 0;
    runUntil([&] { return client.get(settings, &status), status == 200; }, 10000);

    // An edit to its block on the wire.
    std::vector<double> edits;
    // The request goes out from this thread's events; the unit's wire is
    // watched between them, a millisecond at a time.
    const auto wrote = [&unit] {
        const auto written = [](const std::vector<zq40emu::Report>& rs) {
            return std::any_of(rs.begin(), rs.end(), [](const auto& r) { return r.msgId() == 48; });
        };
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            QCoreApplication::processEvents();
            if (unit.waitForReceived(written, std::chrono::milliseconds(1)))
                return true;
        }
        return false;
    };
    for (int i = 0; i < 50; ++i) {
        unit.clearReceived();
        const auto start = Clock::now();
        client.manager.sendCustomRequest(client.request(settings), "PATCH",
                                         QStringLiteral("{\"Zone3.Level\": %1}").arg(-10 - i % 20).toUtf8());
        if (!wrote()) {
            std::fprintf(stderr, "an edit did not reach the unit\n");
            return 1;
        }
        edits.push_back(ms(Clock::now() - start));
        runUntil([] { return false; }, 20); // its answer
    }
    std::printf("PATCH to its block on the wire (%zu)     median %7.2f ms, worst %7.2f ms\n", edits.size(),
                percentile(edits, 0.5), percentile(edits, 1.0));
    if (mqtt && !mqttFigures(unit, brokerPort, wrote))
        return 1;

    // A unit's report to 100 clients.
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    const auto openSockets = [&sockets] {
        return long(std::count_if(sockets.begin(), sockets.end(),
                                  [](const auto& s) { return s->state() == QAbstractSocket::ConnectedState; }));
    };
    std::vector<double> arrivals;
    Clock::time_point pushed;
    for (int i = 0; i < 100; ++i) {
        sockets.push_back(client.events());
        QObject::connect(sockets.back().get(), &QWebSocket::textMessageReceived,
                         [&] { arrivals.push_back(ms(Clock::now() - pushed)); });
    }
    runUntil([&] { return openSockets() == 100; }, 5000);
    std::vector<uint8_t> levels = unit.block(16);
    for (int round = 0; round < 20; ++round) {
        const size_t expected = arrivals.size() + sockets.size();
        levels[20] = uint8_t(-5 - round % 10);
        unit.setBlock(16, levels);
        pushed = Clock::now();
        unit.pushBlock(16);
        runUntil([&] { return arrivals.size() >= expected; }, 2000);
    }
    if (!arrivals.empty())
        std::printf("report to 100 event sockets (%zu)     p99 %7.2f ms, median %7.2f ms (goal p99 <= 50)\n",
                    arrivals.size(), percentile(arrivals, 0.99), percentile(arrivals, 0.5));

    // Load from a second process.
    QProcess wrk;
    wrk.start(QStringLiteral("wrk"),
              {QStringLiteral("-t2"), QStringLiteral("-c16"), QStringLiteral("-d10s"), QStringLiteral("-H"),
               "Authorization: Bearer " + QString::fromLatin1(token), "http" + client.base + settings});
    wrk.waitForFinished(60000);
    std::printf("wrk -t2 -c16 -d10s GET settings:\n%s",
                wrk.error() == QProcess::FailedToStart ? "wrk is not installed\n"
                                                       : wrk.readAllStandardOutput().constData());

    // Idle with 200 clients.
    for (int i = 0; i < 100; ++i)
        sockets.push_back(client.events());
    runUntil([&] { return openSockets() == 200; }, 5000);
    const long ticks = cpuTicks(service.processId());
    runUntil([] { return false; }, 10000);
    const double cpu = 100.0 * double(cpuTicks(service.processId()) - ticks) / double(sysconf(_SC_CLK_TCK)) / 10.0;
    std::printf("idle, %ld event sockets open              resident %ld KiB, CPU %.2f %% over 10 s\n", openSockets(),
                rssKiB(service.processId()), cpu);
    sockets.clear();

    // The staff page on first load: the page and what it names of its own.
    const QByteArray html = client.get(QStringLiteral("/"));
    qint64 bytes = html.size();
    int fetched = 1;
    static const QRegularExpression asset(QStringLiteral("(?:src|href)=\"(/[^\"]*)\""));
    for (auto m = asset.globalMatch(QString::fromUtf8(html)); m.hasNext(); ++fetched)
        bytes += client.get(m.next().captured(1)).size();
    std::printf("staff page, first load                   %lld bytes in %d files\n", static_cast<long long>(bytes),
                fetched);
    return 0;
}
