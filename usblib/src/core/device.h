// The library's records: one Device per open HID interface of the maker,
// with its children (remotes and paging stations behind a main unit).
#pragma once

#include "../platform/platform.h"
#include "orlousb.h"
#include "report_queue.h"
#include "timed_recursive_mutex.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace ousb {

constexpr size_t kNameCapacity = 512; // product string and model name buffers, NUL included

struct Child {
    ousb_child_device_info_t info{};
    std::array<char, kNameCapacity> name{};

    uint16_t selector() const { return uint16_t(info.childID[0] | info.childID[1] << 8); }
};

struct Device {
    // Identifies the record to the event loop; never reused.
    uint64_t key = 0;

    std::unique_ptr<platform::HidFile> file;

    // The reports no reader has taken yet and the read event, for ousb_ReadReport.
    ReportQueue readQueue;
    // Owner-re-entrant, timed: the firmware updater holds both for a whole
    // transfer and calls the report functions inside.
    TimedRecursiveMutex readLock;
    TimedRecursiveMutex writeLock;

    // Worker only: the report being read.
    std::array<uint8_t, 65> inBuffer{};
    // Under writeLock: report ID 0 then the 64 bytes being sent.
    std::array<uint8_t, 65> outBuffer{};

    std::array<char, kNameCapacity> product{};
    // Empty when the record must no longer be matched by a scan. Changed
    // under the device list's lock.
    std::string path;
    // Which appearance of the path the record was opened for.
    uint32_t appearance = 0;

    ousb_device_info_t info{};
    std::atomic<ousb_read_report_cb> readCallback{nullptr};

    // Worker only.
    bool seen = false;
    bool connectPending = true;
    bool readQueued = false;
    std::list<std::unique_ptr<Child>> children;

    std::atomic<bool> online{false};
    // Set when the record leaves the list; wakes and fails waiting readers.
    std::atomic<bool> deleted{false};

    ousb_handle_t handle() { return this; }
};

using DevicePtr = std::shared_ptr<Device>;

} // namespace ousb
