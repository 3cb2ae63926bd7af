// Scanning the system's HID interfaces into the device list, and dropping it.
#include "discovery.h"

#include "commands.h"
#include "library.h"
#include "log.h"

#include <cstring>

namespace ousb {

namespace {

uint8_t versionByte(const Device& d, int shift)
{
    return uint8_t(d.info.ver >> shift);
}

void copyName(std::array<char, kNameCapacity>& to, const std::string& from)
{
    size_t n = std::min(from.size(), to.size() - 1);
    std::memcpy(to.data(), from.data(), n);
    to[n] = '\0';
}

// Stops all I/O of a record that leaves the list (or is kept closed).
void closeRecord(Device& d)
{
    if (d.file) {
        platform::unwatch(*d.file);
        d.file->close();
    }
    d.readQueued = false;
}

void markDeleted(Device& d)
{
    d.deleted = true;
    d.readQueue.wakeAll();
}

void announceRemoval(Device& d, bool online)
{
    auto& lib = library();
    for (auto& child : d.children) {
        if (online)
            if (auto cb = lib.callbacks.childDisconnect.load())
                cb(d.handle(), &child->info);
    }
    d.children.clear();
    if (online)
        if (auto cb = lib.callbacks.disconnect.load())
            cb(d.handle(), &d.info);
}

DevicePtr createRecord(const platform::HidInterface& iface)
{
    if (iface.vendorId != OUSB_VENDOR_ID || !iface.productId)
        return nullptr;

    int error = 0;
    auto file = platform::openHidFile(iface, error);
    if (!file) {
        logLine("ERROR: CreateFile() failed?\n");
        return nullptr;
    }
    std::string productString;
    if (!file->productString(productString)) {
        file->close();
        logLine("ERROR: HidD_GetProductString() failed?\n");
        return nullptr;
    }

    auto d = std::make_shared<Device>();
    auto& lib = library();
    d->key = lib.nextKey++;
    d->file = std::move(file);
    copyName(d->product, productString);
    d->path = iface.path.substr(0, kNameCapacity - 1);
    d->appearance = iface.appearance;
    d->info.PID = *iface.productId;
    d->info.name = d->product.data();
    lib.devices.append(d);

    logLine("Create h " OUSB_HANDLE_FMT " '%s' version req 1\n", logHandle(d.get()), d->product.data());
    queueNextRead(*d);
    requestDeviceVersion(*d);
    return d;
}

void announce(Device& d)
{
    if (auto cb = library().callbacks.connect.load())
        cb(d.handle(), &d.info);
    enumerateChildDevices(d);
    d.connectPending = false;
}

void deleteUnseen(int& deleted)
{
    auto& lib = library();
    bool restart = true;
    while (restart) {
        restart = false;
        for (const auto& d : lib.devices.snapshot()) {
            if (d->seen)
                continue;
            if (lib.updateInProgress()) {
                // Deferred: the record stays until the update has ended.
                closeRecord(*d);
                continue;
            }
            bool online = d->online;
            if (online)
                logLine("Offline and delete of h " OUSB_HANDLE_FMT " ver %d.%d.%d.%d\n", logHandle(d.get()),
                        versionByte(*d, 24), versionByte(*d, 16), versionByte(*d, 8), versionByte(*d, 0));
            else
                logLine("Delete of h " OUSB_HANDLE_FMT ", already offline ver %d.%d.%d.%d\n", logHandle(d.get()),
                        versionByte(*d, 24), versionByte(*d, 16), versionByte(*d, 8), versionByte(*d, 0));
            lib.devices.remove(d.get());
            closeRecord(*d);
            markDeleted(*d);
            announceRemoval(*d, online);
            ++deleted;
            restart = true;
            break;
        }
    }
}

} // namespace

bool scanForDevices(int all)
{
    auto& lib = library();
    logLine("ScanForDevices() all %d\n", all);
    for (const auto& d : lib.devices.snapshot())
        d->seen = false;

    std::vector<platform::HidInterface> interfaces;
    int failedDetails = 0;
    if (platform::listHidInterfaces(interfaces, failedDetails) != platform::ListResult::ok) {
        logLine("ERROR: SetupDiGetClassDevs() failed?\n");
        return false;
    }
    if (interfaces.empty() && failedDetails == 0)
        logLine("ERROR: SetupDiEnumDeviceInterfaces() did not enumerate any devices?\n");
    for (int i = 0; i < failedDetails; ++i)
        logLine("ERROR: SetupDiGetDeviceInterfaceDetail() failed?\n");

    int found = 0;
    for (const auto& iface : interfaces) {
        DevicePtr d = lib.devices.findByPath(iface.path.substr(0, kNameCapacity - 1), iface.appearance);
        if (!d) {
            d = createRecord(iface);
            if (!d)
                continue;
        } else if ((all == 1 || d->connectPending) && !lib.updateInProgress() && d->online) {
            announce(*d);
        }
        d->seen = true;
        ++found;
    }

    int deleted = 0;
    deleteUnseen(deleted);
    if (lib.updateInProgress())
        logLine("ScanForDevices() complete with %d devices, deletes deferred due to firmware update\n", found);
    else
        logLine("ScanForDevices() complete with %d devices and %d devices deleted\n", found, deleted);
    return true;
}

void dropAllDevices(bool withCallbacks)
{
    // Every device is closed before the first is announced: a client told
    // that one is gone may count on all of them being free for others.
    const auto all = library().devices.takeAll();
    for (const auto& d : all) {
        closeRecord(*d);
        markDeleted(*d);
    }
    for (const auto& d : all) {
        if (withCallbacks)
            announceRemoval(*d, d->online);
        else
            d->children.clear();
    }
}

} // namespace ousb
