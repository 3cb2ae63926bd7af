// The reports the program exchanges with a unit: the only code in the
// program that builds them or reads them. msgIDs are the library's.
#pragma once

#include "orlousb.h"
#include "parameter_blocks.h"

#include <array>
#include <cstdint>
#include <span>

namespace zq40 {

// The 64 bytes of a report that travel: msgID, tag, cnt, payload.
using Report = std::array<uint8_t, OUSB_REPORT_SIZE>;

// Byte 5 of a parameter write: cnt 58 whatever the block's size, reply set.
constexpr uint8_t kParameterWriteCnt = 0xBA;
constexpr size_t kCodeOffset = 6;
constexpr size_t kBlockOffset = 7;

// msgID 10 with the reply flag: the unit answers with its status.
Report statusRequest();
// msgID 48, tag 0, byte 5 0xBA, the code in byte 6 and the block from byte 7,
// zeros after it. Codes the program never sends (0, 2, 15, above 16) carry
// no block.
Report parameterWrite(uint8_t code, const ParameterBlocks& blocks);
// msgID set, tag 0, byte 5 0, no payload.
Report parameterRequest();
Report childEnumerationRequest();

// Writes one report to the unit, blocking until it is sent or refused.
bool writeReport(ousb_handle_t handle, const Report& report);

// The bytes of a report the library received.
std::span<const uint8_t> reportBytes(const hid_report_t& report);

uint8_t msgIdOf(std::span<const uint8_t> report);

// A status reply: payload byte 0 and the bootloader-active byte after it.
struct UnitStatus {
    uint8_t status = 0;
    uint8_t bootloaderActive = 0;
};
UnitStatus statusOf(std::span<const uint8_t> report);

// A parameter report is one by its msgID alone. Its code, and the bytes that
// follow the code (more than any block holds; ParameterBlocks::store takes
// what fits); code 0 and no bytes for a report too short to hold them.
bool isParameterReport(std::span<const uint8_t> report);
uint8_t parameterReportCode(std::span<const uint8_t> report);
std::span<const uint8_t> parameterReportBlock(std::span<const uint8_t> report);

// A child's record: its key under its unit (childID byte 0 is the high
// byte), the selector the library takes to update it (the same bytes read
// little-endian), and the words of its info: the revision in bytes 0 to 3,
// the firmware version (a.b.c.d, a in the top byte) in bytes 8 to 11.
uint16_t childKey(const ousb_child_device_info_t& child);
uint16_t childSelector(const ousb_child_device_info_t& child);
uint32_t childRevision(const ousb_child_device_info_t& child);
uint32_t childVersion(const ousb_child_device_info_t& child);

} // namespace zq40
