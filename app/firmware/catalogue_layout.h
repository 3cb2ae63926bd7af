// The layout of the firmware catalogue the program carries: one
// little-endian obin container of eleven blocks, one per memory region of
// the main unit (601) and of its child models, followed by a table of the
// application-region versions it holds. The generator of the test
// catalogue, the check of the maker's catalogue, the reader and the tests
// all take it from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zq40::firmware::layout {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

struct Block {
    uint32_t model;
    uint32_t region;
    uint32_t baseAddress;
    uint32_t regionLength;
    uint32_t sectionLength; // the block's one section, at the base address
    bool holdsChildren;     // carries the child models' blocks instead of code of its own
    uint32_t testVersion;   // what the test catalogue gives the region
};

// In container order.
inline constexpr Block kBlocks[] = {
    {601, 0, 0x18000, 0x10000, 0xAF1C, false, version(4, 4, 1, 0)},
    {601, 1, 0x50000, 0x30000, 0x29374, false, version(1, 1, 1, 47)},
    {601, 2, 0x28000, 0x10000, 0xF380, false, version(1, 0, 0, 0)},
    {601, 3, 0x38000, 0x18000, 0x11BDC, false, version(1, 0, 0, 0)},
    {601, 4, 0x60000000, 0x4A000, 0x49538, true, version(1, 0, 0, 0)},
    {200, 0, 0x18000, 0x10000, 0x93E8, false, version(1, 1, 0, 8)},
    {200, 1, 0x28000, 0x55000, 0xF910, false, version(1, 3, 0, 26)},
    {202, 0, 0x18000, 0x10000, 0xA954, false, version(1, 1, 0, 8)},
    {202, 1, 0x28000, 0x55000, 0x1E224, false, version(1, 4, 0, 35)},
    {502, 0, 0x18000, 0x10000, 0x2664, false, version(1, 1, 0, 5)},
    {502, 1, 0x28000, 0x55000, 0x546C, false, version(1, 2, 0, 6)},
};
inline constexpr size_t kBlockCount = sizeof kBlocks / sizeof kBlocks[0];

struct RegionKey {
    uint32_t model;
    uint32_t region;
};

// The blocks the main unit passes on to its children, in the order its
// child-holding region keeps them.
inline constexpr RegionKey kChildBlocks[] = {{202, 0}, {202, 1}, {200, 0}, {200, 1}, {502, 0}, {502, 1}};

// Every block: its header, one section entry, then the section's data.
inline constexpr uint32_t kSectionDataOffset = 68 + 16;

constexpr size_t containerLength()
{
    size_t length = 0;
    for (const Block& b : kBlocks)
        length += kSectionDataOffset + b.sectionLength;
    return length;
}

inline constexpr size_t kContainerLength = 949760;
static_assert(containerLength() == kContainerLength);

// The version table after the container: one little-endian word per model,
// its application region's version, in this order.
inline constexpr uint32_t kVersionModels[] = {202, 200, 502, 601};
inline constexpr uint32_t kApplicationRegion = 1;
inline constexpr size_t kVersionTableLength = 4 * (sizeof kVersionModels / sizeof kVersionModels[0]);
inline constexpr size_t kFileLength = kContainerLength + kVersionTableLength;

// The block for a region; null for one the catalogue does not hold.
constexpr const Block* blockOf(uint32_t model, uint32_t region)
{
    for (const Block& b : kBlocks) {
        if (b.model == model && b.region == region)
            return &b;
    }
    return nullptr;
}

} // namespace zq40::firmware::layout
