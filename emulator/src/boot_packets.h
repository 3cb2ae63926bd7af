// Bootloader packets: reading the host's, building the device's, and carrying
// them in msgID 24 reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zq40emu/report.h"

namespace zq40emu::detail {

using Packet = std::vector<uint8_t>;

uint32_t packetWord(const Packet& p, std::size_t offset); // 0 past the end
// Shortest well-formed host packet of this kind; 0 for kinds the bootloader does not know.
std::size_t minimumLength(uint8_t kind);

Packet helloReply();
Packet ackPacket(uint32_t word);
Packet refusalPacket(uint8_t code);
Packet regionInfoPacket(uint32_t model, uint32_t index, uint32_t version, uint32_t base, uint32_t length, uint32_t crc);
Packet deviceInfoPacket(uint8_t regionCount);

// The packet a msgID 24 report carries: cnt bytes of its payload.
Packet tunnelledPacket(const Report& report);
// A device packet on its way to the host, answering a report with `tag`.
Report tunnelReport(uint32_t tag, const Packet& packet);

} // namespace zq40emu::detail
