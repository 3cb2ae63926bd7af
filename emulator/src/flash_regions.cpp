#include "zq40emu/bootloader.h"

namespace zq40emu {
namespace {

std::vector<FlashRegion> layout(std::initializer_list<std::pair<uint32_t, uint32_t>> map, uint32_t version)
{
    std::vector<FlashRegion> regions;
    for (const auto& [base, length] : map) {
        FlashRegion r;
        r.base = base;
        r.length = length;
        r.version = version;
        regions.push_back(r);
    }
    return regions;
}

} // namespace

std::vector<FlashRegion> mainUnitRegions(uint32_t version)
{
    return layout(
        {{0x18000, 0x10000}, {0x50000, 0x30000}, {0x28000, 0x10000}, {0x38000, 0x18000}, {0x60000000, 0x4A000}},
        version);
}

std::vector<FlashRegion> childRegions(uint32_t version)
{
    return layout({{0x18000, 0x10000}, {0x28000, 0x55000}}, version);
}

} // namespace zq40emu
