// The main unit's packet handling, free of any I/O: state in, answers out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "zq40emu/config.h"
#include "zq40emu/report.h"

namespace zq40emu::detail {

// Which program runs on the unit; each has its own packet handler. Only the
// application exists so far.
enum class Mode { Application };

struct UnitState {
  VersionWords version;
  uint8_t status = 0;
  std::array<uint32_t, 2> flashParams{};
  uint16_t selectedChild = 0;
  std::vector<ChildConfig> children;
  std::map<uint8_t, std::vector<uint8_t>> blocks;  // by storage code, always full size
  Mode mode = Mode::Application;
};

UnitState initialState(const UnitConfig& config);

struct FirmwareResult {
  std::vector<Report> answers;  // in sending order
  bool reboot = false;
};

class Firmware {
 public:
  virtual ~Firmware() = default;
  virtual FirmwareResult handle(UnitState& state, const Report& request) = 0;
};

std::unique_ptr<Firmware> makeFirmware(Mode mode);

// Reports the unit also sends on its own.
Report childConnectReport(const ChildConfig& child);
Report childDisconnectReport(uint16_t childID);
Report blockReport(uint8_t code, const std::vector<uint8_t>& block);

}  // namespace zq40emu::detail
