// What an emulated unit is made of: identity, attached children, stored
// parameter blocks, and the faults it should misbehave with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "zq40emu/bootloader.h"
#include "zq40emu/report.h"

namespace zq40emu {

// A device hanging off the main unit (paging station or remote).
struct ChildConfig {
    uint16_t childID = 0; // the child key
    uint32_t model = 0;
    std::array<uint8_t, 16> info{};     // revision word at offset 0, version word at offset 8
    std::vector<FlashRegion> regions{}; // empty: childRegions(version())

    uint32_t revision() const;
    uint32_t version() const;

    friend bool operator==(const ChildConfig&, const ChildConfig&) = default;
};

constexpr uint16_t kPagingStationKey = 257;
constexpr uint32_t kPagingStationModel = 502;
constexpr uint16_t kFirstRemoteKey = 258;
constexpr uint16_t kLastRemoteKey = 264;
constexpr uint32_t kRemoteModel200 = 200;
constexpr uint32_t kRemoteModel202 = 202;

ChildConfig pagingStation(uint32_t version, uint32_t revision = 1);
ChildConfig remote(uint16_t key, uint32_t model, uint32_t version, uint32_t revision = 1);

// Parameter blocks, in the order the unit reports them for a msgID 49 request.
constexpr std::array<uint8_t, 14> kBlockCodes = {1, 16, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
// Size in bytes of the block with this code; 0 for codes the unit does not know.
// Code 2 is another view of block 16.
std::size_t blockSize(uint8_t code);
// The block a code is stored in (2 -> 16, others unchanged).
uint8_t storageCode(uint8_t code);
// The blocks of a unit as it leaves the factory (names "Zone 1" ...,
// "Orlo ZQ40", faders at 80 %, nothing linked). A UnitConfig without
// blocks starts with all of them zeroed instead.
std::map<uint8_t, std::vector<uint8_t>> factoryBlocks();

// The six words of the msgID 1 (version) reply.
struct VersionWords {
    uint32_t perID = 601;
    uint32_t word1 = 3;
    uint32_t word2 = 0;
    uint32_t ver = 0x01040023;
    uint32_t ser = 12345;
    uint32_t word5 = 0;

    friend bool operator==(const VersionWords&, const VersionWords&) = default;
};

// Misbehaviour of a unit: from power-up with UnitConfig::faults, changeable
// at any time with Unit::setFaults.
struct Faults {
    bool silent = false;        // firmware hung: the host's reports are recorded, nothing else happens
    int delayMs = 0;            // answers come this late
    bool wrongTag = false;      // answers carry a tag the host did not send
    bool wrongCnt = false;      // answers carry a cnt that does not fit the message
    bool otherMsgFirst = false; // before each answer the unit sends a report with another msgID
    uint8_t otherMsgId = msg::kParamBlock;
    int floodReports = 0;                 // unsolicited reports sent before each answer
    bool floodAnyMsgId = false;           // flood with arbitrary msgIDs rather than msgID 49 blocks
    int unplugAfterReports = 0;           // yank the cable when the host has written this many more reports
    std::vector<uint8_t> ignoredMsgIds{}; // requests the firmware records but never answers
    uint32_t seed = 1;                    // makes floods reproducible
};

struct UnitConfig {
    // USB identity
    uint16_t vendorId = kVendorId;
    uint16_t productId = kMainUnitProductId;
    uint16_t bcdDevice = 0x0100;
    std::string product = "ZQ40";
    std::string manufacturer = "Orlo";
    std::string serialString; // empty: the decimal of version.ser (Unit::config() shows the result)

    VersionWords version; // what msgID 1 reports
    uint8_t status = 0;
    std::array<uint32_t, 2> flashParams{};
    std::vector<ChildConfig> children;              // connected at power-up
    std::map<uint8_t, std::vector<uint8_t>> blocks; // initial blocks; others are zero
    int rebootMs = 200; // how long the unit is off the bus after msgID 22 and after a firmware update

    // Firmware update
    bool startInBootloader = false;     // plugged in running its bootloader
    int bootloaderStartMs = 200;        // off the bus after msgID 23
    int childRestartMs = 100;           // a child's absence between msgID 35 and 34 after its update
    std::vector<FlashRegion> regions{}; // empty: mainUnitRegions(version.ver)

    // At most one report per millisecond each way, as USB full speed
    // interrupt endpoints allow.
    bool paced = false;

    // A foreign unit never answers anything (another vendor's HID device).
    bool foreign = false;

    // Misbehaviour from power-up, before the host has written anything.
    Faults faults{};
};

} // namespace zq40emu
