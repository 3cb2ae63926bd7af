// Building obin containers: used by the firmware catalogue generator and by
// tests that need containers of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace obin {

struct SectionImage {
    uint32_t address;
    std::vector<uint8_t> data;
};

struct RegionImage {
    uint32_t model = 0;
    uint32_t regionIndex = 0;
    uint32_t version = 0;
    uint32_t baseAddress = 0;
    uint32_t regionLength = 0;
    std::string text; // notice, at most 32 bytes
    std::vector<SectionImage> sections;
};

// The region as it stands in device memory after an update: section data
// at its addresses, every other byte erased (0xFF).
std::vector<uint8_t> regionMemory(const RegionImage& region);

// One little-endian block: header, section table, section data in order.
std::vector<uint8_t> buildBlock(const RegionImage& region);

// A copy of a well-formed little-endian container in big-endian order
// (section data stays as it is).
std::vector<uint8_t> toBigEndian(const std::vector<uint8_t>& container);

} // namespace obin
