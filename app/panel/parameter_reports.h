// The framing of parameter blocks in the 64-byte reports of the HID link,
// and the fixed orders in which whole configurations are sent.
#pragma once

#include "parameter_blocks.h"

#include <array>
#include <cstdint>
#include <span>

namespace zq40 {

using Report = std::array<uint8_t, 64>;

constexpr uint8_t kMsgParameterWrite = 48;
constexpr uint8_t kMsgParameterReport = 49;  // from the unit
constexpr uint8_t kMsgParameterRequest = 49; // to the unit
constexpr uint8_t kMsgChildEnumeration = 33;

// Byte 5 of a parameter write: cnt 58 whatever the block's size, reply set.
constexpr uint8_t kParameterWriteCnt = 0xBA;

constexpr size_t kCodeOffset = 6;
constexpr size_t kBlockOffset = 7;

// msgID 48, tag 0, byte 5 0xBA, the code in byte 6 and the block from byte 7,
// zeros after it. Codes the program never sends (0, 2, 15, above 16) carry
// no block.
Report parameterWrite(uint8_t code, const ParameterBlocks& blocks);

// msgID set, tag 0, byte 5 0, no payload.
Report parameterRequest();
Report childEnumerationRequest();

// A report from the unit is a parameter report by its msgID alone.
bool isParameterReport(std::span<const uint8_t> report);
// Its code and the bytes that follow the code (more than any block holds;
// ParameterBlocks::store takes what fits). Code 0 and no bytes for a report
// too short to hold them.
uint8_t parameterReportCode(std::span<const uint8_t> report);
std::span<const uint8_t> parameterReportBlock(std::span<const uint8_t> report);

// A configuration file opened onto the current device.
constexpr std::array<hidr_t, 14> kOpenConfigSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_DEVICE_NAME,    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,   HIDR_ZONE_LINKS,
};

// Factory defaults applied to a unit: the device name after the program names.
constexpr std::array<hidr_t, 14> kNewConfigSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,   HIDR_DEVICE_NAME,    HIDR_ZONE_LINKS,
};

// Settings restored after a firmware update: the unit keeps its own links.
constexpr std::array<hidr_t, 13> kRestoreSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_DEVICE_NAME,    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,
};

} // namespace zq40
