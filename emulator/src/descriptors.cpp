#include "descriptors.h"

namespace zq40emu::detail {
namespace {

uint8_t lo(uint16_t v)
{
    return static_cast<uint8_t>(v & 0xFF);
}
uint8_t hi(uint16_t v)
{
    return static_cast<uint8_t>(v >> 8);
}

} // namespace

const std::vector<uint8_t>& reportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x06, 0x00, 0xFF, // Usage Page (Vendor Defined 0xFF00)
        0x09, 0x01,       // Usage (0x01)
        0xA1, 0x01,       // Collection (Application)
        0x09, 0x02,       //   Usage (0x02)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x40,       //   Report Count (64)
        0x81, 0x02,       //   Input (Data,Var,Abs)
        0x09, 0x03,       //   Usage (0x03)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x40,       //   Report Count (64)
        0x91, 0x02,       //   Output (Data,Var,Abs)
        0xC0,             // End Collection
    };
    return descriptor;
}

std::vector<uint8_t> usbDescriptors(const UnitConfig& c)
{
    const uint16_t rdescLen = static_cast<uint16_t>(reportDescriptor().size());
    const uint16_t totalLen = 9 + 9 + 9 + 7 + 7;
    return {
        // device: USB 2.0, class per interface, EP0 64 bytes, strings 1/2/3, one configuration
        18,
        0x01,
        0x00,
        0x02,
        0x00,
        0x00,
        0x00,
        64,
        lo(c.vendorId),
        hi(c.vendorId),
        lo(c.productId),
        hi(c.productId),
        lo(c.bcdDevice),
        hi(c.bcdDevice),
        1,
        2,
        3,
        1,
        // configuration: one interface, bus powered, 100 mA
        9,
        0x02,
        lo(totalLen),
        hi(totalLen),
        1,
        1,
        0,
        0x80,
        50,
        // interface 0: HID, no subclass/protocol, two endpoints
        9,
        0x04,
        0,
        0,
        2,
        0x03,
        0x00,
        0x00,
        0,
        // HID 1.11, one report descriptor
        9,
        0x21,
        0x11,
        0x01,
        0x00,
        1,
        0x22,
        lo(rdescLen),
        hi(rdescLen),
        // interrupt IN 0x81 and OUT 0x01, 64 bytes every frame
        7,
        0x05,
        0x81,
        0x03,
        64,
        0,
        1,
        7,
        0x05,
        0x01,
        0x03,
        64,
        0,
        1,
    };
}

} // namespace zq40emu::detail
