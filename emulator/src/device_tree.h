// The sysfs records of a unit as the kernel creates them on plug-in:
// usb_device -> usb_interface -> hid device -> hidraw node.
#pragma once

#include <string>
#include <vector>

#include "sysfs.h"
#include "zq40emu/config.h"

namespace zq40emu::detail {

constexpr int kUsbMajor = 189;
constexpr int kHidrawMajor = 241; // dynamic in the kernel; a common value

// Where on the bus a unit shows up this time.
struct Placement {
    int busnum = 1;
    int port = 1;             // root hub port
    int devnum = 2;           // changes on every enumeration
    unsigned hidInstance = 1; // the ".000N" of the hid device; never reused
    int hidrawMinor = 0;      // lowest free
};

struct UnitTree {
    DeviceRecord usb;
    DeviceRecord interface;
    DeviceRecord hid;
    DeviceRecord hidraw;
};

// serial: the USB serial string; ptyPath: what /dev/hidrawN points to.
UnitTree unitTree(const UnitConfig& config, const std::string& serial, const Placement& where,
                  const std::string& ptyPath);

// PCI xHCI controller and its root hub, parents of every unit.
std::vector<DeviceRecord> hostControllerTree();

} // namespace zq40emu::detail
