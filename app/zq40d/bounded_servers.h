// The TCP servers under Qt's HTTP server: connections counted and cut off
// when they send too much or take too long, before Qt's server reads a byte
// of them; over TLS, from the start of the handshake.
#pragma once

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>

namespace zq40::daemon {

// The connection has had its answer: it may send the next request.
void connectionAnswered(QTcpSocket* socket);
// The connection is a WebSocket now, bounded by the WebSocket's own limits.
void connectionUpgraded(QTcpSocket* socket);

class BoundedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

class BoundedSslServer : public QSslServer {
public:
    explicit BoundedSslServer(const QSslConfiguration& tls, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;
};

} // namespace zq40::daemon
