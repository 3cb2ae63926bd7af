#include "service.h"

#include <QJsonDocument>

namespace zq40::daemon {

Service::Service(const DaemonConfig& config, SecretStore& secrets, Throttle::Clock clock)
    : config(config)
    , secrets(secrets)
    , core(prompter)
    , waiter(core)
    , events(core, waiter)
    , lender([this] { return !core.session().registry().all().empty(); })
    , throttle(std::move(clock))
    , listener(HttpListener::create([this](const HttpRequest& r) { return handle(r); }, QLatin1String(kEventsPath),
                                    [this](const HttpRequest& r) { return refusedEvents(r); }))
{
    QObject::connect(&core.session().registry(), &QDevices::DoDeviceOffline, &lender, &UnitLender::unitClosed);
    const auto broadcast = [this](const QJsonObject& event) {
        listener->broadcast(QJsonDocument(event).toJson(QJsonDocument::Compact));
    };
    QObject::connect(&events, &UnitEvents::DoEvent, broadcast);
    QObject::connect(&lender, &UnitLender::DoLent, [broadcast](const QString& program) {
        broadcast({{QStringLiteral("event"), QStringLiteral("lent")}, {QStringLiteral("to"), program}});
    });
    QObject::connect(&lender, &UnitLender::DoReturned, [broadcast] {
        broadcast({{QStringLiteral("event"), QStringLiteral("returned")}});
    });
}

bool Service::start(QString& error)
{
    if (!config.certificate.isEmpty() && !listener->useTls(config.certificate, config.key, error))
        return false;
    waiter.waitForUnits();
    // Without it the service still serves; the window and zq40ctl then find
    // the units held and say so.
    if (QString why; !lender.listen(config.lendingName, why))
        qWarning("zq40d: %s", qPrintable(why));
    const QHostAddress address = listenAddress(config, secrets.hasPin());
    if (!listener->listen(address, config.port, error))
        return false;
    if (!secrets.hasPin())
        qInfo("zq40d: no staff PIN is set (zq40d set-pin): listening on loopback only");
    qInfo("zq40d: listening on %s port %u", qPrintable(address.toString()), unsigned(port()));
    return true;
}

QDevice* Service::readyUnit(uint32_t serial) const
{
    QDevice* unit = core.session().unitWithSerial(serial);
    return unit && waiter.isReady(unit) ? unit : nullptr;
}

} // namespace zq40::daemon
