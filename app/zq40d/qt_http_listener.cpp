// HttpListener over Qt's HTTP server (QAbstractHttpServer, Qt 6.4) and its
// WebSockets.
#include "bounded_servers.h"
#include "event_sockets.h"
#include "http_listener.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpSocket>
#include <QWebSocket>

#include <deque>
#include <optional>

namespace zq40::daemon {

namespace {

HttpReply errorReply(int status, const char* text)
{
    HttpReply reply;
    reply.status = status;
    reply.body =
        QJsonDocument(QJsonObject{{QStringLiteral("error"), QLatin1String(text)}}).toJson(QJsonDocument::Compact);
    return reply;
}

bool isUpgrade(const QHttpServerRequest& request)
{
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

class QtHttpListener final : public QAbstractHttpServer, public HttpListener {
public:
    QtHttpListener(Handler handler, QString socketPath, SocketGate gate)
        : handler(std::move(handler))
        , socketPath(std::move(socketPath))
        , sockets(std::move(gate))
    {
        // Connected, so that Qt's server hands upgrade requests on rather
        // than refusing them.
        connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] {
            while (hasPendingWebSocketConnections())
                sockets.take(nextPendingWebSocketConnection(), bool(tls));
        });
    }

    bool useTls(const QString& certificateFile, const QString& keyFile, QString& error) override
    {
        QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
        QFile keyIn(keyFile);
        if (chain.isEmpty()) {
            error = QStringLiteral("%1 holds no PEM certificate").arg(certificateFile);
            return false;
        }
        if (!keyIn.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1").arg(keyFile);
            return false;
        }
        const QByteArray pem = keyIn.readAll();
        QSslKey key(pem, QSsl::Ec, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(pem, QSsl::Rsa, QSsl::Pem);
        if (key.isNull()) {
            error = QStringLiteral("%1 holds no PEM private key (EC or RSA)").arg(keyFile);
            return false;
        }
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(chain.takeFirst());
        configuration.setLocalCertificateChain(QList<QSslCertificate>{configuration.localCertificate()} + chain);
        configuration.setPrivateKey(key);
        configuration.setProtocol(QSsl::TlsV1_2OrLater);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        tls = configuration;
        return true;
    }

    bool listen(const QHostAddress& address, quint16 port, QString& error) override
    {
        QTcpServer* server = tls ? static_cast<QTcpServer*>(new BoundedSslServer(*tls, this))
                                 : static_cast<QTcpServer*>(new BoundedTcpServer(this));
        // Room for a burst of pages opening at once.
        server->setListenBacklogSize(limits::kMaxConnections);
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
    void broadcast(const QByteArray& text) override { sockets.broadcast(text); }
    void runInTurn(std::function<void()> job) override
    {
        auto p = std::make_unique<Pending>();
        p->job = std::move(job);
        queue.push_back(std::move(p));
        if (!busy)
            drain();
    }
    int openSockets() const override { return sockets.count(); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        // Qt's server upgrades the connection when this says it is handled.
        if (isUpgrade(request)) {
            if (request.url().path() != socketPath)
                return false;
            connectionUpgraded(socket);
            return true;
        }
        auto p = std::make_unique<Pending>(Pending{{}, makeResponder(request, socket), socket, {}});
        const char* method = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method()));
        p->request.method = QByteArray(method ? method : "Unknown").toUpper();
        p->request.path = request.url().path();
        p->request.query = request.url().query(QUrl::FullyEncoded);
        p->request.body = request.body();
        p->request.headers = request.headers();
        p->request.peer = request.remoteAddress();
        p->request.secure = bool(tls);
        queue.push_back(std::move(p));
        if (!busy)
            drain();
        return true;
    }

    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override { }

private:
    struct Pending {
        HttpRequest request;
        std::optional<QHttpServerResponder> responder;
        QPointer<QTcpSocket> socket;
        std::function<void()> job; // instead of a request
    };

    void drain()
    {
        busy = true;
        while (!queue.empty()) {
            std::unique_ptr<Pending> p = std::move(queue.front());
            queue.pop_front();
            if (p->job) {
                p->job();
                continue;
            }
            if (!p->socket)
                continue;
            const HttpRequest& r = p->request;
            const HttpReply reply = r.headerBytes() > limits::kMaxHeaderBytes
                ? errorReply(431, "request headers too large")
                : r.body.size() > limits::kMaxBodyBytes ? errorReply(413, "request body too large")
                                                        : handler(r);
            if (!p->socket)
                continue;
            write(*p->responder, reply);
            connectionAnswered(p->socket);
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
    QString socketPath;
    EventSockets sockets;
    std::optional<QSslConfiguration> tls;
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

std::unique_ptr<HttpListener> HttpListener::create(Handler handler, QString socketPath, SocketGate gate)
{
    return std::make_unique<QtHttpListener>(std::move(handler), std::move(socketPath), std::move(gate));
}

} // namespace zq40::daemon
