// The service's site on an MQTT broker: the bridge asks the service for its
// units and sends commands through the same checks as the API, under the
// role the configuration gives MQTT.
#include "json_members.h"
#include "qdevice.h"
#include "service.h"

#include <QHostInfo>

namespace zq40::daemon {

bool Service::startMqtt(QString& error)
{
    if (!config.mqtt)
        return true;
    const MqttConfig& broker = *config.mqtt;
    MqttBridge::Site site;
    site.units = [this] {
        std::vector<const QDevice*> ready;
        if (!lender.lent())
            for (const QDevice* unit : waiter.units())
                ready.push_back(unit);
        return ready;
    };
    site.lent = [this] { return lender.lent(); };
    const Caller byMqtt{broker.role,
                        QStringLiteral("%1 by MQTT as site %2").arg(QLatin1String(roleName(broker.role)), broker.site)};
    site.change = [this, byMqtt](uint32_t serial, const MqttBridge::Members& members) {
        int status = 0;
        return editSettings(namedValues(members), byMqtt, serial, status);
    };
    site.sceneNames = [this] { return sceneFiles.names(); };
    site.applyScene = [this, byMqtt](uint32_t serial, const QString& scene) {
        return mayApplyScenes(byMqtt.role) ? sceneFiles.apply(serial, scene, byMqtt.who)
                                           : QStringLiteral("staff may not apply scenes");
    };
    site.inTurn = [this](std::function<void()> job) { listener->runInTurn(std::move(job)); };
    site.pageUrl = QStringLiteral("%1://%2:%3/")
                       .arg(config.certificate.isEmpty() ? QLatin1String("http") : QLatin1String("https"),
                            QHostInfo::localHostName())
                       .arg(port());
    mqtt = std::make_unique<MqttBridge>(broker, std::move(site));
    const auto changed = [this] { mqtt->unitsChanged(); };
    QObject::connect(&events, &UnitEvents::DoEvent, mqtt.get(), changed);
    QObject::connect(&lender, &UnitLender::DoLent, mqtt.get(), changed);
    QObject::connect(&lender, &UnitLender::DoReturned, mqtt.get(), changed);
    QObject::connect(&sceneFiles, &Scenes::DoScenesChanged, mqtt.get(), &MqttBridge::scenesChanged);
    return mqtt->start(error);
}

void Service::stop()
{
    if (mqtt)
        mqtt->stop();
}

} // namespace zq40::daemon
