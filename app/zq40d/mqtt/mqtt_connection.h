// One connection to the broker, driven by this thread's event loop: socket
// notifiers for the traffic, a timer for keep-alives and for reconnecting
// with a growing delay. libmosquitto's callbacks run inside those, on this
// thread; it starts no thread of its own.
#pragma once

#include "mqtt_config.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

namespace zq40::daemon {

class MqttConnection : public QObject {
    Q_OBJECT

public:
    // The broker publishes `will` (retained) on `willTopic` when this
    // connection ends without a goodbye.
    MqttConnection(const MqttConfig& config, const QString& willTopic, const QByteArray& will);
    ~MqttConnection() override;

    // Starts connecting; false with `error` for a setting the library
    // refuses (a TLS file it cannot read). Broker failures are retried.
    bool start(QString& error);
    bool connected() const { return isConnected; }
    // QoS 1. Dropped while disconnected: whoever publishes republishes on
    // DoConnected.
    void publish(const QString& topic, const QByteArray& payload, bool retain);
    void subscribe(const QString& topic);
    // Publishes `payload` on `topic` and disconnects cleanly, waiting at
    // most `waitMs` for the broker to have it.
    void stop(const QString& topic, const QByteArray& payload, int waitMs);

signals:
    void DoConnected();
    void DoMessage(const QString& topic, const QByteArray& payload);

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);

    void connectNow();
    void watchSocket();
    void dropSocket();
    void retryLater();
    void service();

    MqttConfig config;
    mosquitto* client = nullptr;
    std::unique_ptr<QSocketNotifier> readable, writable;
    QTimer misc;
    QTimer retry;
    int retryMs = 0;
    bool isConnected = false;
    bool stopping = false;
};

} // namespace zq40::daemon
