// Little-endian words in byte buffers: versions, positions and catalogue
// tables travel in this order on the wire and in files.
#pragma once

#include <cstdint>

namespace zq40 {

inline uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void writeLe32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

} // namespace zq40
