// The fourteen parameter blocks of a ZQ40 main unit, as they travel in
// parameter reports and as the program keeps one copy of each per unit.
// Plain byte arrays: every field is read and written in place, and a block
// is always stored or sent whole.
#pragma once

#include "parameter_fields.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zq40 {

// Block numbers of the parameter reports.
enum hidr_t : uint8_t {
    HIDR_ALL = 0,
    HIDR_ZONE_PARAMS = 1,
    HIDR_ZONE_LEVELS_ALT = 2,
    HIDR_INPUTS_PAGING = 3,
    HIDR_ZONE_LABELS_1 = 4,
    HIDR_ZONE_LABELS_2 = 5,
    HIDR_GROUP_LABELS_1 = 6,
    HIDR_GROUP_LABELS_2 = 7,
    HIDR_GROUP_LABELS_3 = 8,
    HIDR_GROUP_LABELS_4 = 9,
    HIDR_GROUP_LABELS_5 = 10,
    HIDR_DEVICE_NAME = 11,
    HIDR_PGM_LABELS_1 = 12,
    HIDR_PGM_LABELS_2 = 13,
    HIDR_ZONE_LINKS = 14,
    HIDR_ZONE_LEVELS = 16,
};

// Bytes of the block stored under `code` (code 2 shares block 16); 0 for
// codes that have no block.
size_t blockSize(uint8_t code);

struct ParameterBlocks {
    std::array<uint8_t, 48> zoneParams{};               // code 1
    std::array<uint8_t, 48> zoneLevels{};               // code 16 (and 2)
    std::array<uint8_t, 45> inputsPaging{};             // code 3
    std::array<std::array<uint8_t, 48>, 7> labels{};    // codes 4 to 10
    std::array<std::array<uint8_t, 48>, 2> pgmLabels{}; // codes 12, 13
    std::array<uint8_t, 30> deviceName{};               // code 11
    std::array<uint8_t, 8> zoneLinks{};                 // code 14

    // The copy of the block stored under `code`; empty for codes without one.
    std::span<uint8_t> block(uint8_t code);
    std::span<const uint8_t> block(uint8_t code) const;

    // Stores a received block whole; false when the code has no copy.
    // `bytes` may be shorter than the block (the rest is left as it was).
    bool store(uint8_t code, std::span<const uint8_t> bytes);

    // The factory default of every field that has one (blocks 1, 3, 4 to 10,
    // 12, 13, 16); with keepName false also the device name "Orlo ZQ40".
    // Block 14 is never touched.
    void setDefaultParameters(bool keepName);

    // One byte field, signed or unsigned as the field reads.
    int get(Field f) const;
    // Stores the low 8 bits of `value`.
    void set(Field f, int value);
    // Any nonzero byte reads as on; on is written as 1.
    bool flag(Field f) const;
    void setFlag(Field f, bool on);

    // The zone's level position, a little-endian float, percent of the span
    // from its minimum to its maximum. Zone 1 to 6; 0 for any other.
    float levelPosition(int zone) const;
    void setLevelPosition(int zone, float position);
    // Level from the stored position with the zone's own minimum and maximum.
    void updateLevel(int zone);
    // Position from the stored level, minimum and maximum.
    void updatePosition(int zone);

    // Membership of zone 1 to 6 in paging group 1 or 2; the mask's bits 0
    // and 7 are left as they are.
    bool groupHasZone(int group, int zone) const;
    void setGroupZone(int group, int zone, bool member);

    // The link between zone `lower` (1 to 5) and the next one. The reserved
    // bytes of the link block are left as they are.
    bool zonesLinked(int lower) const;
    void setZonesLinked(int lower, bool linked);
    void clearZoneLinks();

    // Names as Latin-1 bytes, up to the first NUL or the end of the field.
    std::string label(LabelSlot slot) const;
    std::string deviceNameText() const;
    // Writes at most 14 (label) or 29 (device name) bytes of `latin1`, up to
    // its first NUL, then a NUL; the rest of the field keeps its bytes.
    void setLabel(LabelSlot slot, std::string_view latin1);
    void setDeviceNameText(std::string_view latin1);

    bool operator==(const ParameterBlocks&) const = default;
};

} // namespace zq40
