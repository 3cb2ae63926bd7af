// The service's HTTP side behind an interface of ours: Qt's HTTP server is a
// preview in Qt 6.4, and nothing else of zq40d sees it. Requests reach the
// handler one at a time, in order, and never while the handler runs (a
// handler that lets events run, as sending to a unit does, finds the next
// request waiting after it). Every size, the connections and the time a
// request may take are bounded here. WebSockets carry the service's events
// to its clients: opened at one path, kept only when the service's gate lets
// them, bounded in what and how fast they send. Work of the service's own
// that changes units takes its turn among the requests.
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
// Every open staff page holds one connection for its events.
inline constexpr int kMaxConnections = 512;
inline constexpr int kRequestTimeoutMs = 20'000;
// WebSocket clients have nothing to say but pings and a close: a message is
// small, and a client sending more than a few a second is cut off.
inline constexpr qint64 kMaxSocketMessageBytes = 1024;
inline constexpr int kSocketMessagesPerSecond = 5;
inline constexpr int kSocketMessageBurst = 20;
// A client that reads nothing while events pile up for it is cut off.
inline constexpr qint64 kMaxSocketBacklogBytes = 1024 * 1024;
// Pings find the clients that went away without a word.
inline constexpr int kSocketPingMs = 30'000;
} // namespace limits

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method; // "GET", "PATCH", ...
    QString path;
    QString query; // after the '?', as sent
    QByteArray body;
    Headers headers;
    QHostAddress peer;
    bool secure = false; // came over TLS

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

// The WebSocket policy's close code, for a client the gate turns away or
// that sends too much.
inline constexpr int kPolicyViolation = 1008;

class HttpListener {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;
    // Whether a WebSocket opened with `request` (its path, headers and peer;
    // no body) may stay open: empty when it may, otherwise why not, and it is
    // closed with kPolicyViolation.
    using SocketGate = std::function<QString(const HttpRequest&)>;

    virtual ~HttpListener() = default;
    // HTTPS from now on, with the PEM certificate (chain) and private key in
    // these files; false with `error` when they cannot be used.
    virtual bool useTls(const QString& certificateFile, const QString& keyFile, QString& error) = 0;
    // False with `error` when the address and port cannot be taken.
    virtual bool listen(const QHostAddress& address, quint16 port, QString& error) = 0;
    virtual quint16 port() const = 0;

    // Runs `job` as if it were a request: after those waiting, and with
    // requests that come meanwhile waiting for it.
    virtual void runInTurn(std::function<void()> job) = 0;
    // Sends `text` to every open WebSocket.
    virtual void broadcast(const QByteArray& text) = 0;
    virtual int openSockets() const = 0;

    // WebSockets are taken at `socketPath` only.
    static std::unique_ptr<HttpListener> create(Handler handler, QString socketPath, SocketGate gate);
};

} // namespace zq40::daemon
