#include "page_sessions.h"

#include <QDateTime>

#include <sodium.h>

#include <algorithm>

namespace zq40::daemon {

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

QByteArray PageSessions::open()
{
    std::erase_if(sessions, [t = nowMs()](const auto& s) { return t - s.second.opened > kLifetimeMs; });
    while (sessions.size() >= kMaxSessions)
        sessions.erase(std::min_element(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
            return a.second.opened < b.second.opened;
        }));
    QByteArray raw(32, Qt::Uninitialized);
    randombytes_buf(raw.data(), size_t(raw.size()));
    const QByteArray cookie = raw.toHex();
    sessions[cookie] = {QStringLiteral("page session %1").arg(++opened), nowMs()};
    return cookie;
}

std::optional<QString> PageSessions::find(const QByteArray& cookie)
{
    const auto s = sessions.find(cookie);
    if (cookie.isEmpty() || s == sessions.end())
        return std::nullopt;
    if (nowMs() - s->second.opened > kLifetimeMs) {
        sessions.erase(s);
        return std::nullopt;
    }
    return s->second.name;
}

QByteArray PageSessions::cookieFrom(const QByteArray& header)
{
    for (const QByteArray& pair : header.split(';')) {
        const QByteArray p = pair.trimmed();
        if (p.startsWith(QByteArray(kCookieName) + '='))
            return p.mid(qsizetype(sizeof(kCookieName)));
    }
    return {};
}

} // namespace zq40::daemon
