// HttpListener over Qt's HTTP server (QAbstractHttpServer, Qt 6.4).
#include "http_listener.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

namespace zq40::daemon {

namespace {

constexpr char kBytesRead[] = "zq40dBytesRead";

HttpReply errorReply(int status, const char* text)
{
    HttpReply reply;
    reply.status = status;
    reply.body =
        QJsonDocument(QJsonObject{{QStringLiteral("error"), QLatin1String(text)}}).toJson(QJsonDocument::Compact);
    return reply;
}

// Connections counted and cut off when they send too much or take too long,
// before Qt's server reads a byte of them.
class BoundedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

    // The connection has had its answer: it may send the next request.
    static void answered(QTcpSocket* socket)
    {
        socket->setProperty(kBytesRead, qint64(0));
        if (auto* timer = socket->findChild<QTimer*>())
            timer->start();
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || connections >= limits::kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++connections;
        connect(socket, &QObject::destroyed, this, [this] { --connections; });
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        timer->setInterval(limits::kRequestTimeoutMs);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        timer->start();
        socket->setProperty(kBytesRead, qint64(0));
        // Connected before the HTTP server's own slot, so it runs first.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            const qint64 read = socket->property(kBytesRead).toLongLong() + socket->bytesAvailable();
            socket->setProperty(kBytesRead, read);
            if (read > limits::kMaxRequestBytes) {
                socket->write("HTTP/1.1 413 Payload Too Large\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
                socket->flush();
                socket->abort();
            }
        });
        addPendingConnection(socket);
    }

private:
    int connections = 0;
};

class QtHttpListener final : public QAbstractHttpServer, public HttpListener {
public:
    // newWebSocketConnection stays unconnected: Qt's server then answers an
    // upgrade request as any other request rather than keeping the socket
    // for a taker.
    explicit QtHttpListener(Handler handler)
        : handler(std::move(handler))
    {
    }

    bool listen(const QHostAddress& address, quint16 port, QString& error) override
    {
        auto* server = new BoundedTcpServer(this);
        if (!server->listen(address, port)) {
            error = QStringLiteral("cannot listen on %1 port %2: %3")
                        .arg(address.toString())
                        .arg(port)
                        .arg(server->errorString());
            delete server;
            return false;
        }
        tcp = server;
        bind(server);
        return true;
    }

    quint16 port() const override { return tcp ? tcp->serverPort() : 0; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        auto p = std::make_unique<Pending>(Pending{{}, makeResponder(request, socket), socket});
        const char* method = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method()));
        p->request.method = QByteArray(method ? method : "Unknown").toUpper();
        p->request.path = request.url().path();
        p->request.body = request.body();
        p->request.headers = request.headers();
        p->request.peer = request.remoteAddress();
        queue.push_back(std::move(p));
        if (!busy)
            drain();
        return true;
    }

    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override { }

private:
    struct Pending {
        HttpRequest request;
        QHttpServerResponder responder;
        QPointer<QTcpSocket> socket;
    };

    void drain()
    {
        busy = true;
        while (!queue.empty()) {
            std::unique_ptr<Pending> p = std::move(queue.front());
            queue.pop_front();
            if (!p->socket)
                continue;
            const HttpRequest& r = p->request;
            const HttpReply reply = r.headerBytes() > limits::kMaxHeaderBytes
                ? errorReply(431, "request headers too large")
                : r.body.size() > limits::kMaxBodyBytes ? errorReply(413, "request body too large")
                                                        : handler(r);
            if (!p->socket)
                continue;
            write(p->responder, reply);
            BoundedTcpServer::answered(p->socket);
        }
        busy = false;
    }

    static void write(QHttpServerResponder& responder, const HttpReply& reply)
    {
        responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
        responder.writeHeader("Content-Type", reply.contentType);
        responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
        responder.writeHeader("Cache-Control", "no-store");
        responder.writeHeader("X-Content-Type-Options", "nosniff");
        for (const auto& [name, value] : reply.headers)
            responder.writeHeader(name, value);
        responder.writeBody(reply.body);
    }

    Handler handler;
    QPointer<QTcpServer> tcp;
    std::deque<std::unique_ptr<Pending>> queue;
    bool busy = false;
};

} // namespace

QByteArray HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

qsizetype HttpRequest::headerBytes() const
{
    qsizetype n = path.size();
    for (const auto& [key, value] : headers)
        n += key.size() + value.size() + 4;
    return n;
}

std::unique_ptr<HttpListener> HttpListener::create(Handler handler)
{
    return std::make_unique<QtHttpListener>(std::move(handler));
}

} // namespace zq40::daemon
