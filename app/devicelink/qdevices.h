// The registry of connected main units: one QDevice per accepted unit, keyed
// by its library handle, with its blocks and children, and six signals that
// tell the window what changed. Its slots run on the GUI thread while the
// library's worker waits.
#pragma once

#include "parameter_blocks.h"
#include "qdevice.h"
#include "qdevicemanager.h"

#include <QMutex>
#include <QObject>

#include <map>

// What the registry needs of the window that shows units.
class DeviceView {
public:
    virtual ~DeviceView() = default;
    // The record the controls show (the offline record when no unit is chosen).
    virtual QDevice* currentDevice() const = 0;
    // The shown unit went away: show the offline record, titled as offline,
    // with every control redrawn from it.
    virtual void fallBackToOfflineDevice() = 0;
};

class QDevices : public QObject {
    Q_OBJECT
public:
    QDevices(QObject* parent, DeviceView* view);
    ~QDevices() override;

    QDevice* find(ousb_handle_t handle) const;
    const std::map<ousb_handle_t, QDevice*>& all() const { return devices; }
    QDeviceManager& bridge() { return manager; }

signals:
    void DoUpdateAllParameters(zq40::hidr_t report_type);
    void DoNewDeviceOnline(QDevice* device);
    void DoNewDeviceBootStatus(QDevice* device);
    void DoDeviceOffline(QDevice* device);
    void DoUpdateRemotesList();
    void DoUpdateDeviceName(QDevice* device);

public slots:
    void OnDeviceReadReport(ousb_handle_t devHandle, const hid_report_t* pReport);
    void OnDeviceConnect(ousb_handle_t devHandle, const ousb_device_info_t* pDeviceInfo);
    void OnDeviceDisconnect(ousb_handle_t devHandle, const ousb_device_info_t* pDeviceInfo);
    void OnChildDeviceConnect(ousb_handle_t parentDevHandle, const ousb_child_device_info_t* pDeviceInfo);
    void OnChildDeviceDisconnect(ousb_handle_t parentDevHandle, const ousb_child_device_info_t* pDeviceInfo);

private:
    // Keys are whole handles: the pointers of a 64-bit library.
    std::map<ousb_handle_t, QDevice*> devices;
    QMutex lock;
    DeviceView* view;
    QDeviceManager manager;
};

Q_DECLARE_METATYPE(zq40::hidr_t)
