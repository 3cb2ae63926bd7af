// zq40d's commands as an installer runs them, and its configuration file:
// secrets kept private and only as hashes, the version as zq40ctl gives it,
// loopback until a PIN is set, mistakes in the file refused, the wait
// after wrong PINs growing to its limit, and the scenes a start-up catches
// up on.
#include "daemon_config.h"
#include "peer_rights.h"
#include "scene_schedule.h"
#include "secret_store.h"
#include "throttle.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QScopeGuard>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zq40::daemon;

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

class Zq40dCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString config;

    Run zq40d(const QStringList& arguments, const QByteArray& input = {})
    {
        return run(QStringLiteral(ZQ40D_PATH), QStringList{"--config", config} + arguments, input);
    }

    bool writeConfig(const QByteArray& text)
    {
        QFile f(config);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    }

private slots:
    void initTestCase()
    {
        config = dir.filePath(QStringLiteral("zq40d.conf"));
        QVERIFY(writeConfig("[listen]\naddress=192.0.2.7\nport=8123\n[state]\nfolder=state\n"
                            "[staff]\nzones=3, 4\nscenes=true\n[zone3]\nsources=1,2\n"
                            "[schedule]\ntimezone=Europe/Berlin\ncatch_up=true\n"
                            "[schedule.night]\nscene=Closed Hours\nunit=51002\ntime=02:30\ndays=sat, sun\n"
                            "except=2026-03-29, 2026-12-26\n[schedule.day]\nscene=Day\ntime=08:00\n"));
    }

    void versionNamesTheCatalogueAsZq40ctlDoes()
    {
        const QList<QByteArray> mine = run(QStringLiteral(ZQ40D_PATH), {"--version"}).out.split('\n');
        const QList<QByteArray> ctl = run(QStringLiteral(ZQ40CTL_PATH), {"--version"}).out.split('\n');
        QVERIFY(mine.size() > 1 && mine[0].startsWith("zq40d "));
        QCOMPARE(mine[1], ctl[1]);
        QVERIFY(mine[1].startsWith("firmware catalogue: "));
    }

    void theFileIsReadAndItsMistakesRefused()
    {
        DaemonConfig c;
        QString error;
        QVERIFY2(readConfig(config, c, error), qPrintable(error));
        QCOMPARE(c.port, quint16(8123));
        QCOMPARE(c.stateFolder, dir.filePath(QStringLiteral("state")));
        QCOMPARE(c.staffZones.size(), size_t(2));
        QCOMPARE(c.staffZone(3)->sources, (std::vector<int>{1, 2}));
        QVERIFY(c.staffZone(4)->sources.empty() && !c.staffZone(1));
        QCOMPARE(listenAddress(c, false), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(listenAddress(c, true), QHostAddress(QStringLiteral("192.0.2.7")));
        QVERIFY(c.staffScenes && c.schedule.catchUp);
        QCOMPARE(c.schedule.timeZone.id(), QByteArray("Europe/Berlin"));
        QCOMPARE(c.schedule.entries.size(), size_t(2));
        const SceneScheduleEntry& night =
            c.schedule.entries[1].name == "night" ? c.schedule.entries[1] : c.schedule.entries[0];
        QCOMPARE(night.scene, QStringLiteral("Closed Hours"));
        QCOMPARE(night.unit, 51002u);
        QCOMPARE(night.days, QList<int>({6, 7}));
        QCOMPARE(night.except, QList<QDate>({QDate(2026, 3, 29), QDate(2026, 12, 26)}));
        QCOMPARE(c.schedule.entries[night.name == c.schedule.entries[0].name ? 1 : 0].unit, 0u); // all

        QVERIFY(!c.mqtt);
        const QString broker = dir.filePath(QStringLiteral("broker.conf"));
        QFile withBroker(broker);
        QVERIFY(withBroker.open(QIODevice::WriteOnly));
        withBroker.write("[mqtt]\nbroker=mqtts://broker.example:8884\nca=ca.pem\nuser=lobby\npassword=x\n"
                         "site=lobby\nrole=installer\n");
        withBroker.close();
        QVERIFY2(readConfig(broker, c, error), qPrintable(error));
        QVERIFY(c.mqtt && c.mqtt->tls && c.mqtt->port == 8884 && c.mqtt->role == Role::Installer);
        QCOMPARE(c.mqtt->caFile, dir.filePath(QStringLiteral("ca.pem")));
        QCOMPARE(c.mqtt->root + c.mqtt->discovery, QStringLiteral("zq40homeassistant"));

        const QString bad = dir.filePath(QStringLiteral("bad.conf"));
        for (const QByteArray& text :
             {QByteArray("[listen]\nport=70000\n"), QByteArray("[staff]\nzones=3,7\n"),
              QByteArray("[staff]\nzones=3\n[zone3]\nsources=1,9\n"), QByteArray("[staff]\nzone=3\n"),
              QByteArray("[listen]\naddress=hall\n"), QByteArray("[tls]\ncertificate=cert.pem\n"),
              QByteArray("[mqtt]\nbroker=http://b:1883\nsite=a\n"), QByteArray("[mqtt]\nbroker=mqtt://b\nsite=a/+\n"),
              QByteArray("[mqtt]\nbroker=mqtts://b\nsite=a\n"), QByteArray("[mqtt]\nbroker=mqtt://b\nsite=a\nrole=x\n"),
              QByteArray("[mqtt]\nbroker=mqtt://b\nsite=a\nuser=u\n"),
              QByteArray("[staff]\nscenes=yes\n"), QByteArray("[schedule]\ntimezone=Mars/Olympus\n"),
              QByteArray("[schedule.a]\nscene=Day\ntime=8:00 pm\n"), QByteArray("[schedule.a]\ntime=08:00\n"),
              QByteArray("[schedule.a]\nscene=Day\ntime=08:00\ndays=mon,mon\n"),
              QByteArray("[schedule.a]\nscene=Day\ntime=08:00\nexcept=2026-3-1\n"),
              QByteArray("[schedule.a]\nscene=Day\ntime=08:00\nunit=hall\n"),
              QByteArray("[schedule.a]\nscene=Day\ntime=08:00\nwhen=now\n")}) {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size());
            f.close();
            QVERIFY2(!readConfig(bad, c, error), text.constData());
        }
        QCOMPARE(run(QStringLiteral(ZQ40D_PATH), {"--config", bad}).code, 1);
    }

    // The runs themselves, across summer time, are the API test's.
    void startUpCatchesUpOnlyTheLastRunDueTodayForEachUnit()
    {
        ScheduleConfig schedules;
        schedules.timeZone = QTimeZone("Europe/Berlin");
        const auto entry = [](const char* name, uint32_t unit, QTime time, QList<QDate> except = {}) {
            return SceneScheduleEntry{name, name, unit, time, {1, 2, 3, 4, 5, 6, 7}, except};
        };
        const QDate today(2026, 6, 1);
        schedules.entries = {entry("Day", 0, QTime(8, 0)), entry("Evening", 0, QTime(18, 0)),
                             entry("Late", 0, QTime(23, 0)), entry("Bar", 7, QTime(17, 0)),
                             entry("Skipped", 7, QTime(18, 30), {today})};
        const QDateTime now(today, QTime(19, 0), schedules.timeZone);
        const auto started = [&](bool catchUp) {
            schedules.catchUp = catchUp;
            QStringList ran;
            SceneSchedule s(
                schedules, [&] { return now.toUTC(); }, [&](const SceneScheduleEntry& e) { ran << e.scene; });
            s.start();
            return std::pair{ran, s.nextRuns()};
        };
        const auto [caughtUp, next] = started(true);
        QCOMPARE(caughtUp, QStringList({"Evening", "Bar"}));
        QCOMPARE(next[1], QDateTime(today.addDays(1), QTime(18, 0), schedules.timeZone).toUTC());
        QCOMPARE(next[4], QDateTime(today.addDays(1), QTime(18, 30), schedules.timeZone).toUTC());
        QCOMPARE(started(false).first, QStringList());
    }

    void aRunComesOnceOnItsDaysWhateverTheClockDoes()
    {
        const QTimeZone berlin("Europe/Berlin");
        const SceneScheduleEntry weekend{"night", "Closed", 0, QTime(2, 30), {6, 7}, {QDate(2026, 3, 28)}};
        // Saturday excepted, Sunday's 02:30 skipped by summer time.
        QCOMPARE(SceneSchedule::nextRun(weekend, berlin, QDateTime(QDate(2026, 3, 27), QTime(12, 0), berlin)),
                 QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC));
        QCOMPARE(SceneSchedule::dueOn(weekend, berlin, QDate(2026, 3, 30)), std::nullopt); // a Monday

        // Run, then the clock set back an hour: not again today.
        ScheduleConfig config{{weekend}, berlin, false};
        QDateTime base(QDate(2026, 4, 4), QTime(2, 29, 59, 800), berlin);
        QElapsedTimer since;
        since.start();
        int runs = 0;
        SceneSchedule s(config, [&] { return base.toUTC().addMSecs(since.elapsed()); }, [&](auto&) { ++runs; });
        s.start();
        QTRY_COMPARE(runs, 1);
        const QDateTime tomorrow(QDate(2026, 4, 5), QTime(2, 30), berlin);
        QCOMPARE(s.nextRuns().front(), tomorrow.toUTC());
        base = base.addSecs(-3600);
        s.timeJumped();
        QCOMPARE(s.nextRuns().front(), tomorrow.toUTC());
        QTest::qWait(500);
        QCOMPARE(runs, 1);
    }

    void wrongPinsDoubleTheWaitUpToAnHour()
    {
        qint64 now = 0;
        Throttle throttle([&now] { return now; });
        const QString from = QStringLiteral("192.0.2.9");
        for (int i = 1; i < Throttle::kFreeFailures; ++i)
            throttle.failed(from);
        QCOMPARE(throttle.secondsRefused(from), 0);
        QList<int> waits;
        for (int i = 0; i < 9; ++i) {
            throttle.failed(from);
            waits << throttle.secondsRefused(from);
            now += qint64(waits.back()) * 1000;
            QCOMPARE(throttle.secondsRefused(from), 0);
        }
        QCOMPARE(waits, (QList<int>{30, 60, 120, 240, 480, 960, 1920, 3600, 3600}));
        QCOMPARE(throttle.secondsRefused(QStringLiteral("192.0.2.10")), 0);
    }

    void secretsAreKeptOnlyAsHashesThatOnlyThisUserReads()
    {
        QCOMPARE(zq40d({"set-pin"}, "12\n").code, 1);
        QCOMPARE(zq40d({"set-pin"}, "482913\n").code, 0);
        const Run added = zq40d({"add-token", "bar", "--role", "staff"});
        QCOMPARE(added.code, 0);
        const QByteArray token = added.out.trimmed();
        QCOMPARE(zq40d({"add-token", "desk", "--role", "owner"}).code, 1);
        QCOMPARE(zq40d({"add-token", "bad name", "--role", "staff"}).code, 1);

        SecretStore store(dir.filePath(QStringLiteral("state")));
        QString error;
        QVERIFY(store.load(error));
        QVERIFY(store.checkPin("482913") && !store.checkPin("482914"));
        QVERIFY(store.checkToken(token) && store.checkToken(token)->role == Role::Staff);
        QFile file(store.filePath());
        namespace fs = std::filesystem;
        QCOMPARE(fs::status(file.fileName().toStdString()).permissions(),
                 fs::perms::owner_read | fs::perms::owner_write);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray kept = file.readAll();
        QVERIFY(!kept.contains("482913") && !kept.contains(token.mid(17)));
        QCOMPARE(kept.count("$argon2id$"), 2);

        // Hashes others may read are refused, not used.
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ReadOther));
        const Run exposed = zq40d({"remove-token", "bar"});
        QCOMPARE(exposed.code, 1);
        QVERIFY2(exposed.err.contains("may be read by others"), exposed.err.constData());
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(zq40d({"remove-token", "bar"}).code, 0);
        QCOMPARE(zq40d({"remove-token", "bar"}).code, 1);
        QVERIFY(store.load(error) && !store.checkToken(token) && store.hasPin());
    }

    // The service lends its units only to one who could open them anyway.
    void aBorrowerNeedsTheRightsToTheNodes()
    {
        int pair[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) == 0);
        Peer me;
        QVERIFY(peerOf(pair[0], me));
        ::close(pair[0]);
        ::close(pair[1]);
        QCOMPARE(me.uid, ::getuid());
        QCOMPARE(me.groups.front(), ::getgid());

        const std::string node = dir.filePath(QStringLiteral("hidraw")).toStdString();
        QFile(QString::fromStdString(node)).open(QIODevice::WriteOnly);
        const Peer stranger{0, me.uid + 4242, {me.groups.front() + 4242}, {}};
        const Peer member{0, me.uid + 4242, {me.groups.front() + 4242, ::getgid()}, {}};
        const Peer root{0, 0, {0}, {}};
        ::chmod(node.c_str(), 0600);
        QVERIFY(!peerMayOpen(stranger, node) && !peerMayOpen(member, node) && peerMayOpen(root, node));
        QCOMPARE(peerMayOpen(me, node), true);
        ::chmod(node.c_str(), 0640);
        QVERIFY(!peerMayOpen(member, node) && peerMayOpen(me, node));
        ::chmod(node.c_str(), 0660);
        QVERIFY(peerMayOpen(member, node) && !peerMayOpen(stranger, node));
        ::chmod(node.c_str(), 0606);
        QVERIFY(peerMayOpen(stranger, node));
        QVERIFY(!peerMayOpen(root, node + ".gone"));
    }

    // With the PIN set above: HTTPS with the pair the README makes, the
    // session cookie only for it, and a key it cannot use refused at start.
    void aCertificateAndKeyMakeItServeHttpsOnly()
    {
        QVERIFY(
            run(QStringLiteral("openssl"),
                {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                 "-subj", "/CN=localhost", "-keyout", dir.filePath("key.pem"), "-out", dir.filePath("cert.pem")})
                .code == 0);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QByteArray port = QByteArray::number(probe.serverPort());
        probe.close();
        QVERIFY(writeConfig("[listen]\naddress=127.0.0.1\nport=" + port +
                            "\n[state]\nfolder=state\n[tls]\ncertificate=cert.pem\nkey=key.pem\n"));
        QProcess service;
        service.start(QStringLiteral(ZQ40D_PATH), {"--config", config});
        QVERIFY(service.waitForStarted());
        const auto stop = qScopeGuard([&service] {
            service.kill();
            service.waitForFinished();
        });

        QNetworkAccessManager client;
        client.setProxy(QNetworkProxy::NoProxy);
        const auto post = [&](const QString& scheme) {
            QNetworkRequest request(QUrl(scheme + "://127.0.0.1:" + port + "/api/v1/session"));
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            QNetworkReply* reply = client.post(request, QByteArray("{\"pin\": \"482913\"}"));
            connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
            QSignalSpy(reply, &QNetworkReply::finished).wait(10000);
            reply->deleteLater();
            return reply;
        };
        QNetworkReply* secure = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((secure = post("https"))->error() == QNetworkReply::NoError, 10000);
        QVERIFY(secure->rawHeader("Set-Cookie").endsWith("; HttpOnly; SameSite=Strict; Secure"));
        QCOMPARE(secure->sslConfiguration().peerCertificate(),
                 QSslCertificate::fromPath(dir.filePath("cert.pem")).value(0));
        QVERIFY(post("http")->attribute(QNetworkRequest::HttpStatusCodeAttribute).isNull());

        QVERIFY(writeConfig("[listen]\nport=" + port +
                            "\n[state]\nfolder=state\n[tls]\ncertificate=cert.pem\nkey=cert.pem\n"));
        const Run refused = zq40d({});
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains("holds no PEM private key"), refused.err.constData());
    }
};

QTEST_GUILESS_MAIN(Zq40dCommandsTest)
#include "zq40d_commands_test.moc"
