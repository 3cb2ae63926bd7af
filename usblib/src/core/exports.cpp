// Registration, discovery, lookup and logging entry points.
#include "library.h"
#include "log.h"

using namespace ousb;

namespace {

template <class Callback>
uint8_t registerCallback(std::atomic<Callback>& slot, Callback cb)
{
    slot = cb;
    return true;
}

// Clears the slot only when `cb` is the registered callback.
template <class Callback>
uint8_t unregisterCallback(std::atomic<Callback>& slot, Callback cb)
{
    Callback expected = cb;
    return slot.compare_exchange_strong(expected, nullptr);
}

} // namespace

extern "C" {

uint8_t ousb_RegisterDeviceConnect(ousb_device_connect_cb cb)
{
    return registerCallback(library().callbacks.connect, cb);
}

uint8_t ousb_UnregisterDeviceConnect(ousb_device_connect_cb cb)
{
    return unregisterCallback(library().callbacks.connect, cb);
}

uint8_t ousb_RegisterDeviceDisconnect(ousb_device_disconnect_cb cb)
{
    return registerCallback(library().callbacks.disconnect, cb);
}

uint8_t ousb_UnregisterDeviceDisconnect(ousb_device_disconnect_cb cb)
{
    return unregisterCallback(library().callbacks.disconnect, cb);
}

uint8_t ousb_RegisterChildDeviceConnect(ousb_child_connect_cb cb)
{
    return registerCallback(library().callbacks.childConnect, cb);
}

uint8_t ousb_UnregisterChildDeviceConnect(ousb_child_connect_cb cb)
{
    return unregisterCallback(library().callbacks.childConnect, cb);
}

uint8_t ousb_RegisterChildDeviceDisconnect(ousb_child_disconnect_cb cb)
{
    return registerCallback(library().callbacks.childDisconnect, cb);
}

uint8_t ousb_UnregisterChildDeviceDisconnect(ousb_child_disconnect_cb cb)
{
    return unregisterCallback(library().callbacks.childDisconnect, cb);
}

uint8_t ousb_RegisterReadReportCallback(ousb_handle_t handle, ousb_read_report_cb cb)
{
    DevicePtr d = library().devices.find(handle);
    if (!d)
        return false;
    d->readCallback = cb;
    return true;
}

uint8_t ousb_UnregisterReadReportCallback(ousb_handle_t handle, ousb_read_report_cb cb)
{
    DevicePtr d = library().devices.find(handle);
    return d && unregisterCallback(d->readCallback, cb);
}

uint8_t ousb_EnumerateDevices(void)
{
    // The request events exist from the moment the library is loaded.
    platform::requestEnumerate();
    return true;
}

uint8_t ousb_ReleaseDevices(void)
{
    Library& lib = library();
    if (lib.updateInProgress())
        return false;
    lib.lent = true;
    platform::requestEnumerate();
    return true;
}

uint8_t ousb_ReclaimDevices(void)
{
    library().lent = false;
    platform::requestEnumerate();
    return true;
}

ousb_handle_t ousb_FindDeviceByName(const char* name)
{
    if (!name)
        return nullptr;
    DevicePtr d = library().devices.findByName(name);
    return d ? d->handle() : nullptr;
}

uint8_t ousb_EnableLogging(const char* path)
{
    return enableLogging(path);
}

} // extern "C"
