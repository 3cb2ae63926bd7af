#include "event_sockets.h"

#include <QNetworkRequest>
#include <QWebSocket>

#include <algorithm>

namespace zq40::daemon {

namespace {

constexpr int kCloseWaitMs = 5000;

// The handshake as the gate sees a request: path, headers, peer.
HttpRequest handshakeOf(const QWebSocket& socket, bool secure)
{
    HttpRequest r;
    r.method = "GET";
    const QNetworkRequest request = socket.request();
    r.path = request.url().path();
    for (const QByteArray& name : request.rawHeaderList())
        r.headers.append({name, request.rawHeader(name)});
    r.peer = socket.peerAddress();
    r.secure = secure;
    return r;
}

} // namespace

EventSockets::EventSockets(HttpListener::SocketGate gate)
    : gate(std::move(gate))
{
    pings.setInterval(limits::kSocketPingMs);
    connect(&pings, &QTimer::timeout, this, &EventSockets::pingAll);
    pings.start();
}

EventSockets::~EventSockets()
{
    for (auto& [raw, client] : clients)
        client.socket->disconnect(this);
}

void EventSockets::take(std::unique_ptr<QWebSocket> socket, bool secure)
{
    QWebSocket* raw = socket.get();
    raw->setMaxAllowedIncomingMessageSize(limits::kMaxSocketMessageBytes);
    raw->setMaxAllowedIncomingFrameSize(limits::kMaxSocketMessageBytes);
    Client& client = clients[raw];
    client.socket = std::move(socket);
    client.sinceLastMessage.start();
    connect(raw, &QWebSocket::disconnected, this, [this, raw] {
        const auto it = clients.find(raw);
        if (it == clients.end())
            return;
        it->second.socket.release()->deleteLater();
        clients.erase(it);
    });
    connect(raw, &QWebSocket::textMessageReceived, this, [this, raw] { messageCame(raw); });
    connect(raw, &QWebSocket::binaryMessageReceived, this, [this, raw] { messageCame(raw); });
    connect(raw, &QWebSocket::pong, this, [this, raw] {
        if (const auto it = clients.find(raw); it != clients.end())
            it->second.answeredPing = true;
    });
    if (const QString why = gate(handshakeOf(*raw, secure)); !why.isEmpty())
        drop(raw, kPolicyViolation, why);
}

void EventSockets::broadcast(const QByteArray& text)
{
    const QString message = QString::fromUtf8(text);
    std::vector<QWebSocket*> behind;
    for (auto& [raw, client] : clients) {
        if (raw->state() != QAbstractSocket::ConnectedState)
            continue;
        if (raw->bytesToWrite() > limits::kMaxSocketBacklogBytes)
            behind.push_back(raw);
        else
            raw->sendTextMessage(message);
    }
    for (QWebSocket* raw : behind)
        drop(raw, kPolicyViolation, QStringLiteral("not reading its events"));
}

// A bucket of messages, refilled at the allowed rate up to the burst.
void EventSockets::messageCame(QWebSocket* socket)
{
    const auto it = clients.find(socket);
    if (it == clients.end())
        return;
    Client& client = it->second;
    const double seconds = double(client.sinceLastMessage.restart()) / 1000.0;
    client.allowance =
        std::min<double>(limits::kSocketMessageBurst, client.allowance + seconds * limits::kSocketMessagesPerSecond) -
        1.0;
    if (client.allowance < 0)
        drop(socket, kPolicyViolation, QStringLiteral("too many messages"));
}

void EventSockets::pingAll()
{
    std::vector<QWebSocket*> silent;
    for (auto& [raw, client] : clients) {
        if (!client.answeredPing)
            silent.push_back(raw);
        client.answeredPing = false;
        raw->ping();
    }
    for (QWebSocket* raw : silent)
        raw->abort();
}

void EventSockets::drop(QWebSocket* socket, int code, const QString& why)
{
    socket->close(QWebSocketProtocol::CloseCode(code), why);
    // A client that does not answer the close is not waited for.
    QTimer::singleShot(kCloseWaitMs, socket, &QWebSocket::abort);
}

} // namespace zq40::daemon
