#include "flash_memory.h"

#include <algorithm>

#include "zq40emu/crc32.h"

namespace zq40emu::detail {
namespace {

// Deterministic filler standing in for the firmware a device left the factory with.
void fillOldFirmware(std::vector<uint8_t>& bytes, uint32_t seed)
{
    uint32_t x = seed ? seed : 0x9E3779B9u;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 4 == 0) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
        }
        bytes[i] = static_cast<uint8_t>(x >> (8 * (i % 4)));
    }
}

} // namespace

FlashMemory::FlashMemory(std::vector<FlashRegion> regions, uint32_t seed)
    : regions_(std::move(regions))
    , memory_(regions_.size())
    , seed_(seed)
{
}

FlashRegion FlashMemory::layout(std::size_t region) const
{
    const FlashRegion& r = regions_.at(region);
    FlashRegion out;
    out.base = r.base;
    out.length = r.length;
    out.version = r.version;
    return out;
}

std::vector<FlashRegion> FlashMemory::layouts() const
{
    std::vector<FlashRegion> out;
    for (std::size_t i = 0; i < regions_.size(); ++i)
        out.push_back(layout(i));
    return out;
}

void FlashMemory::materialize(std::size_t region) const
{
    std::vector<uint8_t>& m = memory_.at(region);
    const FlashRegion& r = regions_[region];
    if (m.size() == r.length)
        return;
    if (r.contents.empty() && !r.erased) {
        m.resize(r.length);
        fillOldFirmware(m, seed_ * 0x01000193u + static_cast<uint32_t>(region) * 0x85EBCA6Bu + r.version);
    } else {
        m = r.contents;
        m.resize(r.length, 0xFF);
    }
}

const std::vector<uint8_t>& FlashMemory::bytes(std::size_t region) const
{
    materialize(region);
    return memory_[region];
}

void FlashMemory::setBytes(std::size_t region, std::vector<uint8_t> bytes)
{
    bytes.resize(regions_.at(region).length, 0xFF);
    memory_[region] = std::move(bytes);
}

void FlashMemory::erase(std::size_t region)
{
    memory_.at(region).assign(regions_.at(region).length, 0xFF);
}

void FlashMemory::program(std::size_t region, uint32_t address, const uint8_t* data, std::size_t n)
{
    materialize(region);
    std::copy_n(data, n, memory_[region].begin() + (address - regions_[region].base));
}

uint32_t FlashMemory::crc(std::size_t region) const
{
    return crc32(bytes(region));
}

} // namespace zq40emu::detail
