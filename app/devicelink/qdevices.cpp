#include "qdevices.h"

#include "report_codec.h"

namespace {

constexpr uint32_t kMainUnitPerID = 601;

} // namespace

QDevices::QDevices(QObject* parent, DeviceView* view)
    : QObject(parent)
    , view(view)
{
    connect(&manager, &QDeviceManager::DoDeviceReadReport, this, &QDevices::OnDeviceReadReport,
            Qt::BlockingQueuedConnection);
    connect(&manager, &QDeviceManager::DoDeviceConnect, this, &QDevices::OnDeviceConnect, Qt::BlockingQueuedConnection);
    connect(&manager, &QDeviceManager::DoDeviceDisconnect, this, &QDevices::OnDeviceDisconnect,
            Qt::BlockingQueuedConnection);
    // Queued in order behind the events before them; the registry keeps its
    // own copy of each child's record.
    connect(
        &manager, &QDeviceManager::DoChildDeviceConnect, this,
        [this](ousb_handle_t parent, ousb_child_device_info_t info, QByteArray name) {
            info.name = name.data();
            OnChildDeviceConnect(parent, &info);
        },
        Qt::QueuedConnection);
    connect(
        &manager, &QDeviceManager::DoChildDeviceDisconnect, this,
        [this](ousb_handle_t parent, ousb_child_device_info_t info) { OnChildDeviceDisconnect(parent, &info); },
        Qt::QueuedConnection);
}

QDevices::~QDevices()
{
    // No late library event may reach a registry that is going away.
    for (const auto& [handle, device] : devices)
        ousb_UnregisterReadReportCallback(handle, QDeviceManager::ReadReportCallback);
    manager.retire(this);
    for (const auto& [handle, device] : devices)
        delete device;
}

QDevice* QDevices::find(ousb_handle_t handle) const
{
    auto it = devices.find(handle);
    return it == devices.end() ? nullptr : it->second;
}

void QDevices::OnDeviceConnect(ousb_handle_t devHandle, const ousb_device_info_t* pDeviceInfo)
{
    if (!pDeviceInfo || pDeviceInfo->perID != kMainUnitPerID)
        return;
    QDevice* device;
    {
        QMutexLocker locker(&lock);
        device = find(devHandle);
        if (!device) {
            device = new QDevice;
            devices.emplace(devHandle, device);
        }
        device->devHandle = devHandle;
        device->pDeviceInfo = pDeviceInfo;
        zq40::writeReport(devHandle, zq40::statusRequest());
    }
    emit DoNewDeviceOnline(device);
}

void QDevices::OnDeviceDisconnect(ousb_handle_t devHandle, const ousb_device_info_t*)
{
    QMutexLocker locker(&lock);
    auto it = devices.find(devHandle);
    if (it == devices.end())
        return;
    QDevice* device = it->second;
    if (view && view->currentDevice() == device)
        view->fallBackToOfflineDevice();
    devices.erase(it);
    emit DoDeviceOffline(device);
    delete device;
}

void QDevices::OnDeviceReadReport(ousb_handle_t devHandle, const hid_report_t* pReport)
{
    QDevice* shown = view ? view->currentDevice() : nullptr;
    QMutexLocker locker(&lock);
    QDevice* device = find(devHandle);
    if (!device || !pReport)
        return;
    const std::span<const uint8_t> bytes = zq40::reportBytes(*pReport);
    switch (zq40::msgIdOf(bytes)) {
    case OUSB_MSG_STATUS: {
        const zq40::UnitStatus status = zq40::statusOf(bytes);
        device->status = status.status;
        device->bootloaderActive = status.bootloaderActive;
        emit DoNewDeviceBootStatus(device);
        break;
    }
    case OUSB_MSG_PARAMETER_REPORT: {
        const uint8_t code = zq40::parameterReportCode(bytes);
        // A block the unit sent before it took the latest write of it is
        // older than the record: stored, it would undo that write on screen,
        // and with the next write of the block in the unit too.
        if (!device->acceptBlockReport(code))
            break;
        // The bytes copied depend on the code alone; a block never runs
        // past the 64 bytes of the report.
        device->blocks.store(code, zq40::parameterReportBlock(bytes));
        if (code == zq40::HIDR_DEVICE_NAME)
            emit DoUpdateDeviceName(device);
        if (device == shown)
            emit DoUpdateAllParameters(zq40::hidr_t(code));
        break;
    }
    default:
        break;
    }
}

void QDevices::OnChildDeviceConnect(ousb_handle_t parentDevHandle, const ousb_child_device_info_t* pDeviceInfo)
{
    QMutexLocker locker(&lock);
    QDevice* device = find(parentDevHandle);
    if (!device || !pDeviceInfo)
        return;
    const quint16 key = zq40::childKey(*pDeviceInfo);
    QChildDevice*& child = device->children[key];
    if (!child)
        child = new QChildDevice;
    child->parentDevHandle = parentDevHandle;
    child->info = *pDeviceInfo;
    child->name = QByteArray(pDeviceInfo->name ? pDeviceInfo->name : "");
    child->info.name = child->name.data();
    child->pDeviceInfo = &child->info;
    emit DoUpdateRemotesList();
}

void QDevices::OnChildDeviceDisconnect(ousb_handle_t parentDevHandle, const ousb_child_device_info_t* pDeviceInfo)
{
    QMutexLocker locker(&lock);
    QDevice* device = find(parentDevHandle);
    if (!device)
        return;
    if (pDeviceInfo)
        delete device->children.take(zq40::childKey(*pDeviceInfo));
    emit DoUpdateRemotesList();
}
