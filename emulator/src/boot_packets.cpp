#include "boot_packets.h"

#include <algorithm>

#include "zq40emu/bootloader.h"

namespace zq40emu::detail {
namespace {

void putWord(Packet& p, std::size_t offset, uint32_t value)
{
    if (p.size() < offset + 4)
        p.resize(offset + 4, 0);
    for (int i = 0; i < 4; ++i)
        p[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

uint32_t packetWord(const Packet& p, std::size_t offset)
{
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && offset + i < p.size(); ++i)
        value |= static_cast<uint32_t>(p[offset + i]) << (8 * i);
    return value;
}

std::size_t minimumLength(uint8_t kind)
{
    switch (kind) {
    case boot::kHello:
    case boot::kFinish:
    case boot::kGetInfo:
        return 1;
    case boot::kSelectRegion:
    case boot::kEndRegion:
        return 5;
    case boot::kBeginRegion:
        return 25;
    case boot::kWrite:
    case boot::kWriteNoAck:
        return 6; // plus n data bytes
    default:
        return 0;
    }
}

Packet helloReply()
{
    return {boot::kHelloReply};
}

Packet ackPacket(uint32_t word)
{
    Packet p{boot::kAck};
    putWord(p, 1, word);
    return p;
}

Packet refusalPacket(uint8_t code)
{
    return {boot::kRefusal, code};
}

Packet regionInfoPacket(uint32_t model, uint32_t index, uint32_t version, uint32_t base, uint32_t length, uint32_t crc)
{
    Packet p{boot::kRegionInfo};
    putWord(p, 1, model);
    putWord(p, 5, index);
    putWord(p, 9, version);
    putWord(p, 13, base);
    putWord(p, 17, length);
    putWord(p, 21, crc);
    return p;
}

Packet deviceInfoPacket(uint8_t regionCount)
{
    return {boot::kDeviceInfo, regionCount};
}

Packet tunnelledPacket(const Report& report)
{
    const std::size_t n = std::min<std::size_t>(report.cnt(), kPayloadSize);
    return Packet(report.payload(), report.payload() + n);
}

Report tunnelReport(uint32_t tag, const Packet& packet)
{
    const std::size_t n = std::min(packet.size(), kPayloadSize);
    Report r = Report::make(msg::kTunnel, tag, static_cast<uint8_t>(n));
    std::copy_n(packet.begin(), n, r.payload());
    return r;
}

} // namespace zq40emu::detail
