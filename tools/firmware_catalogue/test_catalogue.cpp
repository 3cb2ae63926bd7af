#include "test_catalogue.h"

#include "byte_order.h"
#include "catalogue_layout.h"
#include "container.h"
#include "writer.h"

#include <map>
#include <stdexcept>
#include <string>
#include <utility>

namespace zq40::firmware {

namespace {

std::vector<uint8_t> pseudoRandomBytes(const layout::Block& b)
{
    // xorshift64, seeded per region so that no two regions look alike.
    uint64_t state = 0x9E3779B97F4A7C15ull ^ (uint64_t(b.model) << 32 | b.region);
    std::vector<uint8_t> bytes(b.sectionLength);
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = uint8_t(state >> 32);
    }
    return bytes;
}

std::vector<uint8_t> makeBlock(const layout::Block& b, std::vector<uint8_t> data)
{
    if (data.size() != b.sectionLength)
        throw std::runtime_error("region " + std::to_string(b.model) + "/" + std::to_string(b.region) +
                                 ": section is " + std::to_string(data.size()) + " bytes, not " +
                                 std::to_string(b.sectionLength));
    obin::RegionImage image;
    image.model = b.model;
    image.regionIndex = b.region;
    image.version = b.testVersion;
    image.baseAddress = b.baseAddress;
    image.regionLength = b.regionLength;
    image.text = "ZQ40 firmware catalogue " + std::to_string(b.model) + "/" + std::to_string(b.region);
    image.sections.push_back({b.baseAddress, std::move(data)});
    return obin::buildBlock(image);
}

} // namespace

std::vector<uint8_t> makeTestCatalogue()
{
    // Children first: the main unit's child-holding region is made of their blocks.
    using Key = std::pair<uint32_t, uint32_t>;
    std::map<Key, std::vector<uint8_t>> blocks;
    for (const auto& b : layout::kBlocks) {
        if (!b.holdsChildren)
            blocks[{b.model, b.region}] = makeBlock(b, pseudoRandomBytes(b));
    }
    for (const auto& b : layout::kBlocks) {
        if (!b.holdsChildren)
            continue;
        std::vector<uint8_t> children;
        for (const auto& key : layout::kChildBlocks) {
            const auto& child = blocks.at({key.model, key.region});
            children.insert(children.end(), child.begin(), child.end());
        }
        blocks[{b.model, b.region}] = makeBlock(b, std::move(children));
    }

    std::vector<uint8_t> out;
    for (const auto& b : layout::kBlocks) {
        const auto& block = blocks.at({b.model, b.region});
        out.insert(out.end(), block.begin(), block.end());
    }
    if (out.size() != layout::kContainerLength)
        throw std::runtime_error("container is " + std::to_string(out.size()) + " bytes, not " +
                                 std::to_string(layout::kContainerLength));
    for (uint32_t model : layout::kVersionModels) {
        const auto block = obin::findRegion(out.data(), layout::kContainerLength, model, layout::kApplicationRegion);
        if (!block)
            throw std::runtime_error("no application region for model " + std::to_string(model));
        out.resize(out.size() + 4);
        byte_order::writeLe32(out.data() + out.size() - 4, block->version());
    }
    return out;
}

} // namespace zq40::firmware
