#include "qdevicemanager.h"

#include <QCoreApplication>
#include <QMetaType>

#include <mutex>
#include <shared_mutex>
#include <thread>

namespace {

// The one bridge. Callbacks emit through it under a shared lock; the
// destructor clears it under the exclusive lock, after the registry has cut
// its connections and dropped any delivery still waiting, so a callback that
// comes late emits into nothing instead of into a freed object.
std::shared_mutex bridgeMutex;
QDeviceManager* pDeviceManager = nullptr;

template <class Emit>
void emitThroughBridge(Emit emitSignal)
{
    std::shared_lock lock(bridgeMutex);
    if (pDeviceManager)
        emitSignal(pDeviceManager);
}

} // namespace

QDeviceManager::QDeviceManager()
    : QObject(nullptr)
{
    // Names under which the types appear in signal signatures across threads.
    qRegisterMetaType<ousb_handle_t>("ousb_handle_t");
    qRegisterMetaType<const hid_report_t*>("const hid_report_t*");
    qRegisterMetaType<const ousb_device_info_t*>("const ousb_device_info_t*");
    qRegisterMetaType<const ousb_child_device_info_t*>("const ousb_child_device_info_t*");
    qRegisterMetaType<ousb_child_device_info_t>("ousb_child_device_info_t");
    qRegisterMetaType<uint8_t>("u_int8_t");
    qRegisterMetaType<obin_updater_error_t>("obin_updater_error_t");
    {
        std::unique_lock lock(bridgeMutex);
        pDeviceManager = this;
    }
    ousb_RegisterDeviceConnect(DeviceConnectCallback);
    ousb_RegisterDeviceDisconnect(DeviceDisconnectCallback);
    ousb_RegisterChildDeviceConnect(ChildDeviceConnectCallback);
    ousb_RegisterChildDeviceDisconnect(ChildDeviceDisconnectCallback);
}

QDeviceManager::~QDeviceManager()
{
    retire(nullptr);
}

void QDeviceManager::retire(QObject* receiver)
{
    ousb_UnregisterDeviceConnect(DeviceConnectCallback);
    ousb_UnregisterDeviceDisconnect(DeviceDisconnectCallback);
    ousb_UnregisterChildDeviceConnect(ChildDeviceConnectCallback);
    ousb_UnregisterChildDeviceDisconnect(ChildDeviceDisconnectCallback);
    if (receiver)
        disconnect(this, nullptr, receiver, nullptr);
    // A callback may be inside a blocking delivery to `receiver` on this very
    // thread: dropping the delivery releases it, and then its lock.
    while (!bridgeMutex.try_lock()) {
        if (receiver)
            QCoreApplication::removePostedEvents(receiver, QEvent::MetaCall);
        std::this_thread::yield();
    }
    if (pDeviceManager == this)
        pDeviceManager = nullptr;
    bridgeMutex.unlock();
}

void QDeviceManager::DeviceConnectCallback(ousb_handle_t handle, ousb_device_info_t* info)
{
    // Registered before the connect is passed on, so that no report of the
    // unit reaches the registry ahead of its connect event.
    ousb_RegisterReadReportCallback(handle, ReadReportCallback);
    emitThroughBridge([&](QDeviceManager* m) { emit m->DoDeviceConnect(handle, info); });
}

void QDeviceManager::DeviceDisconnectCallback(ousb_handle_t handle, ousb_device_info_t* info)
{
    emitThroughBridge([&](QDeviceManager* m) { emit m->DoDeviceDisconnect(handle, info); });
}

void QDeviceManager::ChildDeviceConnectCallback(ousb_handle_t parent, ousb_child_device_info_t* info)
{
    if (info)
        emitThroughBridge([&](QDeviceManager* m) {
            emit m->DoChildDeviceConnect(parent, *info, QByteArray(info->name ? info->name : ""));
        });
}

void QDeviceManager::ChildDeviceDisconnectCallback(ousb_handle_t parent, ousb_child_device_info_t* info)
{
    if (info)
        emitThroughBridge([&](QDeviceManager* m) { emit m->DoChildDeviceDisconnect(parent, *info); });
}

void QDeviceManager::ReadReportCallback(ousb_handle_t handle, hid_report_t* report)
{
    emitThroughBridge([&](QDeviceManager* m) { emit m->DoDeviceReadReport(handle, report); });
}

void QDeviceManager::UpdaterProgressCallback(uint8_t progress, obin_updater_error_t error)
{
    emitThroughBridge([&](QDeviceManager* m) { emit m->DoUpdaterProgress(uint8_t(progress & 0xFF), error); });
}
