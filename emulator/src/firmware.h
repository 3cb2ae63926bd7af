// The main unit's packet handling, free of any I/O: state in, answers out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "boot_device.h"
#include "zq40emu/config.h"
#include "zq40emu/report.h"

namespace zq40emu::detail {

// Which program runs on the unit; each has its own packet handler.
enum class Mode { Application, Bootloader };

// A child's bootloader and memory, kept while the child is away.
struct ChildFlash {
    ChildConfig config; // as last connected
    BootDevice boot;
    unsigned appearance = 0; // moves on with every connect and drop, so a late reconnect can tell it is stale
};

struct UnitState {
    VersionWords version;
    uint8_t status = 0;
    std::array<uint32_t, 2> flashParams{};
    uint16_t selectedChild = 0;
    std::vector<ChildConfig> children;
    std::map<uint8_t, std::vector<uint8_t>> blocks; // by storage code, always full size
    Mode mode = Mode::Application;
    BootDevice boot;                           // the unit's own bootloader
    std::map<uint16_t, ChildFlash> childFlash; // by child key
};

UnitState initialState(const UnitConfig& config);
// A child's bootloader as it leaves the factory.
BootDevice childBootDevice(const ChildConfig& child);

// How the unit leaves the bus after a packet.
enum class Restart { None, Reboot, EnterBootloader, LeaveBootloader };

struct FirmwareResult {
    std::vector<Report> answers; // in sending order
    Restart restart = Restart::None;
    std::vector<uint16_t> childrenRestarting; // finished their update
    std::vector<uint16_t> childrenLost;       // dropped off mid-transfer
};

class Firmware {
public:
    virtual ~Firmware() = default;
    virtual FirmwareResult handle(UnitState& state, const Report& request) = 0;
};

std::unique_ptr<Firmware> makeFirmware(Mode mode);
std::unique_ptr<Firmware> makeApplication();
std::unique_ptr<Firmware> makeBootloader();

// Answers both programs give.
Report versionReport(const UnitState& state, uint32_t tag);
Report statusReport(const UnitState& state, uint32_t tag);

// Reports the unit also sends on its own.
Report childConnectReport(const ChildConfig& child);
Report childDisconnectReport(uint16_t childID);
// The child key in a report's first two payload bytes, high byte first.
void putChildKey(Report& r, uint16_t key);
uint16_t childKeyAt(const Report& r);
Report blockReport(uint8_t code, const std::vector<uint8_t>& block);

} // namespace zq40emu::detail
