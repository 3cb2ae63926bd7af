// CRC-32 as zlib computes it; the bootloaders check firmware with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zq40emu {

// Continues `crc` (0 to start) over len bytes; crc32("abc") is 0x352441C2.
uint32_t crc32(const void* data, std::size_t len, uint32_t crc = 0);
inline uint32_t crc32(const std::vector<uint8_t>& bytes)
{
    return crc32(bytes.data(), bytes.size());
}

} // namespace zq40emu
