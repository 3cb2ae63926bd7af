#include "library_events.h"

#include <cstring>

namespace testsupport {

namespace {

void onReport(ousb_handle_t h, hid_report_t* report)
{
    LibraryEvent e(LibraryEvent::report);
    e.handle = h;
    std::memcpy(e.bytes.data(), report, e.bytes.size());
    LibraryEvents::instance().record(e);
}

LibraryEvent deviceEvent(LibraryEvent::Kind kind, ousb_handle_t h, const ousb_device_info_t* info)
{
    LibraryEvent e(kind);
    e.handle = h;
    e.info = *info;
    e.name = info->name ? info->name : "";
    return e;
}

void onConnect(ousb_handle_t h, ousb_device_info_t* info)
{
    if (LibraryEvents::instance().registerReadCallbacks)
        ousb_RegisterReadReportCallback(h, onReport);
    LibraryEvents::instance().record(deviceEvent(LibraryEvent::connect, h, info));
}

void onDisconnect(ousb_handle_t h, ousb_device_info_t* info)
{
    LibraryEvents::instance().record(deviceEvent(LibraryEvent::disconnect, h, info));
}

LibraryEvent childEvent(LibraryEvent::Kind kind, ousb_handle_t h, const ousb_child_device_info_t* child)
{
    LibraryEvent e(kind);
    e.handle = h;
    e.name = child->name ? child->name : "";
    e.childKey = uint16_t(child->childID[0] << 8 | child->childID[1]); // high byte first
    e.childModel = child->model;
    std::memcpy(e.childInfo.data(), child->info, e.childInfo.size());
    return e;
}

void onChildConnect(ousb_handle_t h, ousb_child_device_info_t* child)
{
    LibraryEvents::instance().record(childEvent(LibraryEvent::childConnect, h, child));
}

void onChildDisconnect(ousb_handle_t h, ousb_child_device_info_t* child)
{
    LibraryEvents::instance().record(childEvent(LibraryEvent::childDisconnect, h, child));
}

} // namespace

LibraryEvents& LibraryEvents::instance()
{
    static LibraryEvents recorder;
    return recorder;
}

void LibraryEvents::install()
{
    ousb_RegisterDeviceConnect(onConnect);
    ousb_RegisterDeviceDisconnect(onDisconnect);
    ousb_RegisterChildDeviceConnect(onChildConnect);
    ousb_RegisterChildDeviceDisconnect(onChildDisconnect);
}

void LibraryEvents::uninstall()
{
    ousb_UnregisterDeviceConnect(onConnect);
    ousb_UnregisterDeviceDisconnect(onDisconnect);
    ousb_UnregisterChildDeviceConnect(onChildConnect);
    ousb_UnregisterChildDeviceDisconnect(onChildDisconnect);
}

void LibraryEvents::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

void LibraryEvents::setOnEvent(std::function<void(const LibraryEvent&)> hook)
{
    std::lock_guard lock(hookMutex_);
    onEvent_ = std::move(hook);
}

void LibraryEvents::record(LibraryEvent event)
{
    {
        std::lock_guard lock(hookMutex_);
        if (onEvent_)
            onEvent_(event);
    }
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    cv_.notify_all();
}

EventList LibraryEvents::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

bool LibraryEvents::waitFor(const std::function<bool(const EventList&)>& done, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return done(events_); });
}

EventList LibraryEvents::waitForKind(LibraryEvent::Kind kind, size_t count, std::chrono::milliseconds timeout)
{
    waitFor([&](const EventList& all) { return countKind(all, kind) >= count; }, timeout);
    return ofKind(events(), kind);
}

size_t countKind(const EventList& events, LibraryEvent::Kind kind)
{
    size_t n = 0;
    for (const auto& e : events)
        n += e.kind == kind;
    return n;
}

EventList ofKind(const EventList& events, LibraryEvent::Kind kind)
{
    EventList out;
    for (const auto& e : events)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

} // namespace testsupport
