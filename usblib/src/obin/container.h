// The obin firmware container: blocks packed back to back, one per memory
// region of one device model. Each block is a 68-byte header, a table of
// 16-byte section entries and the sections' raw data.
//
// Everything here reads through bounds-checked helpers: a block, its section
// table and its section data are proven to lie inside the buffer before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace obin {

constexpr size_t kHeaderSize = 68;
constexpr size_t kSectionEntrySize = 16;
constexpr size_t kTextSize = 32;

// Header offsets.
constexpr size_t kMagicOffset = 0;
constexpr size_t kTextOffset = 4;
constexpr size_t kModelOffset = 36;
constexpr size_t kRegionIndexOffset = 40;
constexpr size_t kVersionOffset = 44;
constexpr size_t kBaseAddressOffset = 48;
constexpr size_t kRegionLengthOffset = 52;
constexpr size_t kRegionCrcOffset = 56;
constexpr size_t kBlockLengthOffset = 60;
constexpr size_t kSectionCountOffset = 64;

struct Section {
    uint32_t address;
    uint32_t length;
    uint32_t crc;
    uint32_t dataOffset; // from the start of the block
};

// A little-endian block known to lie inside its container, with its section
// table and every section's data inside the block.
class Block {
public:
    Block(const uint8_t* bytes, size_t length)
        : bytes_(bytes)
        , length_(length)
    {
    }

    uint32_t model() const { return word(kModelOffset); }
    uint32_t regionIndex() const { return word(kRegionIndexOffset); }
    uint32_t version() const { return word(kVersionOffset); }
    uint32_t baseAddress() const { return word(kBaseAddressOffset); }
    uint32_t regionLength() const { return word(kRegionLengthOffset); }
    uint32_t regionCrc() const { return word(kRegionCrcOffset); }
    uint32_t blockLength() const { return word(kBlockLengthOffset); }
    uint32_t sectionCount() const { return word(kSectionCountOffset); }
    const uint8_t* headerBytes() const { return bytes_; }
    // The whole block: header, section table and data.
    std::span<const uint8_t> bytes() const { return {bytes_, length_}; }

    Section section(uint32_t index) const;
    const uint8_t* sectionData(const Section& s) const { return bytes_ + s.dataOffset; }

private:
    uint32_t word(size_t offset) const;
    const uint8_t* bytes_;
    size_t length_;
};

// Brings every block to little-endian order in place and checks that the
// whole container is well-formed. Blocks converted before an invalid one
// stay converted.
bool validateAndConvert(uint8_t* image, size_t length);

// The first well-formed block for (model, region index), or none.
std::optional<Block> findRegion(const uint8_t* image, size_t length, uint32_t model, uint32_t regionIndex);

// The number of well-formed blocks for `model`.
uint32_t countRegions(const uint8_t* image, size_t length, uint32_t model);

} // namespace obin
