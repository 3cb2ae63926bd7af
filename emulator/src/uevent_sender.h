// Delivers uevents to the monitors of processes running under umockdev's
// preload. The preload turns every NETLINK_KOBJECT_UEVENT socket into a unix
// datagram socket named <testbed>/event<fd>; messages use libudev's format, so
// they arrive like udevd's ("udev" monitors).
//
// Unlike umockdev's sender this one waits (bounded) for room when a listener
// lags instead of aborting, and needs no libudev lookup of the device.
#pragma once

#include <chrono>
#include <string>

#include "sysfs.h"

namespace zq40emu::detail {

class UeventSender {
public:
    explicit UeventSender(std::string root)
        : root_(std::move(root))
    {
    }

    // action: add, remove, bind, unbind, change. A listener that has no room
    // for the message within `patience` misses it.
    void send(const DeviceRecord& device, const std::string& action,
              std::chrono::milliseconds patience = std::chrono::milliseconds(2000)) const;

private:
    std::string root_;
};

// Listener sockets hold net.unix.max_dgram_qlen messages (often 10); a host
// that is slow to read would lose events on a burst of plugs. Raises the
// limit when we may (root), before listeners exist. Best effort.
void raiseDatagramQueueLimit(int atLeast);

} // namespace zq40emu::detail
