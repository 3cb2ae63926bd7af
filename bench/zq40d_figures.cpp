// zq40d's figures against an emulated unit, the service in a process of its
// own as a venue runs it:
//  - a staff edit (PATCH) to its block on the unit's wire: median and worst;
//  - a report of the unit to all of 100 open event sockets: 99th percentile
//    of the time to each client (goal 50 ms);
//  - wrk against GET settings for 10 s, when wrk is installed;
//  - resident memory and CPU over 10 s idle with 200 open event sockets;
//  - the staff page's bytes on first load.
// Run under umockdev-wrapper.
#include "secret_store.h"

#include <zq40emu/zq40emu.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// VmRSS in KiB, and user plus system CPU in clock ticks, of a process.
long rssKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

long cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : 0;
}

class Bench {
public:
    Bench(QString base, QByteArray token)
        : base(std::move(base))
        , token(std::move(token))
    {
        client.setProxy(QNetworkProxy::NoProxy);
    }

    QNetworkReply* send(const QByteArray& method, const QString& path, const QByteArray& body = {})
    {
        QNetworkRequest request(QUrl(base + path));
        request.setRawHeader("Authorization", "Bearer " + token);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply* reply = client.sendCustomRequest(request, method, body);
        if (!reply->isFinished())
            QSignalSpy(reply, &QNetworkReply::finished).wait(10000);
        reply->deleteLater();
        return reply;
    }

    std::unique_ptr<QWebSocket> events()
    {
        auto socket = std::make_unique<QWebSocket>();
        QNetworkRequest request(QUrl(QString(base).replace(QStringLiteral("http:"), QStringLiteral("ws:")) +
                                     QStringLiteral("/api/v1/events")));
        request.setRawHeader("Authorization", "Bearer " + token);
        socket->open(request);
        return socket;
    }

    QString base;
    QByteArray token;
    QNetworkAccessManager client;
};

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
    conf.write("[listen]\naddress=127.0.0.1\nport=" + QByteArray::number(port) +
               "\n[state]\nfolder=state\n[staff]\nzones=1,2,3\n[zone3]\nsources=1,2\n");
    conf.close();
    QProcess service;
    service.setStandardErrorFile(QProcess::nullDevice()); // its log of every change
    service.start(QStringLiteral(ZQ40D_PATH), {QStringLiteral("--config"), conf.fileName()});
    const auto stop = qScopeGuard([&service] {
        service.terminate();
        service.waitForFinished();
    });
    Bench bench(QStringLiteral("http://127.0.0.1:%1").arg(port), token);
    const QString settings = QStringLiteral("/api/v1/units/52000/settings");
    for (int i = 0; i < 100 && bench.send("GET", settings)->error() != QNetworkReply::NoError; ++i)
        QThread::msleep(100);

    // An edit to its block on the wire.
    std::vector<double> edits;
    for (int i = 0; i < 50; ++i) {
        unit.clearReceived();
        const auto start = Clock::now();
        bench.client.sendCustomRequest(
            [&] {
                QNetworkRequest r(QUrl(bench.base + settings));
                r.setRawHeader("Authorization", "Bearer " + token);
                return r;
            }(),
            "PATCH", QStringLiteral("{\"Zone3.Level\": %1}").arg(-10 - i % 20).toUtf8());
        // The client's request goes out from this thread's event loop.
        QElapsedTimer waited;
        waited.start();
        bool seen = false;
        while (!seen && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const auto rs = unit.received();
            seen = std::any_of(rs.begin(), rs.end(), [](const auto& r) { return r.msgId() == 48; });
        }
        if (!seen) {
            std::fprintf(stderr, "an edit did not reach the unit\n");
            return 1;
        }
        edits.push_back(ms(Clock::now() - start));
        QCoreApplication::processEvents();
        QThread::msleep(20);
        QCoreApplication::processEvents();
    }
    std::printf("PATCH to its block on the wire (%zu)     median %7.2f ms, worst %7.2f ms\n", edits.size(),
                percentile(edits, 0.5), percentile(edits, 1.0));

    // A unit's report to 100 clients.
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    for (int i = 0; i < 100; ++i)
        sockets.push_back(bench.events());
    std::vector<double> arrivals;
    Clock::time_point pushed;
    for (auto& s : sockets)
        QObject::connect(s.get(), &QWebSocket::textMessageReceived,
                         [&] { arrivals.push_back(ms(Clock::now() - pushed)); });
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 5000 && std::any_of(sockets.begin(), sockets.end(), [](const auto& s) {
               return s->state() != QAbstractSocket::ConnectedState;
           }))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::vector<uint8_t> levels = unit.block(16);
    for (int round = 0; round < 20; ++round) {
        const size_t before = arrivals.size();
        levels[20] = uint8_t(-5 - round % 10);
        unit.setBlock(16, levels);
        pushed = Clock::now();
        unit.pushBlock(16);
        wait.restart();
        while (arrivals.size() < before + sockets.size() && wait.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::printf("report to 100 event sockets (%zu)     p99 %7.2f ms, median %7.2f ms (goal p99 <= 50)\n",
                arrivals.size(), arrivals.empty() ? 0.0 : percentile(arrivals, 0.99),
                arrivals.empty() ? 0.0 : percentile(arrivals, 0.5));

    // Load from a second process.
    const QString wrk = QStandardPaths::findExecutable(QStringLiteral("wrk"));
    if (wrk.isEmpty()) {
        std::printf("wrk: not installed\n");
    } else {
        QProcess load;
        load.start(wrk,
                   {"-t2", "-c16", "-d10s", "-H", "Authorization: Bearer " + QString::fromLatin1(token),
                    bench.base + settings});
        load.waitForFinished(60000);
        std::printf("wrk -t2 -c16 -d10s GET settings:\n%s", load.readAllStandardOutput().constData());
    }

    // Idle with 200 clients.
    for (int i = 0; i < 100; ++i)
        sockets.push_back(bench.events());
    wait.restart();
    while (wait.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const long open = std::count_if(sockets.begin(), sockets.end(),
                                    [](const auto& s) { return s->state() == QAbstractSocket::ConnectedState; });
    const long ticks = cpuTicks(service.processId());
    wait.restart();
    while (wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    const double cpu = 100.0 * double(cpuTicks(service.processId()) - ticks) / double(sysconf(_SC_CLK_TCK)) / 10.0;
    std::printf("idle, %ld event sockets open              resident %ld KiB, CPU %.2f %% over 10 s\n", open,
                rssKiB(service.processId()), cpu);
    sockets.clear();

    // The staff page on first load: the page and what it names of its own.
    QNetworkReply* page = bench.send("GET", QStringLiteral("/"));
    if (page->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) {
        std::printf("staff page: not served\n");
        return 0;
    }
    const QByteArray html = page->readAll();
    qint64 bytes = html.size();
    int fetched = 1;
    static const QRegularExpression asset(QStringLiteral("(?:src|href)=\"(/[^\"]*)\""));
    for (auto m = asset.globalMatch(QString::fromUtf8(html)); m.hasNext();) {
        QNetworkReply* r = bench.send("GET", m.next().captured(1));
        bytes += r->readAll().size();
        ++fetched;
    }
    std::printf("staff page, first load                   %lld bytes in %d files\n", static_cast<long long>(bytes),
                fetched);
    return 0;
}
