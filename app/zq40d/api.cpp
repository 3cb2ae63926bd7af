// The JSON API under /api/v1/: the same names, values and refusal texts as
// zq40ctl, each request authenticated and authorised here. Everything else
// is the staff page's.
#include "api_replies.h"
#include "json_members.h"
#include "page_files.h"
#include "presentation.h"
#include "service.h"
#include "setting_edits.h"
#include "staff_rights.h"
#include "staff_view.h"
#include "unit_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

#include <algorithm>

namespace zq40::daemon {

namespace {

constexpr qsizetype kMaxPinBytes = 64;

QString addressText(const QHostAddress& peer)
{
    bool v4 = false;
    const quint32 ip = peer.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : peer.toString();
}

// Whose wrong PINs count together: an address, or an IPv6 network's /64,
// which one client can fill with addresses of its own.
QString throttleKey(const QHostAddress& peer)
{
    bool v4 = false;
    peer.toIPv4Address(&v4);
    if (v4 || peer.protocol() != QAbstractSocket::IPv6Protocol)
        return addressText(peer);
    Q_IPV6ADDR network = peer.toIPv6Address();
    std::fill(std::begin(network.c) + 8, std::end(network.c), 0);
    return QHostAddress(network).toString() + QStringLiteral("/64");
}

// The JSON object of a body; null when the body is not one.
std::optional<QJsonObject> bodyObject(const QByteArray& body)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

} // namespace

HttpReply Service::handle(const HttpRequest& r)
{
    if (!r.path.startsWith(QLatin1String("/api/")))
        return pageReply(r);
    const QStringList parts = r.path.split(QLatin1Char('/'));
    // "", "api", "v1", ...
    if (parts.size() < 4 || parts[1] != QLatin1String("api") || parts[2] != QLatin1String("v1"))
        return error(404, QStringLiteral("no such resource"));
    const QString& resource = parts[3];
    if (resource == QLatin1String("session") && parts.size() == 4)
        return r.method == "POST" ? signIn(r) : error(405, QStringLiteral("use POST"));
    if (resource == QLatin1String("scenes") || resource == QLatin1String("schedule") ||
        (resource == QLatin1String("units") && parts.size() > 6 && parts[5] == QLatin1String("scenes")))
        return sceneRequest(r, parts);
    if (resource != QLatin1String("units") || parts.size() > 6 ||
        (parts.size() == 6 && parts[5] != QLatin1String("settings") && parts[5] != QLatin1String("staff") &&
         parts[5] != QLatin1String("config")) ||
        parts.size() == 5)
        return error(404, QStringLiteral("no such resource"));
    const std::optional<Caller> who = caller(r);
    if (!who)
        return error(401, QStringLiteral("sign in with the staff PIN, or send a token"));
    if (parts.size() == 4)
        return r.method == "GET" ? units() : error(405, QStringLiteral("use GET"));
    if (lender.lent())
        return json(409,
                    QJsonObject{{QStringLiteral("error"), QStringLiteral("An installer is working on this unit")},
                                {QStringLiteral("lent"), true}});
    const std::optional<uint32_t> number = serialIn(parts[4]);
    if (!number)
        return error(404, QStringLiteral("no unit with serial number %1").arg(parts[4].left(10)));
    const uint32_t serial = *number;
    if (parts[5] == QLatin1String("staff")) {
        if (r.method != "GET")
            return error(405, QStringLiteral("use GET"));
        const QDevice* unit = readyUnit(serial);
        return unit ? json(200, staffViewObject(config, *unit))
                    : error(404, QStringLiteral("no unit with serial number %1").arg(serial));
    }
    if (parts[5] == QLatin1String("config")) {
        if (r.method == "GET")
            return unitConfig(serial);
        return r.method == "PUT" ? loadConfig(r, *who, serial) : error(405, QStringLiteral("use GET or PUT"));
    }
    if (r.method == "GET")
        return settings(serial);
    if (r.method == "PATCH")
        return changeSettings(r, *who, serial);
    return error(405, QStringLiteral("use GET or PATCH"));
}

std::optional<Service::Caller> Service::caller(const HttpRequest& r)
{
    const QString from = addressText(r.peer);
    const QByteArray authorization = r.header("Authorization");
    if (authorization.startsWith("Bearer ")) {
        secrets.reloadIfChanged();
        const std::optional<TokenEntry> token = secrets.checkToken(authorization.mid(7).trimmed());
        if (!token)
            return std::nullopt;
        return Caller{
            token->role,
            QStringLiteral("%1 token %2 from %3").arg(QLatin1String(roleName(token->role)), token->name, from)};
    }
    if (const auto session = sessions.find(PageSessions::cookieFrom(r.header("Cookie"))))
        return Caller{Role::Staff, QStringLiteral("staff %1 from %2").arg(*session, from)};
    return std::nullopt;
}

QString Service::refusedEvents(const HttpRequest& r)
{
    if (!caller(r))
        return QStringLiteral("sign in with the staff PIN, or send a token");
    // A page of another site may open a socket here with the staff's cookie
    // (browsers send it): only the service's own page may. Other clients
    // send no origin.
    const QByteArray origin = r.header("Origin");
    const bool byToken = r.header("Authorization").startsWith("Bearer ");
    if ((!origin.isEmpty() || !byToken) &&
        origin != (r.secure ? QByteArray("https://") : QByteArray("http://")) + r.header("Host"))
        return QStringLiteral("not opened from the service's own page");
    return {};
}

HttpReply Service::signIn(const HttpRequest& r)
{
    const QString from = throttleKey(r.peer);
    if (const int wait = throttle.secondsRefused(from)) {
        HttpReply reply = json(
            429,
            QJsonObject{{QStringLiteral("error"), QStringLiteral("too many wrong PINs: try again in %1 s").arg(wait)},
                        {QStringLiteral("retryAfter"), wait}});
        reply.headers.append({"Retry-After", QByteArray::number(wait)});
        return reply;
    }
    const std::optional<QJsonObject> body = bodyObject(r.body);
    if (!body || !(*body)[QStringLiteral("pin")].isString())
        return error(400, QStringLiteral("send {\"pin\": \"...\"}"));
    const QByteArray pin = (*body)[QStringLiteral("pin")].toString().toUtf8();
    secrets.reloadIfChanged();
    if (pin.size() > kMaxPinBytes || !secrets.checkPin(pin)) {
        throttle.failed(from);
        if (throttle.secondsRefused(from))
            qWarning("zq40d: wrong PINs from %s: refused for %d s", qPrintable(from), throttle.secondsRefused(from));
        return error(401, QStringLiteral("wrong PIN"));
    }
    throttle.succeeded(from);
    HttpReply reply = json(200, QJsonObject{{QStringLiteral("role"), QStringLiteral("staff")}});
    reply.headers.append({"Set-Cookie",
                          QByteArray(PageSessions::kCookieName) + '=' + sessions.open() +
                              "; Path=/; HttpOnly; SameSite=Strict" + (r.secure ? "; Secure" : "")});
    return reply;
}

HttpReply Service::units()
{
    QJsonArray all;
    for (const QDevice* unit : waiter.units())
        all.append(unitObject(*unit));
    return json(200, all);
}

HttpReply Service::settings(uint32_t serial)
{
    const QDevice* unit = readyUnit(serial);
    if (!unit)
        return error(404, QStringLiteral("no unit with serial number %1").arg(serial));
    return json(200, settingsObject(unit->blocks));
}

HttpReply Service::changeSettings(const HttpRequest& r, const Caller& who, uint32_t serial)
{
    const auto members = flatMembers(r.body);
    if (!members)
        return error(400, QStringLiteral("the body is not a JSON object of settings and their numbers or texts"));
    if (members->empty())
        return error(400, QStringLiteral("no settings given"));
    int status = 200;
    if (const QString why = editSettings(namedValues(*members), who, serial, status); !why.isEmpty())
        return error(status, why);
    // Sending lets events run: the unit may have left meanwhile.
    return settings(serial);
}

QString Service::editSettings(const std::vector<NamedValue>& values, const Caller& who, uint32_t serial, int& status)
{
    QDevice* unit = readyUnit(serial);
    status = 404;
    if (!unit)
        return QStringLiteral("no unit with serial number %1").arg(serial);
    // Everything is checked before anything is sent.
    SettingEdits edits;
    QString why;
    status = 422;
    if (!checkSettingEdits(values, edits, why))
        return why;
    if (const QString forbidden = forbiddenEdit(who.role, config, edits, unit->blocks); !forbidden.isEmpty()) {
        qInfo("zq40d: %s was refused on unit %u: %s", qPrintable(who.who), serial, qPrintable(forbidden));
        status = 403;
        return forbidden;
    }
    status = 409;
    if (!editingAllowed(*unit))
        return QStringLiteral("unit %1 needs a firmware update before its settings can be changed").arg(serial);
    core.session().setCurrent(unit);
    status = 422;
    if (!applySettingEdits(core.session(), edits, why))
        return why;
    QStringList words;
    for (const QString& w : edits.words)
        words << w;
    qInfo("zq40d: %s changed unit %u: %s", qPrintable(who.who), serial, qPrintable(words.join(QLatin1Char(' '))));
    status = 200;
    return {};
}

} // namespace zq40::daemon
