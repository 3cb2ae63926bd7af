// What a region must hold after an update from a container: its sections
// over erased memory, as the unit's bootloader writes them.
#pragma once

#include "container.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace testsupport {

inline std::vector<uint8_t> expectedMemory(const std::vector<uint8_t>& image, uint32_t model, uint32_t region)
{
    auto block = obin::findRegion(image.data(), image.size(), model, region);
    EXPECT_TRUE(block.has_value());
    obin::RegionImage r;
    r.baseAddress = block->baseAddress();
    r.regionLength = block->regionLength();
    for (uint32_t i = 0; i < block->sectionCount(); ++i) {
        auto s = block->section(i);
        const uint8_t* data = block->sectionData(s);
        r.sections.push_back({s.address, std::vector<uint8_t>(data, data + s.length)});
    }
    return obin::regionMemory(r);
}

} // namespace testsupport
