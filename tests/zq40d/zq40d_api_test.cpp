// zq40d's API with a client in the same process, against emulated units on
// this process's test bed, on loopback only: a PATCH reaches the wire as
// zq40ctl set sends it, refusals send nothing and say what zq40ctl says,
// each role changes what it may and no more, wrong PINs are throttled, and
// every bound answers as it should; a .zq40 file comes and goes as zq40ctl's;
// a scene sends what the window's Open sends, or only the zones' levels,
// when asked and when its schedule says, by a clock the test sets.
#include "parameter_blocks.h"
#include "service.h"
#include "unit_access.h"
#include "written_codes.h"

#include <zq40emu/zq40emu.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QWebSocket>
#include <QtTest>

#include <algorithm>
#include <memory>

#include <sys/prctl.h>
#include <sys/resource.h>

using namespace zq40::daemon;

namespace {

constexpr uint32_t kCarried601 = 0x0101012F;
constexpr uint32_t kOld601 = 0x01010128;
// A name of this test's own, beside any service of the machine.
const QByteArray kLending = "zq40d-api-test-" + QByteArray::number(QCoreApplication::applicationPid());
const QByteArray kReferenceSet = "{\"Zone3.Level\": -20, \"Inputs.Pgm1Level\": -10, \"Zone3.Source\": 2}";

zq40emu::UnitConfig unit(uint32_t serial, uint32_t word5)
{
    zq40::ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText("Hall");
    b.setZonesLinked(3, true); // zones 3 and 4
    b.setZonesLinked(5, true); // zones 5 and 6
    zq40emu::UnitConfig config;
    config.version = {.word1 = 1, .ser = serial, .word5 = word5};
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = b.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}

struct Answer {
    int status = 0;
    QByteArray body;
    QByteArray cookie;
    QByteArray retryAfter;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QJsonObject object() const { return QJsonDocument::fromJson(body).object(); }
};

// Qt writes an element's attributes in an order of its own each run.
QByteArray sorted(QByteArray file)
{
    std::sort(file.begin(), file.end());
    return file;
}

} // namespace

class Zq40dApiTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;
    QTemporaryDir state;
    std::unique_ptr<SecretStore> secrets;
    std::unique_ptr<Service> service;
    QNetworkAccessManager client;
    QByteArray staff, installer;
    qint64 clockMs = 0;
    zq40emu::Unit* hall = nullptr;
    std::vector<int> zq40ctlCodes;
    std::vector<uint8_t> zq40ctlBlock16, zq40ctlBlock3;
    QString zq40ctlRefusal;
    QTemporaryDir files;
    QByteArray zq40ctlSaved, zq40ctlEdited;
    QDateTime wallBase = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    QElapsedTimer wallSince;

    Answer call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& credential = {}, const QByteArray& header = "Authorization")
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(service->port()).arg(path)));
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!credential.isEmpty())
            request.setRawHeader(header, header == "Authorization" ? "Bearer " + credential : credential);
        QNetworkReply* reply = client.sendCustomRequest(request, method, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        const bool finished = reply->isFinished() || done.wait(20000);
        Answer a{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                 reply->rawHeader("Set-Cookie"), reply->rawHeader("Retry-After"), reply->error()};
        reply->deleteLater();
        if (!finished)
            a.status = -1;
        return a;
    }

    // A WebSocket for the events, opened with these headers; false when it
    // did not open.
    bool openEvents(QWebSocket& socket, const Headers& headers)
    {
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/events").arg(service->port())));
        for (const auto& [name, value] : headers)
            request.setRawHeader(name, value);
        QSignalSpy opened(&socket, &QWebSocket::connected);
        socket.open(request);
        return opened.wait(5000);
    }

    // The code a server closes `socket` with.
    static int closedWith(QWebSocket& socket)
    {
        if (socket.state() != QAbstractSocket::UnconnectedState)
            QSignalSpy(&socket, &QWebSocket::disconnected).wait(5000);
        return socket.state() == QAbstractSocket::UnconnectedState ? int(socket.closeCode()) : -1;
    }

    Answer patch(const QByteArray& body, const QByteArray& token, uint32_t serial = 51002)
    {
        hall->clearReceived();
        return call("PATCH", QStringLiteral("/api/v1/units/%1/settings").arg(serial), body, token);
    }

