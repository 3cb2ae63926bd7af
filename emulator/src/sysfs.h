// Writes kernel-like device entries into a umockdev testbed directory
// (sysfs dir, subsystem/bus/class links, /sys/dev/char link, device node).
//
// umockdev's own add_device() sends its "add" uevent through a sender that
// aborts the process when a listener's queue is full, and its node table
// cannot reuse a hidraw name; so the emulator lays out the entries itself and
// sends uevents with UeventSender.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zq40emu::detail {

struct DeviceRecord {
    std::string devpath; // "/devices/...", as in DEVPATH
    std::string subsystem;
    bool onBus = true; // bus devices appear under /sys/bus, others under /sys/class
    std::vector<std::pair<std::string, std::string>> properties; // the uevent file, in order
    std::vector<std::pair<std::string, std::string>> attributes; // text, newline appended
    std::vector<std::pair<std::string, std::vector<uint8_t>>> binaryAttributes;
    std::vector<std::pair<std::string, std::string>> links; // name -> relative target
    std::string devname;    // node below /dev ("hidraw0", "bus/usb/001/002"); empty: none
    std::string majmin;     // "241:0"
    std::string nodeTarget; // node is a symlink to this (a pty); else a file with nodeContents
    std::vector<uint8_t> nodeContents;

    std::string syspath() const { return "/sys" + devpath; }
    std::string ueventText() const;
};

class SysfsTree {
public:
    explicit SysfsTree(std::string root)
        : root_(std::move(root))
    {
    }

    // Throws std::system_error when the testbed directory cannot be written.
    void add(const DeviceRecord& record) const;
    // Removes what add() created; the device's children must be removed first.
    void remove(const DeviceRecord& record) const;

private:
    std::string root_;
};

} // namespace zq40emu::detail
