// The service's HTTP side behind an interface of ours: Qt's HTTP server is a
// preview in Qt 6.4, and nothing else of zq40d sees it. Requests reach the
// handler one at a time, in order, and never while the handler runs (a
// handler that lets events run, as sending to a unit does, finds the next
// request waiting after it). Every size, the connections and the time a
// request may take are bounded here.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

namespace zq40::daemon {

namespace limits {
inline constexpr qsizetype kMaxBodyBytes = 16 * 1024;
inline constexpr qsizetype kMaxHeaderBytes = 8 * 1024;
// Read since a connection's last answer: past this it is cut off.
inline constexpr qint64 kMaxRequestBytes = 64 * 1024;
inline constexpr int kMaxConnections = 64;
inline constexpr int kRequestTimeoutMs = 20'000;
} // namespace limits

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method; // "GET", "PATCH", ...
    QString path;
    QByteArray body;
    Headers headers;
    QHostAddress peer;

    // A header's value, the name compared without case; empty when absent.
    QByteArray header(const QByteArray& name) const;
    qsizetype headerBytes() const;
};

struct HttpReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    Headers headers;
};

class HttpListener {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    virtual ~HttpListener() = default;
    // False with `error` when the address and port cannot be taken.
    virtual bool listen(const QHostAddress& address, quint16 port, QString& error) = 0;
    virtual quint16 port() const = 0;

    static std::unique_ptr<HttpListener> create(Handler handler);
};

} // namespace zq40::daemon
