// What the firmware button decides before it updates anything: whether the
// main unit is current, too new for this program or to be updated, and which
// children, walked by key, take the firmware the program carries. Plain
// functions over version words.
#pragma once

#include <array>
#include <cstdint>

namespace zq40::firmware {

enum class MainUnitStep {
    Current,               // on the carried firmware: the children are next
    NewerSoftwareRequired, // hardware this program does not know: never updated
    Update,                // any other firmware, older or newer
};

// word5: the unit's application version; word1: its hardware revision;
// carried: the version the program carries for model 601.
MainUnitStep mainUnitStep(uint32_t word5, uint32_t word1, uint32_t carried);

// The keys in the order they are updated: the paging station, the six zone
// remotes, the master remote.
inline constexpr std::array<uint16_t, 8> kChildUpdateOrder = {257, 258, 259, 260, 261, 262, 263, 264};

// Same major number and lower: never a downgrade, never a new major version.
bool versionNeedsUpdate(uint32_t version, uint32_t carried);

// A model the child's slot takes, on a version that needs the carried one.
bool childNeedsUpdate(uint16_t key, uint32_t model, uint32_t version);

} // namespace zq40::firmware
