// An emulated unit that carries the given settings, as a program that
// reads its blocks finds them.
#pragma once

#include "parameter_blocks.h"

#include <zq40emu/zq40emu.h>

#include <cstdint>
#include <vector>

inline zq40emu::UnitConfig unitWithBlocks(uint32_t serial, uint32_t word5, const zq40::ParameterBlocks& blocks)
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.version.word5 = word5;
    config.version.word1 = 1;
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = blocks.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}
