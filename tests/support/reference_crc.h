// CRC-32 bit by bit, owing nothing to the library's table: the container's
// and the catalogue's checksums are checked against it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace testsupport {

inline uint32_t referenceCrc(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

} // namespace testsupport
