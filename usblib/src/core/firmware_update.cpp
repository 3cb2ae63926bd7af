// Firmware updates of a main unit on the bus and of a child behind it. Both
// validate the container, take the device's I/O over and run the bootloader
// transfer through a tunnel of msgID 24 reports.
#include "bootloader_transfer.h"
#include "container.h"
#include "library.h"
#include "log.h"
#include "report_format.h"

#include <cstring>

using namespace ousb;

namespace {

constexpr auto kReappearTimeout = std::chrono::milliseconds(10000);

// Reports and packets of the update run on the caller's thread through the
// device under update, whose handle may change while the update runs.
class LibraryTunnel final : public transfer::Tunnel {
public:
    bool send(const uint8_t* packet, size_t length) override
    {
        auto& lib = library();
        std::lock_guard lock(lib.transmitMutex);
        const bool acknowledged = length == 0 || packet[0] != 0xC7;
        auto report = commandReport(OUSB_MSG_BOOTLOADER_TUNNEL, uint8_t(length), acknowledged);
        std::memcpy(report.data() + kPayloadOffset, packet, std::min(length, size_t(OUSB_PAYLOAD_SIZE)));
        std::memset(&lib.transmit, 0, sizeof lib.transmit);
        std::memcpy(&lib.transmit, report.data(), report.size());
        return ousb_WriteReport(lib.firmwareUpdateHandle.load(), &lib.transmit);
    }

    bool receive(transfer::Packet& packet) override
    {
        hid_report_t report{};
        if (!ousb_ReadReport(library().firmwareUpdateHandle.load(), &report))
            return false;
        if (report.msgID != OUSB_MSG_BOOTLOADER_TUNNEL)
            return false;
        std::memcpy(packet.data(), report.payload, packet.size());
        return true;
    }

