// zq40d's service: the units on this thread's event loop, held as the window
// and zq40ctl hold them, and the JSON API over them for the callers that
// prove who they are; the scenes it keeps, applied on request and by the
// clock.
#pragma once

#include "clock_watch.h"
#include "daemon_config.h"
#include "http_listener.h"
#include "mqtt/mqtt_bridge.h"
#include "page_sessions.h"
#include "panel_core.h"
#include "scene_schedule.h"
#include "scenes.h"
#include "secret_store.h"
#include "service_prompter.h"
#include "setting_edits.h"
#include "throttle.h"
#include "unit_events.h"
#include "unit_lender.h"
#include "unit_waiter.h"

#include <QTimer>

#include <memory>
#include <optional>

namespace zq40::daemon {

class Service {
public:
    Service(const DaemonConfig& config, SecretStore& secrets, Throttle::Clock clock = {},
            SceneSchedule::Clock wallClock = {});

    // Waits for the units present, then listens: on loopback only until a
    // staff PIN is set.
    bool start(QString& error);
    // Says goodbye to the broker.
    void stop();
    quint16 port() const { return listener->port(); }
    int openEventSockets() const { return listener->openSockets(); }

    static constexpr char kEventsPath[] = "/api/v1/events";

    Scenes& scenes() { return sceneFiles; }
    SceneSchedule& schedule() { return scheduler; }
    // Work that sends to units, from outside a request: in turn with them.
    void runInTurn(std::function<void()> job) { listener->runInTurn(std::move(job)); }

private:
    struct Caller {
        Role role = Role::Staff;
        QString who; // for the log: role, token or session, address
    };

    HttpReply handle(const HttpRequest& request);
    std::optional<Caller> caller(const HttpRequest& request);
    // Why a WebSocket for the events may not stay open; empty when it may.
    QString refusedEvents(const HttpRequest& handshake);
    HttpReply signIn(const HttpRequest& request);
    HttpReply units();
    HttpReply settings(uint32_t serial);
    HttpReply changeSettings(const HttpRequest& request, const Caller& caller, uint32_t serial);
    // Checks and sends `values` for `caller`: empty when sent, otherwise
    // the refusal and its HTTP status.
    QString editSettings(const std::vector<NamedValue>& values, const Caller& caller, uint32_t serial, int& status);
    bool startMqtt(QString& error);
    HttpReply unitConfig(uint32_t serial);
    HttpReply loadConfig(const HttpRequest& request, const Caller& caller, uint32_t serial);
    QDevice* readyUnit(uint32_t serial) const;
    // Scenes and their schedule (scene_api.cpp).
    HttpReply sceneRequest(const HttpRequest& request, const QStringList& parts);
    HttpReply scheduleList();
    // Why a scene cannot go to the unit, with the answer's status; status 0
    // and the unit when it can.
    bool mayApplyScenes(Role role) const { return role == Role::Installer || config.staffScenes; }
    std::pair<int, QString> sceneRefusal(uint32_t serial, QDevice*& unit);
    void runSchedule(const SceneScheduleEntry& entry);
    // Takes the units another program let go of: the system tells nobody
    // when a lock ends, so while one holds a unit this looks again now and then.
    void lookForFreedUnits();

    DaemonConfig config;
    SecretStore& secrets;
    ServicePrompter prompter;
    PanelCore core;
    UnitWaiter waiter;
    UnitEvents events;
    UnitLender lender;
    QTimer freedUnits;
    Throttle throttle;
    PageSessions sessions;
    std::unique_ptr<HttpListener> listener;
    Scenes sceneFiles;
    SceneSchedule scheduler;
    ClockWatch clockWatch;
    std::unique_ptr<MqttBridge> mqtt;
};

} // namespace zq40::daemon
