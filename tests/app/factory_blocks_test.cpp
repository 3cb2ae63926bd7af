// A virtual unit fresh from the factory reports the same settings that the
// panel's New Config writes: the emulator and the panel agree byte for byte.
#include "parameter_blocks.h"

#include <zq40emu/config.h>

#include <gtest/gtest.h>

#include <vector>

TEST(FactoryBlocks, EmulatedUnitMatchesThePanelsFactoryDefaults)
{
    zq40::ParameterBlocks panel;
    panel.setDefaultParameters(false);
    panel.clearZoneLinks();
    const auto unit = zq40emu::factoryBlocks();
    ASSERT_EQ(unit.size(), zq40emu::kBlockCodes.size());
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto expected = panel.block(code);
        EXPECT_EQ(unit.at(code), std::vector<uint8_t>(expected.begin(), expected.end())) << "block " << int(code);
    }
}
