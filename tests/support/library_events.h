// Records what orlousb tells its client, for tests to wait on and inspect.
#pragma once

#include "orlousb.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

struct LibraryEvent {
    enum Kind { connect, disconnect, childConnect, childDisconnect, report };
    explicit LibraryEvent(Kind k)
        : kind(k)
    {
    }

    Kind kind;
    ousb_handle_t handle = nullptr;
    ousb_device_info_t info{}; // copied for connect and disconnect
    std::string name;          // product or model name
    uint16_t childKey = 0;
    uint32_t childModel = 0;
    std::array<uint8_t, 16> childInfo{};
    std::array<uint8_t, 64> bytes{}; // for reports
};

using EventList = std::vector<LibraryEvent>;

// Installs plain callbacks that record every event; on connect it also
// registers the read-report callback, as a client does.
class LibraryEvents {
public:
    static LibraryEvents& instance();

    void install();
    void uninstall();
    void clear();

    EventList events() const;
    // Waits until `done` holds for the recorded events.
    bool waitFor(const std::function<bool(const EventList&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Waits for `count` events of `kind` in all; returns them (fewer on timeout).
    EventList waitForKind(LibraryEvent::Kind kind, size_t count,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

    // `hook` is called on the worker thread at every event, before it is
    // recorded; may be set or cleared while the worker runs.
    void setOnEvent(std::function<void(const LibraryEvent&)> hook);
    bool registerReadCallbacks = true;

    void record(LibraryEvent event);

private:
    std::mutex hookMutex_;
    std::function<void(const LibraryEvent&)> onEvent_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    EventList events_;
};

size_t countKind(const EventList& events, LibraryEvent::Kind kind);
EventList ofKind(const EventList& events, LibraryEvent::Kind kind);

} // namespace testsupport
