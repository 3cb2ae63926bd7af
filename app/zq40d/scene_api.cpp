// Scenes over the API: listed by anyone who may apply them, saved, uploaded
// and deleted by installers, applied by installers and, when the
// configuration lets them, staff. The schedule's next runs for anyone.
#include "api_replies.h"
#include "presentation.h"
#include "service.h"

#include <QUrlQuery>

namespace zq40::daemon {

namespace {

QJsonObject sceneObject(const QString& name, SceneScope scope)
{
    return {{QStringLiteral("name"), name}, {QStringLiteral("scope"), QLatin1String(scopeName(scope))}};
}

} // namespace

HttpReply Service::sceneRequest(const HttpRequest& r, const QStringList& parts)
{
    // "", "api", "v1", then scenes[/NAME], schedule, or
    // units/SERIAL/scenes/NAME[/apply].
    const bool list = parts.size() == 4, one = parts.size() == 5 && parts[3] == QLatin1String("scenes");
    const bool save = parts.size() == 7, apply = parts.size() == 8 && parts[7] == QLatin1String("apply");
    if (!list && !one && !save && !apply)
        return error(404, QStringLiteral("no such resource"));
    const std::optional<Caller> who = caller(r);
    if (!who)
        return error(401, QStringLiteral("sign in with the staff PIN, or send a token"));
    if (parts[3] == QLatin1String("schedule"))
        return r.method == "GET" ? scheduleList() : error(405, QStringLiteral("use GET"));
    const bool installer = who->role == Role::Installer;
    if (!mayApplyScenes(who->role))
        return error(403, QStringLiteral("staff may not apply scenes"));
    if (list) {
        if (r.method != "GET")
            return error(405, QStringLiteral("use GET"));
        QJsonArray all;
        for (const QString& name : sceneFiles.names())
            all.append(sceneObject(name, sceneFiles.scope(name).value_or(SceneScope::All)));
        return json(200, all);
    }
    const QString& name = parts[one ? 4 : 6];
    if (!Scenes::validName(name))
        return error(400, Scenes::nameRule());
    if (one && r.method != "PUT" && r.method != "DELETE")
        return error(405, QStringLiteral("use PUT or DELETE"));
    if (!one && r.method != "POST")
        return error(405, QStringLiteral("use POST"));
    if (!apply && !installer)
        return error(403, QStringLiteral("staff may not save or delete scenes"));
    if (one && r.method == "DELETE") {
        const QString why = sceneFiles.remove(name, who->who);
        return why.isEmpty() ? json(200, QJsonObject{{QStringLiteral("name"), name}}) : error(404, why);
    }
    const QString scopeWord = QUrlQuery(r.query).queryItemValue(QStringLiteral("scope"));
    const std::optional<SceneScope> scope = scopeWord.isEmpty() ? SceneScope::All : scopeFromName(scopeWord);
    if (!scope)
        return error(400, QStringLiteral("scope is levels or all"));
    if (one) {
        const QString why = sceneFiles.store(name, *scope, r.body, who->who);
        return why.isEmpty() ? json(201, sceneObject(name, *scope)) : error(422, why);
    }
    const std::optional<uint32_t> serial = serialIn(parts[4]);
    if (!serial)
        return error(404, QStringLiteral("no unit with serial number %1").arg(parts[4].left(10)));
    if (apply && !sceneFiles.scope(name))
        return error(404, QStringLiteral("no scene named %1").arg(name));
    QDevice* unit = nullptr;
    if (const auto [status, why] = sceneRefusal(*serial, unit); status) {
        QJsonObject refusal{{QStringLiteral("error"), why}};
        if (lender.lent())
            refusal[QStringLiteral("lent")] = true;
        return json(status, refusal);
    }
    if (!apply) {
        const QString why = sceneFiles.saveFrom(*serial, name, *scope, who->who);
        return why.isEmpty() ? json(201, sceneObject(name, *scope)) : error(422, why);
    }
    if (const QString why = sceneFiles.apply(*serial, name, who->who); !why.isEmpty())
        return error(422, why);
    // Sending lets events run: the unit may have left meanwhile.
    return settings(*serial);
}

HttpReply Service::scheduleList()
{
    const ScheduleConfig& schedules = scheduler.config();
    const std::vector<QDateTime> next = scheduler.nextRuns();
    QJsonArray all;
    for (size_t i = 0; i < schedules.entries.size(); ++i) {
        const SceneScheduleEntry& e = schedules.entries[i];
        all.append(QJsonObject{
            {QStringLiteral("name"), e.name},
            {QStringLiteral("scene"), e.scene},
            {QStringLiteral("unit"), e.unit ? QJsonValue(qint64(e.unit)) : QJsonValue(QStringLiteral("all"))},
            {QStringLiteral("next"),
             next[i].isValid() ? QJsonValue(next[i].toTimeZone(schedules.timeZone).toString(Qt::ISODate))
                               : QJsonValue()},
        });
    }
    return json(200, all);
}

std::pair<int, QString> Service::sceneRefusal(uint32_t serial, QDevice*& unit)
{
    unit = nullptr;
    if (lender.lent())
        return {409, QStringLiteral("An installer is working on this unit")};
    QDevice* ready = readyUnit(serial);
    if (!ready)
        return {404, QStringLiteral("no unit with serial number %1").arg(serial)};
    if (!editingAllowed(*ready))
        return {409, QStringLiteral("unit %1 needs a firmware update before a scene can be applied").arg(serial)};
    unit = ready;
    return {0, {}};
}

void Service::runSchedule(const SceneScheduleEntry& entry)
{
    // The timer may fire while a request sends to a unit: the scene waits.
    listener->runInTurn([this, entry] {
        std::vector<uint32_t> serials;
        if (entry.unit)
            serials.push_back(entry.unit);
        else
            for (const QDevice* unit : waiter.units())
                serials.push_back(unit->pDeviceInfo->ser);
        for (uint32_t serial : serials)
            sceneFiles.apply(serial, entry.scene, QStringLiteral("schedule %1").arg(entry.name));
    });
}

} // namespace zq40::daemon
