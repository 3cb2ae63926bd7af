// The parameter blocks of a ZQ40 as it leaves the factory: what a unit on a
// shop shelf reports before anyone has set it up.
#include <zq40emu/config.h>

#include <algorithm>
#include <array>
#include <string>

namespace zq40emu {
namespace {

// One zone's record in block 1 (ducker depth -12, high-pass 20 Hz = off) and
// in block 16 (fader position 80.0 as a float, level 0, maximum +10,
// minimum -40, no source).
constexpr std::array<uint8_t, 8> kZoneSettings = {0x00, 0x00, 0x00, 0x00, 0x00, 0xF4, 0x00, 0x14};
constexpr std::array<uint8_t, 8> kZoneLevels = {0x00, 0x00, 0xA0, 0x42, 0x00, 0x0A, 0xD8, 0x00};

struct ByteSetting {
    uint8_t offset;
    uint8_t value;
};

// Block 3, inputs and paging; every other byte is 0.
constexpr ByteSetting kInputsPaging[] = {
    {6, 1},     // page 1 priority
    {10, 0xD8}, // page 1 threshold -40
    {24, 2},    // page 2 priority
    {38, 1},    // page 2 phantom power
    {40, 0x02}, // paging group 1: zone 1
    {42, 0xC4}, // program 6 priority threshold -60
    {43, 8},    // program 6 hold time, seconds
};

constexpr std::size_t kSlotSize = 16;

// Names sit three to a block of 48 bytes, 16 bytes each, NUL-padded.
void putName(std::map<uint8_t, std::vector<uint8_t>>& blocks, uint8_t firstCode, int index, const std::string& name)
{
    std::vector<uint8_t>& block = blocks[static_cast<uint8_t>(firstCode + index / 3)];
    const std::size_t at = kSlotSize * static_cast<std::size_t>(index % 3);
    std::copy_n(name.begin(), std::min(name.size(), kSlotSize - 1), block.begin() + static_cast<long>(at));
}

} // namespace

std::map<uint8_t, std::vector<uint8_t>> factoryBlocks()
{
    std::map<uint8_t, std::vector<uint8_t>> blocks;
    for (uint8_t code : kBlockCodes)
        blocks[code].assign(blockSize(code), 0);

    for (std::size_t zone = 0; zone < 6; ++zone) {
        std::copy(kZoneSettings.begin(), kZoneSettings.end(), blocks[1].begin() + static_cast<long>(8 * zone));
        std::copy(kZoneLevels.begin(), kZoneLevels.end(), blocks[16].begin() + static_cast<long>(8 * zone));
    }
    for (const ByteSetting& s : kInputsPaging)
        blocks[3][s.offset] = s.value;

    for (int zone = 1; zone <= 6; ++zone)
        putName(blocks, 4, zone - 1, "Zone " + std::to_string(zone));
    // Linked-group names: first zone ascending, last zone descending.
    int index = 0;
    for (int first = 1; first <= 5; ++first)
        for (int last = 6; last > first; --last)
            putName(blocks, 6, index++, "Zones " + std::to_string(first) + "-" + std::to_string(last));
    for (int input = 1; input <= 6; ++input)
        putName(blocks, 12, input - 1, "Pgm " + std::to_string(input));

    const std::string name = "Orlo ZQ40";
    std::copy(name.begin(), name.end(), blocks[11].begin());
    return blocks;
}

} // namespace zq40emu
