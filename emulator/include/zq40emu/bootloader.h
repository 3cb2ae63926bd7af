// The firmware update side of a unit or child: flash regions, the packets its
// bootloader speaks through msgID 24 reports, what it recorded, and how it
// should misbehave.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zq40emu {

// Packet codes, first byte of a tunnelled packet. Words are little-endian.
namespace boot {
// host -> device
constexpr uint8_t kHello = 0xC0;
constexpr uint8_t kFinish = 0xC1;
constexpr uint8_t kGetInfo = 0xC2;
constexpr uint8_t kSelectRegion = 0xC4; // region index word
constexpr uint8_t kBeginRegion = 0xC5;  // model, index, version, base, length, CRC words
constexpr uint8_t kWrite = 0xC6;        // address word, n, n data bytes; acknowledged
constexpr uint8_t kWriteNoAck = 0xC7;   // same, never answered
constexpr uint8_t kEndRegion = 0xC8;    // region index word
// device -> host
constexpr uint8_t kHelloReply = 0x80;
constexpr uint8_t kAck = 0x81;        // word at 1
constexpr uint8_t kRefusal = 0x82;    // error code at 1
constexpr uint8_t kRegionInfo = 0x83; // model, index, version, base, length, CRC words at 1
constexpr uint8_t kDeviceInfo = 0x84; // region count at 1

constexpr std::size_t kMaxWriteData = 52;

// Refusal codes.
constexpr uint8_t kErrRegion = 81;  // no such region
constexpr uint8_t kErrModel = 82;   // firmware for another model
constexpr uint8_t kErrAddress = 83; // base address, or a write outside the region being written
constexpr uint8_t kErrLength = 84;  // region length
constexpr uint8_t kErrPacket = 85;  // unknown or truncated packet (our choice of code)
} // namespace boot

// One region of a device's flash.
struct FlashRegion {
    uint32_t base = 0;
    uint32_t length = 0;
    uint32_t version = 0;            // what region info reports until the region is programmed
    std::vector<uint8_t> contents{}; // initial memory, padded with 0xFF; empty: see `erased`
    bool erased = false;             // empty contents: all 0xFF rather than old firmware bytes

    friend bool operator==(const FlashRegion&, const FlashRegion&) = default;
};

// Default memory maps, every region at `version` and holding old firmware.
std::vector<FlashRegion> mainUnitRegions(uint32_t version); // model 601, 5 regions
std::vector<FlashRegion> childRegions(uint32_t version);    // models 200, 202, 502: 2 regions

// A bootloader packet as a device received it.
struct BootPacket {
    uint8_t kind = 0;             // first byte (boot::kHello ...)
    int region = -1;              // index in select/begin/end; for writes the region being written; else -1
    uint32_t address = 0;         // writes
    uint8_t length = 0;           // writes: n
    bool ackRequested = true;     // false for boot::kWriteNoAck
    uint8_t answer = 0;           // first byte of the device's answer; 0: none
    uint8_t error = 0;            // refusal code when answer is boot::kRefusal
    std::vector<uint8_t> bytes{}; // the packet, cnt bytes

    bool answered() const { return answer != 0; }
};

// Refuses packets of a kind (0: any) for a region (-1: any) on some attempts.
// Attempts count the packets of that kind for that region since the faults
// were set, from 1.
struct BootRefusal {
    uint8_t packet = boot::kBeginRegion;
    int region = -1;
    int firstAttempt = 1;
    int lastAttempt = INT_MAX;
    uint8_t code = boot::kErrAddress;
};

// Region and attempts of end region packets (counted as for BootRefusal).
struct BootAttempts {
    int region = -1;
    int firstAttempt = 1;
    int lastAttempt = INT_MAX;
};

// Misbehaviour of one device's bootloader; set with Unit::setBootFaults, which
// also restarts every count here.
struct BootFaults {
    std::vector<BootRefusal> refusals{};
    // Writes (both kinds, from 1) whose data is programmed and acknowledged
    // with one byte flipped.
    std::vector<int> corruptWrites{};
    // End region acknowledges a wrong CRC; the memory itself is right.
    std::vector<BootAttempts> wrongEndCrc{};
    // Silent from this packet on, counting from the last hello as 1; stays
    // silent until the device restarts. 0: never.
    int silentFromPacket = 0;
    // The cable goes (main unit) or the child drops off (child) as the Nth
    // tunnelled packet arrives; it is not acted on. 0: never.
    int unplugAfterTunnelPackets = 0;
    // Main unit: msgID 23 takes it off the bus for good.
    bool bootloaderNeverAppears = false;
    // After finish the device stays away.
    bool neverBackAfterFinish = false;
};

} // namespace zq40emu
