// The bridge from the library's callbacks, which run on its worker thread, to
// Qt signals. The registry receives them over blocking-queued connections:
// the worker waits until the GUI thread has handled each event, so events
// arrive in order and the records the library passes are read in place.
#pragma once

#include "orlousb.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

class QDeviceManager : public QObject {
    Q_OBJECT
public:
    QDeviceManager();
    ~QDeviceManager() override;

    // Stops the bridge for good before `receiver`, the object its signals are
    // connected to, goes away: the library's callbacks are unregistered, the
    // connections cut, deliveries still waiting for `receiver` dropped (which
    // releases the library's worker), and later callbacks emit nothing.
    void retire(QObject* receiver);

    static void DeviceConnectCallback(ousb_handle_t handle, ousb_device_info_t* info);
    static void DeviceDisconnectCallback(ousb_handle_t handle, ousb_device_info_t* info);
    static void ChildDeviceConnectCallback(ousb_handle_t parent, ousb_child_device_info_t* info);
    static void ChildDeviceDisconnectCallback(ousb_handle_t parent, ousb_child_device_info_t* info);
    static void ReadReportCallback(ousb_handle_t handle, hid_report_t* report);
    static void UpdaterProgressCallback(uint8_t progress, obin_updater_error_t error);

signals:
    void DoDeviceReadReport(ousb_handle_t devHandle, const hid_report_t* pReport);
    void DoDeviceConnect(ousb_handle_t devHandle, const ousb_device_info_t* pDeviceInfo);
    void DoDeviceDisconnect(ousb_handle_t devHandle, const ousb_device_info_t* pDeviceInfo);
    // A child's record travels as a copy and the library's worker does not
    // wait for it: children come and go during a firmware update, while the
    // GUI thread is inside the update and the update needs the worker.
    // The name travels as a copy of its own: `info.name` points into the
    // library's record.
    void DoChildDeviceConnect(ousb_handle_t parentDevHandle, ousb_child_device_info_t info, QByteArray name);
    void DoChildDeviceDisconnect(ousb_handle_t parentDevHandle, ousb_child_device_info_t info);
    void DoUpdaterProgress(uint8_t progress, obin_updater_error_t error);
};

Q_DECLARE_METATYPE(const hid_report_t*)
Q_DECLARE_METATYPE(const ousb_device_info_t*)
Q_DECLARE_METATYPE(const ousb_child_device_info_t*)
Q_DECLARE_METATYPE(ousb_child_device_info_t)
