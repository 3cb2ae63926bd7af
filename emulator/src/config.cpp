#include "zq40emu/config.h"

namespace zq40emu {
namespace {

uint32_t readU32(const std::array<uint8_t, 16>& info, std::size_t offset)
{
    return static_cast<uint32_t>(info[offset]) | static_cast<uint32_t>(info[offset + 1]) << 8 |
        static_cast<uint32_t>(info[offset + 2]) << 16 | static_cast<uint32_t>(info[offset + 3]) << 24;
}

void writeU32(std::array<uint8_t, 16>& info, std::size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        info[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

ChildConfig child(uint16_t key, uint32_t model, uint32_t version, uint32_t revision)
{
    ChildConfig c;
    c.childID = key;
    c.model = model;
    writeU32(c.info, 0, revision);
    writeU32(c.info, 8, version);
    return c;
}

} // namespace

uint32_t ChildConfig::revision() const
{
    return readU32(info, 0);
}
uint32_t ChildConfig::version() const
{
    return readU32(info, 8);
}

ChildConfig pagingStation(uint32_t version, uint32_t revision)
{
    return child(kPagingStationKey, kPagingStationModel, version, revision);
}

ChildConfig remote(uint16_t key, uint32_t model, uint32_t version, uint32_t revision)
{
    return child(key, model, version, revision);
}

std::size_t blockSize(uint8_t code)
{
    switch (code) {
    case 1:
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 12:
    case 13:
    case 16:
        return 48;
    case 3:
        return 45;
    case 11:
        return 30;
    case 14:
        return 8;
    default:
        return 0;
    }
}

uint8_t storageCode(uint8_t code)
{
    return code == 2 ? 16 : code;
}

} // namespace zq40emu
