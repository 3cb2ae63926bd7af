// USB and HID descriptors the unit presents.
#pragma once

#include <cstdint>
#include <vector>

#include "zq40emu/config.h"

namespace zq40emu::detail {

// Vendor-defined page, one 64-byte input and one 64-byte output report, no report IDs.
const std::vector<uint8_t>& reportDescriptor();

// Device, configuration, interface, HID and both interrupt endpoint descriptors,
// as the usb_device's "descriptors" attribute holds them.
std::vector<uint8_t> usbDescriptors(const UnitConfig& config);

} // namespace zq40emu::detail
