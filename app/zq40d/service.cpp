#include "service.h"

#include <QJsonDocument>

#include <algorithm>

namespace zq40::daemon {

namespace {

constexpr int kFreedUnitsCheckMs = 5000;

} // namespace

Service::Service(const DaemonConfig& config, SecretStore& secrets, Throttle::Clock clock,
                 SceneSchedule::Clock wallClock)
    : config(config)
    , secrets(secrets)
    , core(prompter)
    , waiter(core)
    , events(core, waiter)
    , lender([this] { return !core.session().registry().all().empty(); })
    , throttle(std::move(clock))
    , listener(HttpListener::create([this](const HttpRequest& r) { return handle(r); }, QLatin1String(kEventsPath),
                                    [this](const HttpRequest& r) { return refusedEvents(r); }))
    , sceneFiles(config.stateFolder, core, prompter,
                 [this](uint32_t serial, QString& why) {
                     QDevice* unit = nullptr;
                     why = sceneRefusal(serial, unit).second;
                     return unit;
                 })
    , scheduler(config.schedule, std::move(wallClock), [this](const SceneScheduleEntry& e) { runSchedule(e); })
{
    QObject::connect(&core.session().registry(), &QDevices::DoDeviceOffline, &lender, &UnitLender::unitClosed);
    const auto broadcast = [this](const QJsonObject& event) {
        listener->broadcast(QJsonDocument(event).toJson(QJsonDocument::Compact));
    };
    QObject::connect(&events, &UnitEvents::DoEvent, broadcast);
    QObject::connect(&lender, &UnitLender::DoLent, [broadcast](const QString& program) {
        broadcast({{QStringLiteral("event"), QStringLiteral("lent")}, {QStringLiteral("to"), program}});
    });
    freedUnits.setSingleShot(true);
    freedUnits.setInterval(kFreedUnitsCheckMs);
    QObject::connect(&freedUnits, &QTimer::timeout, [this] { lookForFreedUnits(); });
    QObject::connect(&lender, &UnitLender::DoReturned, &freedUnits, qOverload<>(&QTimer::start));
    QObject::connect(&lender, &UnitLender::DoReturned, [broadcast] {
        broadcast({{QStringLiteral("event"), QStringLiteral("returned")}});
    });
    QObject::connect(&sceneFiles, &Scenes::DoScenesChanged, [broadcast] {
        broadcast({{QStringLiteral("event"), QStringLiteral("scenes")}});
    });
    QObject::connect(&clockWatch, &ClockWatch::DoClockSet, [this] { scheduler.timeJumped(); });
}

bool Service::start(QString& error)
{
    if (!config.certificate.isEmpty() && !listener->useTls(config.certificate, config.key, error))
        return false;
    waiter.waitForUnits();
    if (waiter.nodes().size() > waiter.units().size())
        freedUnits.start();
    // Without it the service still serves; the window and zq40ctl then find
    // the units held and say so.
    if (QString why; !lender.listen(config.lendingName, why))
        qWarning("zq40d: %s", qPrintable(why));
    const QHostAddress address = listenAddress(config, secrets.hasPin());
    if (!listener->listen(address, config.port, error))
        return false;
    if (!startMqtt(error))
        return false;
    if (!secrets.hasPin())
        qInfo("zq40d: no staff PIN is set (zq40d set-pin): listening on loopback only");
    qInfo("zq40d: listening on %s port %u", qPrintable(address.toString()), unsigned(port()));
    scheduler.start();
    return true;
}

void Service::lookForFreedUnits()
{
    if (lender.lent())
        return;
    const std::vector<UnitNode> nodes = presentUnitNodes();
    // This program's own nodes have no other holder either.
    const auto free = std::count_if(nodes.begin(), nodes.end(),
                                    [](const UnitNode& n) { return !n.denied && n.otherHolders.empty(); });
    if (size_t(free) > core.session().registry().all().size())
        ousb_EnumerateDevices();
    if (std::any_of(nodes.begin(), nodes.end(), [](const UnitNode& n) { return !n.otherHolders.empty(); }))
        freedUnits.start();
}

QDevice* Service::readyUnit(uint32_t serial) const
{
    QDevice* unit = core.session().unitWithSerial(serial);
    return unit && waiter.isReady(unit) ? unit : nullptr;
}

} // namespace zq40::daemon
