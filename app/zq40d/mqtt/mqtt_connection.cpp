#include "mqtt_connection.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <mosquitto.h>

#include <cstring>
#include <mutex>

namespace zq40::daemon {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMiscIntervalMs = 1000;
constexpr int kFirstRetryMs = 1000;
constexpr int kLongestRetryMs = 60000;
constexpr int kQos = 1;

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

const char* orNull(const QByteArray& bytes)
{
    return bytes.isEmpty() ? nullptr : bytes.constData();
}

} // namespace

MqttConnection::MqttConnection(const MqttConfig& config, const QString& willTopic, const QByteArray& will)
    : config(config)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
    const QByteArray id = "zq40d-" + utf8(config.site);
    client = mosquitto_new(id.constData(), true, this);
    if (!client)
        return;
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A command's answer is one small packet: without this it waits for
    // the broker's acknowledgement of the one before.
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray topic = utf8(willTopic);
    mosquitto_will_set(client, topic.constData(), int(will.size()), will.constData(), kQos, true);
    mosquitto_connect_callback_set(client, &MqttConnection::onConnect);
    mosquitto_disconnect_callback_set(client, &MqttConnection::onDisconnect);
    mosquitto_message_callback_set(client, &MqttConnection::onMessage);
    misc.setInterval(kMiscIntervalMs);
    connect(&misc, &QTimer::timeout, this, &MqttConnection::service);
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &MqttConnection::connectNow);
}

MqttConnection::~MqttConnection()
{
    dropSocket();
    if (client)
        mosquitto_destroy(client);
}

bool MqttConnection::start(QString& error)
{
    if (!client) {
        error = QStringLiteral("cannot make an MQTT client");
        return false;
    }
    if (!config.user.isEmpty() &&
        mosquitto_username_pw_set(client, utf8(config.user).constData(), utf8(config.password).constData()) !=
            MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("[mqtt] user or password refused");
        return false;
    }
    if (config.tls) {
        const QByteArray ca = utf8(config.caFile), certificate = utf8(config.certificate), key = utf8(config.key);
        const int rc = mosquitto_tls_set(client, ca.constData(), nullptr, orNull(certificate), orNull(key), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = QStringLiteral("[mqtt] TLS files: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    }
    connectNow();
    misc.start();
    return true;
}

void MqttConnection::connectNow()
{
    if (stopping)
        return;
    const int rc = retryMs == 0 && !readable
        ? mosquitto_connect_async(client, utf8(config.host).constData(), config.port, kKeepAliveSeconds)
        : mosquitto_reconnect_async(client);
    if (rc != MOSQ_ERR_SUCCESS) {
        if (retryMs == 0)
            qWarning("zq40d: MQTT broker %s port %u: %s", qPrintable(config.host), unsigned(config.port),
                     rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc));
        retryLater();
        return;
    }
    watchSocket();
}

void MqttConnection::watchSocket()
{
    const int fd = mosquitto_socket(client);
    if (readable && readable->socket() == fd)
        return;
    dropSocket();
    if (fd < 0)
        return;
    readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(readable.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_read(client, 1);
        service();
    });
    connect(writable.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_write(client, 1);
        service();
    });
    writable->setEnabled(mosquitto_want_write(client));
}

void MqttConnection::dropSocket()
{
    readable.reset();
    writable.reset();
}

void MqttConnection::retryLater()
{
    isConnected = false;
    dropSocket();
    retryMs = retryMs == 0 ? kFirstRetryMs : std::min(retryMs * 2, kLongestRetryMs);
    if (!stopping)
        retry.start(retryMs);
}

// After each turn of the library: its socket may have closed or changed,
// and it may have packets to write.
void MqttConnection::service()
{
    if (!client || retry.isActive())
        return;
    if (mosquitto_socket(client) < 0) {
        if (!stopping)
            retryLater();
        return;
    }
    mosquitto_loop_misc(client);
    watchSocket();
    if (writable)
        writable->setEnabled(mosquitto_want_write(client));
}

void MqttConnection::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!isConnected)
        return;
    mosquitto_publish(client, nullptr, utf8(topic).constData(), int(payload.size()), payload.constData(), kQos, retain);
    if (writable)
        writable->setEnabled(mosquitto_want_write(client));
}

void MqttConnection::subscribe(const QString& topic)
{
    if (isConnected)
        mosquitto_subscribe(client, nullptr, utf8(topic).constData(), kQos);
}

void MqttConnection::stop(const QString& topic, const QByteArray& payload, int waitMs)
{
    stopping = true;
    retry.stop();
    misc.stop();
    if (!isConnected)
        return;
    dropSocket();
    const QByteArray name = utf8(topic);
    int mid = 0;
    mosquitto_publish(client, &mid, name.constData(), int(payload.size()), payload.constData(), kQos, true);
    mosquitto_disconnect(client);
    // Until the broker has the goodbye and the connection is closed.
    const QDeadlineTimer deadline(waitMs);
    while (mosquitto_socket(client) >= 0 && !deadline.hasExpired())
        if (mosquitto_loop(client, 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    isConnected = false;
}

void MqttConnection::onConnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttConnection*>(self);
    if (rc != 0) {
        qWarning("zq40d: MQTT broker %s refused the connection: %s", qPrintable(c->config.host),
                 mosquitto_connack_string(rc));
        return; // the broker closes it; service() tries again later
    }
    if (c->retryMs != 0)
        qInfo("zq40d: MQTT broker %s port %u reached again", qPrintable(c->config.host), unsigned(c->config.port));
    else
        qInfo("zq40d: MQTT broker %s port %u connected", qPrintable(c->config.host), unsigned(c->config.port));
    c->retryMs = 0;
    c->isConnected = true;
    // Its watchers publish and subscribe: not from inside the library's turn.
    QMetaObject::invokeMethod(c, &MqttConnection::DoConnected, Qt::QueuedConnection);
}

void MqttConnection::onDisconnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttConnection*>(self);
    if (c->isConnected && rc != 0 && !c->stopping)
        qWarning("zq40d: MQTT broker %s: connection lost", qPrintable(c->config.host));
    c->isConnected = false;
}

void MqttConnection::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* c = static_cast<MqttConnection*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    // Handling a command may send to a unit and let events run: outside
    // the library's turn, where its read can be entered again.
    QMetaObject::invokeMethod(
        c, [c, topic, payload] { emit c->DoMessage(topic, payload); }, Qt::QueuedConnection);
}

} // namespace zq40::daemon
