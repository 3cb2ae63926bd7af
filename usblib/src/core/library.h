// Process-wide state of the library and the operations the core's files
// share with each other.
#pragma once

#include "auto_reset_event.h"
#include "device.h"
#include "device_list.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace ousb {

struct Callbacks {
    // Plain stores: clients register before they enumerate.
    std::atomic<ousb_device_connect_cb> connect{nullptr};
    std::atomic<ousb_device_disconnect_cb> disconnect{nullptr};
    std::atomic<ousb_child_connect_cb> childConnect{nullptr};
    std::atomic<ousb_child_disconnect_cb> childDisconnect{nullptr};
};

struct Library {
    DeviceList devices;
    Callbacks callbacks;

    // The device under firmware update, or null. While set, scans defer
    // deletes, enumerations are ignored and no connect or read-report
    // callback is made.
    std::atomic<Device*> firmwareUpdateHandle{nullptr};
    // Set while the updater waits for its device to come back under a new handle.
    std::atomic<bool> waitingForNewHandle{false};
    AutoResetEvent bootloaderFound;

    // The transmit record shared by the enumerate-children command and the
    // firmware updater's child-select and tunnel reports.
    std::recursive_mutex transmitMutex;
    hid_report_t transmit{};

    // Set while the devices are released to another program: scans find
    // nothing, hot-plug included.
    std::atomic<bool> lent{false};

    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> nextKey{1};
    std::atomic<std::thread::id> workerId{};

    bool updateInProgress() const { return firmwareUpdateHandle.load() != nullptr; }
    bool onWorker() const { return std::this_thread::get_id() == workerId.load(); }
};

Library& library();

// The worker's handlers (worker.cpp).
platform::WorkerEvents& workerEvents();

// Report handling (report_io.cpp), worker thread only.
void queueNextRead(Device& device);
void completeRead(const DevicePtr& device);
// What completeRead does with the bytes it read (at most 64; the rest of the
// report is zero). The fuzzer feeds reports through here.
void handleIncomingReport(Device& device, const uint8_t* bytes, size_t size);

// Report I/O on a record that is already looked up.
bool writeReport(Device& device, const uint8_t* report64);

} // namespace ousb
