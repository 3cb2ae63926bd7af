#include "zq40emu/report.h"

namespace zq40emu {

Report Report::make(uint8_t msgId, uint32_t tag, uint8_t cnt, bool replyFlag)
{
    Report r;
    r.bytes[0] = msgId;
    r.setTag(tag);
    r.setCnt(cnt);
    if (replyFlag)
        r.bytes[5] |= kReplyFlag;
    return r;
}

uint32_t Report::tag() const
{
    return static_cast<uint32_t>(bytes[1]) | static_cast<uint32_t>(bytes[2]) << 8 |
        static_cast<uint32_t>(bytes[3]) << 16 | static_cast<uint32_t>(bytes[4]) << 24;
}

void Report::setTag(uint32_t tag)
{
    for (int i = 0; i < 4; ++i)
        bytes[1 + i] = static_cast<uint8_t>(tag >> (8 * i));
}

uint16_t Report::payloadU16(std::size_t offset) const
{
    const uint8_t* p = payload() + offset;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Report::payloadU32(std::size_t offset) const
{
    const uint8_t* p = payload() + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
        static_cast<uint32_t>(p[3]) << 24;
}

void Report::setPayloadU32(std::size_t offset, uint32_t value)
{
    uint8_t* p = payload() + offset;
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace zq40emu
