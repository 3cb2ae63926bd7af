#include "zq40emu/crc32.h"

#include <array>

namespace zq40emu {
namespace {

constexpr std::array<uint32_t, 256> makeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

} // namespace

uint32_t crc32(const void* data, std::size_t len, uint32_t crc)
{
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < len; ++i)
        crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace zq40emu
