#include "writer.h"

#include "byte_order.h"
#include "container.h"
#include "crc32.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace obin {

using byte_order::readLe32;
using byte_order::swapWords;
using byte_order::writeLe32;

namespace {

void putLe(std::vector<uint8_t>& out, size_t offset, uint32_t v)
{
    writeLe32(out.data() + offset, v);
}

} // namespace

std::vector<uint8_t> regionMemory(const RegionImage& region)
{
    std::vector<uint8_t> memory(region.regionLength, 0xFF);
    for (const auto& s : region.sections) {
        if (s.address < region.baseAddress || s.address - region.baseAddress + s.data.size() > memory.size())
            throw std::invalid_argument("section outside its region");
        std::copy(s.data.begin(), s.data.end(), memory.begin() + (s.address - region.baseAddress));
    }
    return memory;
}

std::vector<uint8_t> buildBlock(const RegionImage& region)
{
    const size_t tableEnd = kHeaderSize + region.sections.size() * kSectionEntrySize;
    size_t blockLength = tableEnd;
    for (const auto& s : region.sections)
        blockLength += s.data.size();

    std::vector<uint8_t> block(blockLength, 0);
    std::memcpy(block.data(), "!Obn", 4);
    std::memcpy(block.data() + kTextOffset, region.text.data(), std::min(region.text.size(), kTextSize));
    const auto memory = regionMemory(region);
    putLe(block, kModelOffset, region.model);
    putLe(block, kRegionIndexOffset, region.regionIndex);
    putLe(block, kVersionOffset, region.version);
    putLe(block, kBaseAddressOffset, region.baseAddress);
    putLe(block, kRegionLengthOffset, region.regionLength);
    putLe(block, kRegionCrcOffset, crc32(memory.data(), memory.size()));
    putLe(block, kBlockLengthOffset, uint32_t(blockLength));
    putLe(block, kSectionCountOffset, uint32_t(region.sections.size()));

    size_t dataOffset = tableEnd;
    for (size_t i = 0; i < region.sections.size(); ++i) {
        const auto& s = region.sections[i];
        const size_t entry = kHeaderSize + i * kSectionEntrySize;
        putLe(block, entry, s.address);
        putLe(block, entry + 4, uint32_t(s.data.size()));
        putLe(block, entry + 8, crc32(s.data.data(), s.data.size()));
        putLe(block, entry + 12, uint32_t(dataOffset));
        std::copy(s.data.begin(), s.data.end(), block.begin() + dataOffset);
        dataOffset += s.data.size();
    }
    return block;
}

std::vector<uint8_t> toBigEndian(const std::vector<uint8_t>& container)
{
    std::vector<uint8_t> out = container;
    size_t p = 0;
    while (p < out.size()) {
        uint8_t* block = out.data() + p;
        if (out.size() - p < kHeaderSize || std::memcmp(block, "!Obn", 4) != 0)
            throw std::invalid_argument("not a well-formed container");
        const uint32_t blockLength = readLe32(block + kBlockLengthOffset);
        const uint64_t count = readLe32(block + kSectionCountOffset);
        // The section table is swapped in place: it must lie inside its block.
        if (blockLength < kHeaderSize || blockLength > out.size() - p ||
            kHeaderSize + count * kSectionEntrySize > blockLength)
            throw std::invalid_argument("not a well-formed container");
        std::memcpy(block, "nbO!", 4);
        swapWords(block + kModelOffset, 8);
        swapWords(block + kHeaderSize, size_t(count) * 4);
        p += blockLength;
    }
    return out;
}

} // namespace obin
