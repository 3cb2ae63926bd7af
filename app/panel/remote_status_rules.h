// What the remote status display decides: which child goes in which status
// slot, the state each slot shows, and the state of the unit as a whole.
// Plain functions over the library's records, so tests can call them directly.
#pragma once

#include "orlousb.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zq40 {

// One line of the status display, fed by the child under one key.
struct RemoteSlot {
    uint16_t key;         // first childID byte * 256 + second
    const char* label;    // object name of the status label
    bool pagingStation;   // the paging station's mismatch text has no name
    bool acceptsModel200; // the master remote takes model 202 only
};

inline constexpr uint32_t kMainUnitModel = 601;

// In the order the display fills them.
inline constexpr std::array<RemoteSlot, 8> kRemoteSlots = {{
    {257, "lbl_dr_status_value_pager", true, false},
    {258, "lbl_dr_status_value_1", false, true},
    {259, "lbl_dr_status_value_2", false, true},
    {260, "lbl_dr_status_value_3", false, true},
    {261, "lbl_dr_status_value_4", false, true},
    {262, "lbl_dr_status_value_5", false, true},
    {263, "lbl_dr_status_value_6", false, true},
    {264, "lbl_dr_status_value_m", false, false},
}};

enum class RemoteState {
    NotConnected,     // no child under the slot's key
    Unsupported,      // a model this slot does not take
    FirmwareMismatch, // older than the firmware the program carries
    Online,
};

// The firmware the program carries for a model (a.b.c.d, a in the top byte).
uint32_t expectedVersion(uint32_t model);

// The child's firmware version: info bytes 8 to 11, little-endian.
uint32_t childVersion(const ousb_child_device_info_t& child);

// The child's revision: info bytes 0 to 3, little-endian.
uint32_t childRevision(const ousb_child_device_info_t& child);

// "1.4.0.35 r.3": the version from the top byte down, then the revision.
std::string childVersionText(const ousb_child_device_info_t& child);

bool slotAcceptsModel(const RemoteSlot& slot, uint32_t model);

// The state of one slot; child is null when nothing is under its key.
RemoteState remoteState(const RemoteSlot& slot, const ousb_child_device_info_t* child);

// True when the unit does not run exactly the firmware the program carries.
bool mainUnitMismatch(uint32_t word5);

enum class UnitState {
    Connected,        // everything current: editing on, update hidden
    FirmwareMismatch, // editing off, update offered
    Unchanged,        // revision 2 or later: the presentation stays as it is
};

// mismatch: the unit's own or any child's firmware is not current.
UnitState unitState(bool mismatch, uint32_t word1);

// Whether the pass enables (true) or disables (false) the parameter
// controls, or leaves them as they are (empty).
std::optional<bool> controlsEnabledAfterPass(UnitState unit, bool childMismatch);

} // namespace zq40
