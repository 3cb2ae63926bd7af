// Reading and building the 64-byte reports of the HID link.
#pragma once

#include "byte_order.h"
#include "orlousb.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace ousb {

// Byte offsets inside a report.
constexpr size_t kMsgIdOffset = 0;
constexpr size_t kTagOffset = 1;
constexpr size_t kCntOffset = 5;
constexpr size_t kPayloadOffset = 6;

using byte_order::readLe32;
using byte_order::writeLe32;

struct ReportView {
    const uint8_t* bytes; // 64 bytes

    uint8_t msgID() const { return bytes[kMsgIdOffset]; }
    uint32_t tag() const { return readLe32(bytes + kTagOffset); }
    uint8_t cnt() const { return bytes[kCntOffset] & OUSB_CNT_MASK; }
    const uint8_t* payload() const { return bytes + kPayloadOffset; }
    uint8_t cmd() const { return bytes[kPayloadOffset]; }
};

// A command report as the library builds it: tag 0xDEADBEEF, bit 6 clear.
inline std::array<uint8_t, 64> commandReport(uint8_t msgID, uint8_t cnt, bool reply)
{
    std::array<uint8_t, 64> r{};
    r[kMsgIdOffset] = msgID;
    writeLe32(r.data() + kTagOffset, OUSB_TAG);
    r[kCntOffset] = uint8_t((cnt & OUSB_CNT_MASK) | (reply ? OUSB_REPLY_FLAG : 0));
    return r;
}

} // namespace ousb
