#include "bounded_servers.h"

#include "http_listener.h"

#include <QPointer>
#include <QSslSocket>
#include <QTimer>

namespace zq40::daemon {

namespace {

constexpr char kBytesRead[] = "zq40dBytesRead";
constexpr char kRequestTimer[] = "zq40dRequestTimer";

// Open connections of both servers. Each connection holds one Counted, so
// the count falls when Qt deletes the socket, whoever owns it by then.
int openConnections = 0;

class Counted : public QObject {
public:
    explicit Counted(QObject* socket)
        : QObject(socket)
    {
        ++openConnections;
    }
    ~Counted() override { --openConnections; }
};

void refuse(qintptr descriptor)
{
    QTcpSocket socket;
    socket.setSocketDescriptor(descriptor);
    socket.abort();
}

void bound(QTcpSocket* socket)
{
    new Counted(socket);
    auto* timer = new QTimer(socket);
    timer->setObjectName(QLatin1String(kRequestTimer));
    timer->setSingleShot(true);
    timer->setInterval(limits::kRequestTimeoutMs);
    QObject::connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
    timer->start();
    socket->setProperty(kBytesRead, qint64(0));
    // Connected before the HTTP server's own slot, so it runs first.
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
        const qint64 read = socket->property(kBytesRead).toLongLong() + socket->bytesAvailable();
        socket->setProperty(kBytesRead, read);
        if (read > limits::kMaxRequestBytes) {
            socket->write("HTTP/1.1 413 Payload Too Large\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
            socket->flush();
            socket->abort();
        }
    });
}

} // namespace

void connectionAnswered(QTcpSocket* socket)
{
    socket->setProperty(kBytesRead, qint64(0));
    if (auto* timer = socket->findChild<QTimer*>(QLatin1String(kRequestTimer)))
        timer->start();
}

void connectionUpgraded(QTcpSocket* socket)
{
    delete socket->findChild<QTimer*>(QLatin1String(kRequestTimer));
}

void BoundedTcpServer::incomingConnection(qintptr descriptor)
{
    if (openConnections >= limits::kMaxConnections)
        return refuse(descriptor);
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    bound(socket);
    addPendingConnection(socket);
}

BoundedSslServer::BoundedSslServer(const QSslConfiguration& tls, QObject* parent)
    : QSslServer(parent)
{
    setSslConfiguration(tls);
    setHandshakeTimeout(limits::kRequestTimeoutMs);
    // Qt's server deletes a socket whose handshake fails or times out.
    connect(this, &QSslServer::startedEncryptionHandshake, this, [](QSslSocket* socket) { bound(socket); });
}

void BoundedSslServer::incomingConnection(qintptr descriptor)
{
    if (openConnections >= limits::kMaxConnections)
        return refuse(descriptor);
    QSslServer::incomingConnection(descriptor);
}

} // namespace zq40::daemon
