// CRC-32 of IEEE 802.3, as zlib computes it ("abc" gives 0x352441C2).
#pragma once

#include <cstddef>
#include <cstdint>

namespace obin {

// `crc` continues an earlier result (0 to start).
uint32_t crc32(const uint8_t* bytes, size_t length, uint32_t crc = 0);

} // namespace obin