private slots:
    void initTestCase()
    {
        bed = std::make_unique<zq40emu::Testbed>();
        // What zq40ctl sends for the same settings, before this process holds the units.
        zq40emu::Unit& reference = bed->plug(unit(51001, kCarried601));
        reference.clearReceived();
        QProcess ctl;
        ctl.start(QStringLiteral(ZQ40CTL_PATH), {"set", "Zone3.Level=-20", "Inputs.Pgm1Level=-10", "Zone3.Source=2"});
        QVERIFY(ctl.waitForFinished(30000) && ctl.exitCode() == 0);
        zq40ctlCodes = writtenCodes(reference);
        zq40ctlBlock16 = reference.block(16);
        zq40ctlBlock3 = reference.block(3);
        ctl.start(QStringLiteral(ZQ40CTL_PATH), {"set", "Zone3.Level=-25", "Zone1.EQLo=9"});
        QVERIFY(ctl.waitForFinished(30000) && ctl.exitCode() == 1);
        zq40ctlRefusal = QString::fromUtf8(ctl.readAllStandardError()).trimmed().remove(QStringLiteral("zq40ctl: "));
        // Zone 1 and zone 4 (linked with 3) turned down in the file.
        QFile file(files.filePath("hall.zq40"));
        ctl.start(QStringLiteral(ZQ40CTL_PATH), {"save", file.fileName()});
        QVERIFY(ctl.waitForFinished(30000) && ctl.exitCode() == 0 && file.open(QIODevice::ReadOnly));
        zq40ctlSaved = file.readAll();
        const QRegularExpression level("(<Zone[14][^>]* Level=\")[^\"]*");
        zq40ctlEdited = QString::fromUtf8(zq40ctlSaved).replace(level, "\\1-30").toUtf8();
        bed->unplug(reference);

        DaemonConfig config;
        config.address = QHostAddress(QHostAddress::LocalHost);
        config.port = 0;
        config.stateFolder = state.path();
        config.staffZones = {{3, {1, 2}}, {4, {1, 2, 3}}, {5, {1}}};
        config.lendingName = QString::fromLatin1(kLending);
        qputenv(zq40::kLendingNameVariable, kLending);
        secrets = std::make_unique<SecretStore>(state.path());
        secrets->setPin("2468");
        staff = secrets->addToken(QStringLiteral("bar"), Role::Staff);
        installer = secrets->addToken(QStringLiteral("desk"), Role::Installer);
        QString error;
        QVERIFY(secrets->save(error));
        hall = &bed->plug(unit(51002, kCarried601));
        bed->plug(unit(51003, kOld601));
        config.schedule.timeZone = QTimeZone("Europe/Berlin");
        config.schedule.entries = {
            {"night", "Closed", 51002, QTime(2, 30), {1, 2, 3, 4, 5, 6, 7}, {QDate(2026, 3, 30)}},
            {"every", "Closed", 0, QTime(4, 0), {1, 2, 3, 4, 5, 6, 7}, {}}};
        wallSince.start();
        service = std::make_unique<Service>(
            config, *secrets, [this] { return clockMs; }, [this] { return wallBase.addMSecs(wallSince.elapsed()); });
        QVERIFY2(service->start(error), qPrintable(error));
        client.setProxy(QNetworkProxy::NoProxy);
        // Both ends of every connection are in this process.
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    void listAndShowAreWhatZq40ctlPrints()
    {
        const Answer list = call("GET", "/api/v1/units", {}, staff);
        QCOMPARE(list.status, 200);
        const QJsonArray units = QJsonDocument::fromJson(list.body).array();
        QCOMPARE(units.size(), 2);
        QCOMPARE(units[0].toObject().keys(), QStringList({"children", "firmware", "name", "serial", "state"}));
        QCOMPARE(units[1]["state"].toString(), QStringLiteral("outdated"));
        const Answer show = call("GET", "/api/v1/units/51002/settings", {}, installer);
        QCOMPARE(show.status, 200);
        QCOMPARE(show.object()["DeviceName"].toObject()["Name"].toString(), QStringLiteral("Hall"));
        QCOMPARE(show.object()["Zone4"].toObject()["Level"].toInt(), int(int8_t(hall->block(16)[28])));
    }

    void staffSeeTheirZonesAsTheUnitGroupsThem()
    {
        const QJsonObject view = call("GET", "/api/v1/units/51002/staff", {}, staff).object();
        QCOMPARE(view["name"].toString(), QStringLiteral("Hall"));
        const QJsonArray cards = view["cards"].toArray();
        QCOMPARE(cards.size(), 1); // zones 5 and 6 are linked, and zone 6 is not theirs
        QCOMPARE(cards[0]["name"].toString(), QStringLiteral("Zones 3-4"));
        QCOMPARE(cards[0]["level"].toString(), QStringLiteral("Zone3.Level"));
        QCOMPARE(
            cards[0]["sources"].toArray(),
            QJsonArray({QJsonObject{{"value", 1}, {"label", "Pgm 1"}}, QJsonObject{{"value", 2}, {"label", "Pgm 2"}}}));
        QVERIFY(call("GET", "/").body.contains("<script src=\"/staff.js\" defer>"));
        QCOMPARE(call("GET", "/staff.js").status, 200);
        QCOMPARE(call("GET", "/index.html").status, 404);
    }

    void unitsComeAndGoAndReportWhileItRuns()
    {
        zq40emu::Unit& late = bed->plug(unit(51004, kCarried601));
        const QString path = QStringLiteral("/api/v1/units/51004/settings");
        QTRY_COMPARE_WITH_TIMEOUT(call("GET", path, {}, staff).status, 200, 10000);
        std::vector<uint8_t> levels = late.block(16);
        levels[20] = uint8_t(-7); // zone 3, as if its remote turned it down
        late.setBlock(16, levels);
        late.pushBlock(16);
        QTRY_COMPARE(call("GET", path, {}, staff).object()["Zone3"].toObject()["Level"].toInt(), -7);
        bed->unplug(late);
        QTRY_COMPARE(call("GET", path, {}, staff).status, 404);
    }

    void aPatchSendsWhatZq40ctlSetSends()
    {
        QTest::ignoreMessage(QtInfoMsg,
                             "zq40d: installer token desk from 127.0.0.1 changed unit 51002: "
                             "Zone3.Level=-20 Inputs.Pgm1Level=-10 Zone3.Source=2");
        const Answer a = patch(kReferenceSet, installer);
        QCOMPARE(a.status, 200);
        QCOMPARE(writtenCodes(*hall), zq40ctlCodes);
        QCOMPARE(hall->block(16), zq40ctlBlock16);
        QCOMPARE(hall->block(3), zq40ctlBlock3);
        QCOMPARE(a.object()["Zone4"].toObject()["Source"].toInt(), 2); // linked with zone 3
        QCOMPARE(a.object()["Zone3"].toObject()["Level"].toInt(), -20);
    }

    void refusalsSendNothingAndSayWhatZq40ctlSays()
    {
        Answer a = patch("{\"Zone3.Level\": -25, \"Zone1.EQLo\": 9}", installer);
        QCOMPARE(a.status, 422);
        QCOMPARE(a.object()["error"].toString(), zq40ctlRefusal);
        a = patch("{\"Zone3.Levl\": 1}", installer);
        QCOMPARE(a.status, 422);
        QVERIFY(a.object()["error"].toString().contains("did you mean Zone3.Level"));
        QCOMPARE(patch("{\"Zone3.Level\": 2.5}", installer).status, 422);
        QCOMPARE(patch("{\"Zone3.Level\": true}", installer).status, 400);
        QCOMPARE(patch("{\"Zone3.Level\": -20, \"Zone3.Level\": -21}", installer).status, 400);
        QCOMPARE(patch("{\"Zone3.Level\": -20", installer).status, 400);
        QVERIFY(writtenCodes(*hall).empty());
    }

    void aConfigIsTheFileZq40ctlSavesAndLoads()
    {
        const QString path = QStringLiteral("/api/v1/units/51002/config");
        const Answer got = call("GET", path, {}, staff);
        QCOMPARE(got.status, 200);
        QCOMPARE(sorted(got.body), sorted(zq40ctlSaved));
        hall->clearReceived();
        QCOMPARE(call("PUT", path, zq40ctlEdited, staff).status, 403);
        QCOMPARE(call("PUT", "/api/v1/units/51003/config", zq40ctlEdited, installer).status, 409);
        const Answer broken = call("PUT", path, "<Parameters><Zone1 Level=", installer);
        QCOMPARE(broken.status, 422);
        QCOMPARE(broken.object()["error"].toString(), "File Error: Unable to Load from File"); // zq40ctl load's
        QVERIFY(writtenCodes(*hall).empty());
        QTest::ignoreMessage(QtInfoMsg,
                             "zq40d: installer token desk from 127.0.0.1 loaded a configuration onto unit 51002");
        QCOMPARE(call("PUT", path, zq40ctlEdited, installer).status, 200);
        QCOMPARE(writtenCodes(*hall), std::vector<int>(zq40::kOpenConfigSends.begin(), zq40::kOpenConfigSends.end()));
        QCOMPARE(int(int8_t(hall->block(16)[4])), -30);
        QCOMPARE(hall->block(16)[20], hall->block(16)[28]);           // linked zones 3 and 4 agree
        QCOMPARE(call("PUT", path, got.body, installer).status, 200); // what GET gave opens again
    }

    void staffChangeOnlyTheirZonesWithinTheirSources()
    {
        QCOMPARE(patch("{\"Zone4.Level\": -12, \"Zone3.Source\": 1}", staff).status, 200);
        QCOMPARE(int(int8_t(hall->block(16)[28])), -12);
        const QList<QPair<QByteArray, QString>> refused{
            {"{\"Zone1.Level\": -12}", "staff may not change zone 1"},
            {"{\"Zone3.EQLo\": 1}", "staff may not change Zone3.EQLo"},
            {"{\"Zone3.Level\": -12, \"DeviceName.Name\": \"Bar\"}", "staff may not change DeviceName.Name"},
            {"{\"Zone3.Source\": 3}", "staff may not choose source 3 for zone 3"},
            {"{\"Zone4.Source\": 3}", "staff may not choose source 3 for zone 3"},
            {"{\"Zone5.Level\": -12}", "zone 5 is linked with zone 6, which staff may not change"},
        };
        for (const auto& [body, why] : refused) {
            const Answer a = patch(body, staff);
            QCOMPARE(a.status, 403);
            QCOMPARE(a.object()["error"].toString(), why);
            QVERIFY(writtenCodes(*hall).empty());
        }
        QCOMPARE(patch("{\"Zone1.Level\": -12}", installer).status, 200);
        QCOMPARE(patch("{\"Zone1.Level\": -12}", staff, 51003).status, 403);
        QCOMPARE(patch("{\"Zone3.Level\": -12}", staff, 51003).status, 409);
        QCOMPARE(patch("{\"Zone3.Level\": -12}", staff, 51009).status, 404);
    }

    void wrongPinsAreRefusedForLongerEachTime()
    {
        for (int i = 0; i < Throttle::kFreeFailures; ++i)
            QCOMPARE(call("POST", "/api/v1/session", "{\"pin\": \"1357\"}").status, 401);
        Answer a = call("POST", "/api/v1/session", "{\"pin\": \"2468\"}");
        QCOMPARE(a.status, 429);
        QCOMPARE(a.retryAfter, QByteArray("30"));
        clockMs += 30'000;
        QCOMPARE(call("POST", "/api/v1/session", "{\"pin\": \"1357\"}").status, 401);
        a = call("POST", "/api/v1/session", "{\"pin\": \"2468\"}");
        QCOMPARE(a.status, 429);
        QCOMPARE(a.retryAfter, QByteArray("60"));
        clockMs += 60'000;
        a = call("POST", "/api/v1/session", "{\"pin\": \"2468\"}");
        QCOMPARE(a.status, 200);
        QVERIFY2(a.cookie.endsWith("; Path=/; HttpOnly; SameSite=Strict"), a.cookie.constData());
        const QByteArray cookie = a.cookie.left(a.cookie.indexOf(';'));
        QCOMPARE(call("GET", "/api/v1/units", {}, cookie, "Cookie").status, 200);
        QCOMPARE(call("GET", "/api/v1/units", {}, cookie + "0", "Cookie").status, 401);
        hall->clearReceived();
        QCOMPARE(call("PATCH", "/api/v1/units/51002/settings", "{\"Zone2.Level\": -3}", cookie, "Cookie").status, 403);
        // Back to its free tries after a right one.
        QCOMPARE(call("POST", "/api/v1/session", "{\"pin\": \"1357\"}").status, 401);
        QCOMPARE(call("POST", "/api/v1/session", "{\"pin\": \"2468\"}").status, 200);
    }

    void eventsReachThePagesAndClientsThatMayHaveThem()
    {
        const Answer signedIn = call("POST", "/api/v1/session", "{\"pin\": \"2468\"}");
        const QByteArray cookie = signedIn.cookie.left(signedIn.cookie.indexOf(';'));
        const QByteArray page = "http://127.0.0.1:" + QByteArray::number(service->port());
        QWebSocket byToken, byPage(QString::fromLatin1(page));
        QVERIFY(openEvents(byToken, {{"Authorization", "Bearer " + installer}}));
        QVERIFY(openEvents(byPage, {{"Cookie", cookie}}));
        QSignalSpy tokenGot(&byToken, &QWebSocket::textMessageReceived);
        QSignalSpy pageGot(&byPage, &QWebSocket::textMessageReceived);
        QTRY_COMPARE(service->openEventSockets(), 2);
        const auto last = [](const QSignalSpy& got) {
            return QJsonDocument::fromJson(got.last().first().toString().toUtf8()).object();
        };

        // A knob turned on the unit, and a change another client made.
        std::vector<uint8_t> levels = hall->block(16);
        levels[20] = uint8_t(-9);
        hall->setBlock(16, levels);
        hall->pushBlock(16);
        QTRY_COMPARE(pageGot.count(), 1);
        QTRY_COMPARE(tokenGot.count(), 1);
        QCOMPARE(
            last(pageGot),
            QJsonObject(
                {{"event", "block"}, {"serial", 51002}, {"code", 16}, {"settings", QJsonObject{{"Zone3.Level", -9}}}}));
        QCOMPARE(patch("{\"Zone4.Level\": -14}", staff).status, 200);
        QTRY_COMPARE(pageGot.count(), 2);
        QCOMPARE(last(pageGot)["settings"].toObject(), QJsonObject({{"Zone3.Level", -14}, {"Zone4.Level", -14}}));
        QTRY_COMPARE(tokenGot.count(), 2);

        // Turned away: no credentials, a page of another site with the
        // staff's cookie, a cookie without an origin; a client sending
        // more than it may.
        QWebSocket anonymous, elsewhere(QStringLiteral("http://shop.example")), noOrigin;
        QVERIFY(openEvents(anonymous, {}));
        QCOMPARE(closedWith(anonymous), kPolicyViolation);
        QVERIFY(openEvents(elsewhere, {{"Cookie", cookie}}));
        QCOMPARE(closedWith(elsewhere), kPolicyViolation);
        QVERIFY(openEvents(noOrigin, {{"Cookie", cookie}}));
        QCOMPARE(closedWith(noOrigin), kPolicyViolation);
        for (int i = 0; i <= limits::kSocketMessageBurst; ++i)
            byToken.sendTextMessage(QStringLiteral("hello"));
        QCOMPARE(closedWith(byToken), kPolicyViolation);
        QCOMPARE(byPage.state(), QAbstractSocket::ConnectedState);
        byPage.close();
        QTRY_COMPARE(service->openEventSockets(), 0);
    }

    // zq40ctl beside the service: it borrows the units, works as without
    // the service, and the service has them back when it ends. Meanwhile
    // staff are told why they cannot change anything.
    void zq40ctlBorrowsTheUnitsAndTheyComeBack()
    {
        QWebSocket events;
        QVERIFY(openEvents(events, {{"Authorization", "Bearer " + staff}}));
        QStringList kinds;
        connect(&events, &QWebSocket::textMessageReceived, this, [&kinds](const QString& m) {
            kinds << QJsonDocument::fromJson(m.toUtf8()).object()["event"].toString();
        });
        // Holders are told apart by their names: this process is the service.
        prctl(PR_SET_NAME, "zq40d");
        hall->clearReceived();
        QProcess ctl;
        ctl.start(QStringLiteral(ZQ40CTL_PATH), {"set", "51002", "Zone3.Level=-18"});
        QTRY_VERIFY_WITH_TIMEOUT(ctl.state() == QProcess::NotRunning, 30000);
        QCOMPARE(ctl.readAllStandardError(), QByteArray());
        QCOMPARE(ctl.exitCode(), 0);
        QCOMPARE(writtenCodes(*hall), std::vector<int>{16});
        QTRY_COMPARE_WITH_TIMEOUT(
            call("GET", "/api/v1/units/51002/settings", {}, staff).object()["Zone3"].toObject()["Level"].toInt(), -18,
            10000);
        QVERIFY2(kinds.value(0) == "lent" && kinds.contains("returned") && kinds.last() == "unit-arrived",
                 qPrintable(kinds.join(' ')));

        QLocalSocket borrower;
        borrower.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        borrower.connectToServer(QString::fromLatin1(kLending));
        QVERIFY(borrower.waitForConnected(5000));
        borrower.write("lend test\n");
        QTRY_VERIFY(borrower.canReadLine());
        QCOMPARE(borrower.readLine(), QByteArray("lent\n"));
        const Answer busy = patch("{\"Zone3.Level\": -20}", staff);
        QCOMPARE(busy.status, 409);
        QCOMPARE(busy.object()["error"].toString(), QStringLiteral("An installer is working on this unit"));
        // A program that took a unit meanwhile keeps it; the service takes it once that program ends.
        QProcess holder;
        holder.start(QStringLiteral("flock"), {QString::fromStdString(hall->devnode()), "sleep", "2"});
        const auto held = [this] {
            for (const zq40::UnitNode& n : zq40::presentUnitNodes())
                if (n.node == hall->devnode())
                    return !n.otherHolders.empty();
            return false;
        };
        QTRY_VERIFY(held());
        borrower.disconnectFromServer();
        QTRY_COMPARE_WITH_TIMEOUT(patch("{\"Zone3.Level\": -20}", staff).status, 200, 15000);
        QCOMPARE(holder.state(), QProcess::NotRunning);
        prctl(PR_SET_NAME, "zq40d_api_test");
    }

    void scenesAreSavedListedAppliedAndDeleted()
    {
        const auto zone1 = [this] { return int(int8_t(hall->block(16)[4])); };
        QCOMPARE(patch("{\"Zone1.Level\": -6}", installer).status, 200);
        QWebSocket events;
        QVERIFY(openEvents(events, {{"Authorization", "Bearer " + staff}}));
        QSignalSpy got(&events, &QWebSocket::textMessageReceived);
        QCOMPARE(call("POST", "/api/v1/units/51002/scenes/Day", {}, installer).object(),
                 QJsonObject({{"name", "Day"}, {"scope", "all"}}));
        QTRY_COMPARE(got.count(), 1);
        QCOMPARE(got.first().first().toString(), QStringLiteral("{\"event\":\"scenes\"}"));
        QCOMPARE(call("PUT", "/api/v1/scenes/Closed?scope=levels", zq40ctlEdited, installer).status, 201);
        QCOMPARE(call("GET", "/api/v1/scenes", {}, installer).body,
                 QByteArray(R"([{"name":"Closed","scope":"levels"},{"name":"Day","scope":"all"}])"));

        // Only the zones' levels and sources: block 16 alone, linked zones in step.
        QTest::ignoreMessage(QtInfoMsg,
                             "zq40d: installer token desk from 127.0.0.1 applied scene Closed to unit 51002");
        hall->clearReceived();
        QCOMPARE(call("POST", "/api/v1/units/51002/scenes/Closed/apply", {}, installer).status, 200);
        QCOMPARE(writtenCodes(*hall), std::vector<int>{16});
        QCOMPARE(zone1(), -30);
        QCOMPARE(hall->block(16)[20], hall->block(16)[28]);
        hall->clearReceived();
        QCOMPARE(call("POST", "/api/v1/units/51002/scenes/Day/apply", {}, installer).status, 200);
        QCOMPARE(writtenCodes(*hall), std::vector<int>(zq40::kOpenConfigSends.begin(), zq40::kOpenConfigSends.end()));
        QCOMPARE(zone1(), -6);

        hall->clearReceived();
        const QList<QPair<QByteArray, QString>> refused{
            {"PUT /api/v1/scenes/.hidden", "400"},
            {"PUT /api/v1/scenes/Day%20", "400"},
            {"PUT /api/v1/scenes/" + QByteArray(33, 'a'), "400"},
            {"PUT /api/v1/scenes/..%2Fsecrets", "404"},
            {"PUT /api/v1/scenes/D%C3%A4mmerung", "400"},
            {"PUT /api/v1/scenes/Day?scope=some", "400"},
            {"PUT /api/v1/scenes/Broken", "422"},
            {"PUT /api/v1/scenes/day", "422"}, // "Day" in other case
            {"POST /api/v1/units/51002/scenes/Nothing/apply", "404"},
            {"POST /api/v1/units/51003/scenes/Day/apply", "409"},
            {"POST /api/v1/units/51009/scenes/Day", "404"},
            {"GET /api/v1/scenes/Day", "405"},
        };
        for (const auto& [request, status] : refused) {
            const QList<QByteArray> words = request.split(' ');
            QCOMPARE(QByteArray::number(call(words[0], words[1], "<Parameters", installer).status), status.toLatin1());
        }
        QCOMPARE(call("PUT", "/api/v1/scenes/Day", zq40ctlSaved, staff).status, 403);
        QCOMPARE(call("POST", "/api/v1/units/51002/scenes/Day/apply", {}, staff).object()["error"].toString(),
                 QStringLiteral("staff may not apply scenes"));
        for (int i = 2; i < Scenes::kMaxScenes; ++i)
            QCOMPARE(call("PUT", QStringLiteral("/api/v1/scenes/s%1").arg(i), zq40ctlSaved, installer).status, 201);
        QCOMPARE(call("PUT", "/api/v1/scenes/One-too-many", zq40ctlSaved, installer).status, 422);
        QVERIFY(writtenCodes(*hall).empty());

        for (int i = 2; i < Scenes::kMaxScenes; ++i)
            QCOMPARE(call("DELETE", QStringLiteral("/api/v1/scenes/s%1").arg(i), {}, installer).status, 200);
        QCOMPARE(call("DELETE", "/api/v1/scenes/Day", {}, staff).status, 403);
        QCOMPARE(call("DELETE", "/api/v1/scenes/Day", {}, installer).status, 200);
        QCOMPARE(call("DELETE", "/api/v1/scenes/Day", {}, installer).status, 404);
        QCOMPARE(service->scenes().names(), QStringList{"Closed"});

        // zq40ctl scene asks the service with the token of the environment.
        const auto ctl = [this](const QStringList& words, const QByteArray& token) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("ZQ40D_TOKEN", token);
            env.insert("ZQ40D_URL", QStringLiteral("http://127.0.0.1:%1").arg(service->port()));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(ZQ40CTL_PATH), QStringList{"scene"} + words);
            [&] { QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 30000); }();
            return std::pair{p.exitCode(), p.readAllStandardOutput() + p.readAllStandardError()};
        };
        QCOMPARE(ctl({"save", "51002", "Late Bar", "--scope=levels"}, installer).first, 0);
        QCOMPARE(ctl({"list"}, staff), std::pair(4, QByteArray("zq40ctl: staff may not apply scenes\n")));
        QCOMPARE(ctl({"list"}, installer), std::pair(0, QByteArray("Closed\tlevels\nLate Bar\tlevels\n")));
        QCOMPARE(ctl({"apply", "51002", "Nothing"}, installer).first, 2);
        QCOMPARE(ctl({"delete", "Late Bar"}, installer).first, 0);
        QFile edited(files.filePath("edited.zq40"));
        QVERIFY(edited.open(QIODevice::WriteOnly) && edited.write(zq40ctlEdited) == zq40ctlEdited.size());
        edited.close();
        QCOMPARE(ctl({"upload", "Whole", edited.fileName()}, installer).first, 0);
        hall->clearReceived();
        QCOMPARE(ctl({"apply", "51002", "Whole"}, installer).first, 0);
        QCOMPARE(writtenCodes(*hall), std::vector<int>(zq40::kOpenConfigSends.begin(), zq40::kOpenConfigSends.end()));
        QCOMPARE(ctl({"delete", "Whole"}, {}).first, 4);
        QCOMPARE(ctl({"apply", "Whole"}, installer).first, 1);
        QCOMPARE(ctl({"save", "51002", "X", "--scope=some"}, installer).first, 1);
        QCOMPARE(ctl({"list", "--url=http://127.0.0.1:1"}, installer).first, 5);
        QCOMPARE(ctl({"delete", "Whole"}, installer).first, 0);
    }

    // Europe/Berlin: 02:30 is skipped on 2026-03-29 and comes twice on
    // 2026-10-25; the schedule skips 2026-03-30.
    void aScheduleAppliesItsSceneOnceAcrossSummerTime()
    {
        const auto next = [this] {
            return QJsonDocument::fromJson(call("GET", "/api/v1/schedule", {}, staff).body)[0]["next"].toString();
        };
        const auto setClock = [this](const QDateTime& utc) {
            QCOMPARE(patch("{\"Zone1.Level\": -6}", installer).status, 200);
            hall->clearReceived();
            wallBase = utc;
            wallSince.restart();
            service->schedule().timeJumped();
        };
        const auto applied = [this] {
            QTRY_COMPARE_WITH_TIMEOUT(writtenCodes(*hall), std::vector<int>{16}, 5000);
            QCOMPARE(int(int8_t(hall->block(16)[4])), -30);
        };
        setClock(QDateTime(QDate(2026, 3, 29), QTime(0, 59, 59), Qt::UTC));
        QCOMPARE(next(), QStringLiteral("2026-03-29T03:00:00+02:00"));
        QTest::ignoreMessage(QtInfoMsg, "zq40d: schedule night applied scene Closed to unit 51002");
        applied();
        QCOMPARE(next(), QStringLiteral("2026-03-31T02:30:00+02:00"));

        setClock(QDateTime(QDate(2026, 10, 25), QTime(0, 29, 59), Qt::UTC));
        QCOMPARE(next(), QStringLiteral("2026-10-25T02:30:00+02:00"));
        applied();
        QCOMPARE(next(), QStringLiteral("2026-10-26T02:30:00+01:00"));
        setClock(QDateTime(QDate(2026, 10, 25), QTime(1, 29, 59), Qt::UTC)); // 02:30 again
        QTest::qWait(1500);
        QVERIFY(writtenCodes(*hall).empty());
        QCOMPARE(next(), QStringLiteral("2026-10-26T02:30:00+01:00"));

        // Every unit: the one that may not be edited is left as it is.
        QTest::ignoreMessage(QtInfoMsg,
                             "zq40d: schedule every could not apply scene Closed to unit 51003: unit "
                             "51003 needs a firmware update before a scene can be applied");
        setClock(QDateTime(QDate(2026, 10, 25), QTime(2, 59, 59), Qt::UTC));
        applied();
    }

    void withoutCredentialsOrBeyondTheBoundsNothingHappens()
    {
        hall->clearReceived();
        QCOMPARE(call("GET", "/api/v1/units").status, 401);
        // The last hex digit changed, whatever it was.
        const QByteArray wrong = staff.left(staff.size() - 1) + (staff.endsWith('0') ? "1" : "0");
        QCOMPARE(call("GET", "/api/v1/units/51002/settings", {}, wrong).status, 401);
        QCOMPARE(call("PATCH", "/api/v1/units/51002/settings", kReferenceSet).status, 401);
        secrets->removeToken(QStringLiteral("desk"));
        QString error;
        QVERIFY(secrets->save(error));
        QCOMPARE(call("GET", "/api/v1/units", {}, installer).status, 401);
        QCOMPARE(call("GET", "/api/v1/nothing", {}, staff).status, 404);
        QCOMPARE(call("DELETE", "/api/v1/units/51002/settings", {}, staff).status, 405);
        const QByteArray padded = "{\"Zone3.Level\": -20, \"x\": \"" + QByteArray(limits::kMaxBodyBytes, 'a') + "\"}";
        QCOMPARE(call("PATCH", "/api/v1/units/51002/settings", padded, staff).status, 413);
        // A body far over the limit is cut off as it comes, not read to its end.
        QTcpSocket flood;
        flood.connectToHost(QHostAddress::LocalHost, service->port());
        QVERIFY(flood.waitForConnected(5000));
        flood.write("PATCH /api/v1/units/51002/settings HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + staff +
                    "\r\nContent-Length: 100000000\r\n\r\n" + QByteArray(100'000, ' '));
        QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(call("GET", "/api/v1/units", {}, QByteArray(limits::kMaxHeaderBytes, 'a'), "X-Pad").status, 431);
        QVERIFY(writtenCodes(*hall).empty());
        QCOMPARE(call("GET", "/api/v1/units", {}, staff).status, 200);

        // Connections past the limit are closed at once; the service goes on.
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i <= limits::kMaxConnections; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, service->port());
        }
        QTRY_VERIFY(std::any_of(idle.begin(), idle.end(),
                                [](const auto& s) { return s->state() == QAbstractSocket::UnconnectedState; }));
        idle.clear();
        QTRY_COMPARE(call("GET", "/api/v1/units", {}, staff).status, 200);
    }
};

QTEST_GUILESS_MAIN(Zq40dApiTest)
#include "zq40d_api_test.moc"
