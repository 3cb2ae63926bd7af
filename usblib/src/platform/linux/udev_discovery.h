// libudev side of discovery: listing hidraw nodes and watching for changes.
#pragma once

#include <string>

namespace ousb::platform::linux_udev {

// The product string of the USB device above the hidraw node at `syspath`.
bool productString(const std::string& syspath, std::string& out);

// Starts a monitor for hidraw add/remove events; returns its fd or -1.
int startMonitor();
// Reads every queued monitor event; true when at least one arrived.
bool drainMonitor();
void stopMonitor();

} // namespace ousb::platform::linux_udev
