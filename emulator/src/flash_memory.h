// A device's flash, region by region, with the version each region holds.
// A region's bytes are made the first time they are needed: most units in a
// test are never updated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zq40emu/bootloader.h"

namespace zq40emu::detail {

class FlashMemory {
public:
    FlashMemory() = default;
    // `seed` tells devices' old firmware apart.
    FlashMemory(std::vector<FlashRegion> regions, uint32_t seed);

    std::size_t regionCount() const { return regions_.size(); }
    bool has(std::size_t region) const { return region < regions_.size(); }
    // Layout and version; contents left empty.
    FlashRegion layout(std::size_t region) const;
    std::vector<FlashRegion> layouts() const;

    uint32_t version(std::size_t region) const { return regions_.at(region).version; }
    void setVersion(std::size_t region, uint32_t version) { regions_.at(region).version = version; }

    const std::vector<uint8_t>& bytes(std::size_t region) const;
    void setBytes(std::size_t region, std::vector<uint8_t> bytes); // padded with 0xFF, cut to length
    void erase(std::size_t region);
    // address is absolute; the range must lie inside the region.
    void program(std::size_t region, uint32_t address, const uint8_t* data, std::size_t n);
    uint32_t crc(std::size_t region) const;

private:
    void materialize(std::size_t region) const;

    std::vector<FlashRegion> regions_;                 // contents: what the memory starts as
    mutable std::vector<std::vector<uint8_t>> memory_; // empty until first needed
    uint32_t seed_ = 0;
};

} // namespace zq40emu::detail
