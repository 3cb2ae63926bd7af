#include "container.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>

namespace obin {

using byte_order::readBe32;
using byte_order::readLe32;
using byte_order::swapWords;

namespace {

constexpr uint8_t kMagicLittle[4] = {'!', 'O', 'b', 'n'};
constexpr uint8_t kMagicBig[4] = {'n', 'b', 'O', '!'};

bool hasMagic(const uint8_t* p, const uint8_t (&magic)[4])
{
    return std::memcmp(p, magic, 4) == 0;
}

// The section table and every section's data lie inside a block of
// `blockLength` bytes. Sizes are compared in 64 bits: no sum can wrap.
bool sectionsFit(const uint8_t* block, uint64_t blockLength)
{
    const uint64_t count = readLe32(block + kSectionCountOffset);
    if (kHeaderSize + count * kSectionEntrySize > blockLength)
        return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = block + kHeaderSize + i * kSectionEntrySize;
        const uint64_t sectionLength = readLe32(entry + 4);
        const uint64_t dataOffset = readLe32(entry + 12);
        if (dataOffset + sectionLength > blockLength)
            return false;
    }
    return true;
}

// Walks the well-formed little-endian blocks until the first one that is not.
template <class Visit>
void walk(const uint8_t* image, size_t length, Visit visit)
{
    size_t p = 0;
    while (length - p >= kHeaderSize) {
        const uint8_t* block = image + p;
        if (!hasMagic(block, kMagicLittle))
            return;
        const uint32_t blockLength = readLe32(block + kBlockLengthOffset);
        if (blockLength < kHeaderSize || blockLength > length - p || !sectionsFit(block, blockLength))
            return;
        if (!visit(Block(block, blockLength)))
            return;
        p += blockLength;
    }
}

} // namespace

uint32_t Block::word(size_t offset) const
{
    return readLe32(bytes_ + offset);
}

Section Block::section(uint32_t index) const
{
    const uint8_t* entry = bytes_ + kHeaderSize + size_t(index) * kSectionEntrySize;
    return {readLe32(entry), readLe32(entry + 4), readLe32(entry + 8), readLe32(entry + 12)};
}

bool validateAndConvert(uint8_t* image, size_t length)
{
    if (!image || length == 0)
        return false;
    size_t p = 0;
    while (p < length) {
        const size_t remaining = length - p;
        uint8_t* block = image + p;
        // A block too short to hold its own header can be neither read nor
        // stepped over.
        if (remaining < kHeaderSize)
            return false;
        uint32_t blockLength;
        if (hasMagic(block, kMagicLittle)) {
            blockLength = readLe32(block + kBlockLengthOffset);
            if (blockLength > remaining)
                return false;
        } else if (hasMagic(block, kMagicBig)) {
            blockLength = readBe32(block + kBlockLengthOffset);
            if (blockLength > remaining || blockLength < kHeaderSize)
                return false;
            const uint64_t count = readBe32(block + kSectionCountOffset);
            if (kHeaderSize + count * kSectionEntrySize > blockLength)
                return false;
            std::memcpy(block, kMagicLittle, 4);
            swapWords(block + kModelOffset, 8);
            swapWords(block + kHeaderSize, size_t(count) * 4);
        } else {
            return false;
        }
        if (blockLength < kHeaderSize || !sectionsFit(block, blockLength))
            return false;
        p += blockLength;
    }
    return true;
}

std::optional<Block> findRegion(const uint8_t* image, size_t length, uint32_t model, uint32_t regionIndex)
{
    std::optional<Block> found;
    if (!image)
        return found;
    walk(image, length, [&](const Block& b) {
        if (b.model() == model && b.regionIndex() == regionIndex)
            found = b;
        return !found;
    });
    return found;
}

uint32_t countRegions(const uint8_t* image, size_t length, uint32_t model)
{
    uint32_t count = 0;
    if (!image)
        return 0;
    walk(image, length, [&](const Block& b) {
        count += b.model() == model;
        return true;
    });
    return count;
}

} // namespace obin