    uint32_t tick() override { return platform::tickCount(); }
};

// One update per process: the update handle, the waiting flag, the shared
// transmit record and the transfer state are single.
std::mutex& updateMutex()
{
    static std::mutex m;
    return m;
}

bool sendChildSelect(ousb_handle_t handle, uint16_t childID)
{
    auto& lib = library();
    std::lock_guard lock(lib.transmitMutex);
    auto report = commandReport(OUSB_MSG_CHILD_SELECT, 0, false);
    report[kPayloadOffset] = uint8_t(childID);
    report[kPayloadOffset + 1] = uint8_t(childID >> 8);
    std::memset(&lib.transmit, 0, sizeof lib.transmit);
    std::memcpy(&lib.transmit, report.data(), report.size());
    return ousb_WriteReport(handle, &lib.transmit);
}

bool runTransfer(uint8_t* image, uint32_t length, uint8_t force, ousb_progress_cb progress)
{
    LibraryTunnel tunnel;
    transfer::BootloaderTransfer t(tunnel, image, length, progress, force != 0);
    return t.run();
}

// Holds both I/O locks of the device under update for the whole transfer:
// other threads' reads and writes of it wait and fail.
class DeviceTakeover {
public:
    explicit DeviceTakeover(DevicePtr device)
        : device_(std::move(device))
    {
        if (device_) {
            device_->readLock.lock();
            device_->writeLock.lock();
        }
    }
    ~DeviceTakeover()
    {
        if (device_) {
            device_->writeLock.unlock();
            device_->readLock.unlock();
        }
    }
    DeviceTakeover(const DeviceTakeover&) = delete;
    DeviceTakeover& operator=(const DeviceTakeover&) = delete;

private:
    DevicePtr device_;
};

// Gets ready for the device under update to come back under a new handle.
void expectNewHandle(Device& old)
{
    auto& lib = library();
    lib.devices.clearPath(old);
    lib.bootloaderFound.reset();
    lib.waitingForNewHandle = true;
}

// A device that came back before the updater started to wait for it (its
// version reply arrived between the finish and the wait) is taken at once.
void adoptReturnedDevice(Device* old)
{
    auto& lib = library();
    DevicePtr back = lib.devices.findIf([old](const Device& d) {
        return &d != old && !d.path.empty() && d.online && d.info.PID == old->info.PID &&
            d.info.perID == old->info.perID && d.info.ser == old->info.ser;
    });
    bool expected = true;
    if (back && lib.waitingForNewHandle.compare_exchange_strong(expected, false)) {
        Device* was = old;
        if (lib.firmwareUpdateHandle.compare_exchange_strong(was, back.get())) {
            logLine("pFirmwareUpdateHandle reassignment " OUSB_HANDLE_FMT " to " OUSB_HANDLE_FMT "\n", logHandle(old),
                    logHandle(back.get()));
            lib.bootloaderFound.set();
        }
    }
}

bool waitForNewHandle(Device* old)
{
    auto& lib = library();
    lib.bootloaderFound.waitFor(kReappearTimeout);
    lib.waitingForNewHandle = false;
    return lib.firmwareUpdateHandle.load() != old;
}

bool updateDevice(ousb_handle_t handle, uint8_t* image, uint32_t length, uint8_t force, ousb_progress_cb progress)
{
    auto& lib = library();
    auto report = [progress](int code) {
        if (progress)
            progress(100, code);
    };

    DevicePtr device = lib.devices.find(handle);
    lib.firmwareUpdateHandle = device.get();
    if (!device || !image || length == 0) {
        logLine("ERROR: ousb_UpdateDeviceFirmware() with NULL parameters?\n");
        report(3);
        lib.firmwareUpdateHandle = nullptr;
        return false;
    }
    if (!obin::validateAndConvert(image, length)) {
        lib.firmwareUpdateHandle = nullptr;
        logLine("ERROR: ousb_UpdateDeviceFirmware() unable to adjust firmware file for platform endian?\n");
        report(19);
        return false;
    }
    uint8_t status[2] = {};
    if (!ousb_GetStatusInfo(handle, status)) {
        lib.firmwareUpdateHandle = nullptr;
        logLine("ERROR: ousb_UpdateDeviceFirmware() unable to get device status?\n");
        report(6);
        platform::requestRescan();
        return false;
    }

    const bool bootloaderStarted = status[1] == 0;
    if (bootloaderStarted) {
        logLine("Starting device bootloader...\n");
        logLine("Firmware updater requests a new handle for bootloader h " OUSB_HANDLE_FMT "\n", logHandle(handle));
        expectNewHandle(*device);
        ousb_StartBootloader(handle);
        if (!waitForNewHandle(device.get())) {
            lib.firmwareUpdateHandle = nullptr;
            logLine("ERROR: ousb_UpdateDeviceFirmware() failed to find bootloader dwErr %d\n",
                    platform::timeoutError());
            report(7);
            platform::requestRescan();
            return false;
        }
        logLine("Firmware updater continue with h " OUSB_HANDLE_FMT "\n", logHandle(lib.firmwareUpdateHandle.load()));
    }

    DevicePtr target = lib.devices.find(lib.firmwareUpdateHandle.load());
    bool result;
    Device* old = target.get();
    {
        DeviceTakeover takeover(target);
        logLine("Firmware updater started h " OUSB_HANDLE_FMT "\n", logHandle(target.get()));
        result = runTransfer(image, length, force, progress);
        if (bootloaderStarted && target) {
            expectNewHandle(*target);
            platform::requestRescan();
            adoptReturnedDevice(old);
        }
        logLine("Firmware obin updater returned h " OUSB_HANDLE_FMT ", retval %d\n", logHandle(target.get()),
                int(result));
    }

    if (result && bootloaderStarted) {
        logLine("Firmware updater waiting for h " OUSB_HANDLE_FMT " to reboot...\n", logHandle(old));
        if (!waitForNewHandle(old)) {
            logLine("Firmware updater waiting for h " OUSB_HANDLE_FMT " timed out?\n", logHandle(old));
            report(1);
            result = false;
        }
    }
    lib.waitingForNewHandle = false;
    logLine(result ? "Firmware completed h " OUSB_HANDLE_FMT "\n" : "Firmware failed h " OUSB_HANDLE_FMT "\n",
            logHandle(lib.firmwareUpdateHandle.load()));
    lib.firmwareUpdateHandle = nullptr;
    platform::requestRescan();
    return result;
}

bool updateChild(ousb_handle_t handle, uint16_t childID, uint8_t* image, uint32_t length, uint8_t force,
                 ousb_progress_cb progress)
{
    auto& lib = library();
    DevicePtr device = lib.devices.find(handle);
    lib.firmwareUpdateHandle = device.get();
    if (!device || !image || length == 0 || !obin::validateAndConvert(image, length)) {
        lib.firmwareUpdateHandle = nullptr;
        return false;
    }
    const bool selected = sendChildSelect(handle, childID);
    bool transferred = false;
    if (selected) {
        DeviceTakeover takeover(device);
        transferred = runTransfer(image, length, force, progress);
    }
    // Always deselect, also after a failed transfer.
    const bool deselected = sendChildSelect(handle, 0);
    lib.firmwareUpdateHandle = nullptr;
    return selected && transferred && deselected;
}

} // namespace

extern "C" {

uint8_t ousb_UpdateDeviceFirmware(ousb_handle_t handle, uint8_t* image, uint32_t length, uint8_t force,
                                  ousb_progress_cb progress)
{
    std::unique_lock lock(updateMutex(), std::try_to_lock);
    if (!lock.owns_lock()) {
        logLine("ERROR: ousb_UpdateDeviceFirmware() another update is in progress?\n");
        return false;
    }
    return updateDevice(handle, image, length, force, progress);
}

uint8_t ousb_UpdateChildDeviceFirmware(ousb_handle_t handle, uint16_t childID, uint8_t* image, uint32_t length,
                                       uint8_t force, ousb_progress_cb progress)
{
    std::unique_lock lock(updateMutex(), std::try_to_lock);
    if (!lock.owns_lock()) {
        logLine("ERROR: ousb_UpdateChildDeviceFirmware() another update is in progress?\n");
        return false;
    }
    return updateChild(handle, childID, image, length, force, progress);
}

} // extern "C"
