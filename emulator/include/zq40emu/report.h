// One 64-byte HID report as it travels between host and ZQ40 main unit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zq40emu {

constexpr uint16_t kVendorId = 0x3A5B; // the maker's USB vendor id
constexpr uint16_t kMainUnitProductId = 0x0259;

constexpr std::size_t kReportSize = 64;
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kPayloadSize = kReportSize - kHeaderSize; // 58
constexpr uint8_t kCntMask = 0x3F;
constexpr uint8_t kReplyFlag = 0x80;      // set by the host when it wants an answer
constexpr uint32_t kHostTag = 0xDEADBEEF; // tag the host library puts on its requests

// Message ids the main unit knows.
namespace msg {
constexpr uint8_t kVersion = 1;
constexpr uint8_t kStatus = 10;
constexpr uint8_t kSetFlashParams = 20;
constexpr uint8_t kGetFlashParams = 21;
constexpr uint8_t kReboot = 22;
constexpr uint8_t kStartBootloader = 23;
constexpr uint8_t kTunnel = 24;
constexpr uint8_t kChildSelect = 32;
constexpr uint8_t kEnumerateChildren = 33;
constexpr uint8_t kChildConnect = 34;
constexpr uint8_t kChildDisconnect = 35;
constexpr uint8_t kParamWrite = 48;
constexpr uint8_t kParamBlock = 49;
} // namespace msg

// Layout: byte 0 msgID, bytes 1..4 tag (LE), byte 5 cnt (bits 0-5) | reply flag
// (bit 7), bytes 6..63 payload. Multi-byte fields are little-endian.
struct Report {
    std::array<uint8_t, kReportSize> bytes{};

    static Report make(uint8_t msgId, uint32_t tag, uint8_t cnt, bool replyFlag = false);

    uint8_t msgId() const { return bytes[0]; }
    uint32_t tag() const;
    uint8_t cnt() const { return bytes[5] & kCntMask; }
    bool replyFlag() const { return (bytes[5] & kReplyFlag) != 0; }

    void setTag(uint32_t tag);
    void setCnt(uint8_t cnt) { bytes[5] = static_cast<uint8_t>((bytes[5] & ~kCntMask) | (cnt & kCntMask)); }

    uint8_t* payload() { return bytes.data() + kHeaderSize; }
    const uint8_t* payload() const { return bytes.data() + kHeaderSize; }
    uint16_t payloadU16(std::size_t offset) const;
    uint32_t payloadU32(std::size_t offset) const;
    void setPayloadU32(std::size_t offset, uint32_t value);

    friend bool operator==(const Report&, const Report&) = default;
};

} // namespace zq40emu
