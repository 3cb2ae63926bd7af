// Words in byte buffers: the container, the bootloader's packets, the
// reports, the parameter blocks and the catalogue's version table all carry
// 32-bit words little-endian (a big-endian container is turned round word by
// word). Header-only, for the library and the programs alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace byte_order {

inline uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t readBe32(const uint8_t* p)
{
    return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}

inline void writeLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

inline void swapWords(uint8_t* p, size_t words)
{
    for (size_t i = 0; i < words; ++i, p += 4) {
        std::swap(p[0], p[3]);
        std::swap(p[1], p[2]);
    }
}

} // namespace byte_order
