// The WebSockets the service's events go out on: each kept only when the
// service's gate lets it, cut off when it sends too much or too fast, reads
// too little, or stops answering pings.
#pragma once

#include "http_listener.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

class QWebSocket;

namespace zq40::daemon {

class EventSockets : public QObject {
public:
    explicit EventSockets(HttpListener::SocketGate gate);
    ~EventSockets() override;

    void take(std::unique_ptr<QWebSocket> socket, bool secure);
    void broadcast(const QByteArray& text);
    int count() const { return int(clients.size()); }

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        double allowance = limits::kSocketMessageBurst;
        QElapsedTimer sinceLastMessage;
        bool answeredPing = true;
    };

    void messageCame(QWebSocket* socket);
    void pingAll();
    void drop(QWebSocket* socket, int code, const QString& why);

    HttpListener::SocketGate gate;
    std::map<QWebSocket*, Client> clients;
    QTimer pings;
};

} // namespace zq40::daemon
