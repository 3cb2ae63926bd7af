// Browsers signed in with the staff PIN: a random cookie each, kept in
// memory only, ending after a day's work; at most a bounded number at once.
#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace zq40::daemon {

class PageSessions {
public:
    static constexpr char kCookieName[] = "zq40d_session";
    static constexpr qint64 kLifetimeMs = 12 * 3600 * 1000;
    static constexpr size_t kMaxSessions = 256;

    // A new session: its cookie's value.
    QByteArray open();
    // The session's short name for the log, when `cookie` is a live one.
    std::optional<QString> find(const QByteArray& cookie);

    // The session cookie's value among a Cookie header's pairs.
    static QByteArray cookieFrom(const QByteArray& header);

private:
    struct Session {
        QString name;
        qint64 opened = 0;
    };
    std::map<QByteArray, Session> sessions;
    int opened = 0;
};

} // namespace zq40::daemon
