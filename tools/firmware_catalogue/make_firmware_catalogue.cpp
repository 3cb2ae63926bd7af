// Writes the firmware catalogue the application carries: one little-endian
// obin container with the firmware of the main unit (601) and of its child
// models, followed by each model's application-region version as a 32-bit
// little-endian word. Section contents are pseudo-random but fixed, so every
// build writes the same bytes.
//
// Usage: make_firmware_catalogue OUTPUT
#include "container.h"
#include "writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

struct Region {
    uint32_t model;
    uint32_t index;
    uint32_t version;
    uint32_t baseAddress;
    uint32_t regionLength;
    uint32_t sectionLength;
    bool holdsChildren; // carries the child models' blocks instead of its own code
};

// In container order. Every region is one section at its base address.
constexpr Region kRegions[] = {
    {601, 0, version(4, 4, 1, 0), 0x18000, 0x10000, 0xAF1C, false},
    {601, 1, version(1, 1, 1, 47), 0x50000, 0x30000, 0x29374, false},
    {601, 2, version(1, 0, 0, 0), 0x28000, 0x10000, 0xF380, false},
    {601, 3, version(1, 0, 0, 0), 0x38000, 0x18000, 0x11BDC, false},
    {601, 4, version(1, 0, 0, 0), 0x60000000, 0x4A000, 0x49538, true},
    {200, 0, version(1, 1, 0, 8), 0x18000, 0x10000, 0x93E8, false},
    {200, 1, version(1, 3, 0, 26), 0x28000, 0x55000, 0xF910, false},
    {202, 0, version(1, 1, 0, 8), 0x18000, 0x10000, 0xA954, false},
    {202, 1, version(1, 4, 0, 35), 0x28000, 0x55000, 0x1E224, false},
    {502, 0, version(1, 1, 0, 5), 0x18000, 0x10000, 0x2664, false},
    {502, 1, version(1, 2, 0, 6), 0x28000, 0x55000, 0x546C, false},
};

using RegionKey = std::pair<uint32_t, uint32_t>; // model, region index

// The blocks the main unit passes on to its children, in the order it holds them.
const RegionKey kChildRegions[] = {{202, 0}, {202, 1}, {200, 0}, {200, 1}, {502, 0}, {502, 1}};

// The version table after the container: these models' application regions.
constexpr uint32_t kVersionModels[] = {202, 200, 502, 601};
constexpr uint32_t kApplicationRegion = 1;

constexpr size_t kContainerLength = 949760;

std::vector<uint8_t> pseudoRandomBytes(const Region& r)
{
    // xorshift64, seeded per region so that no two regions look alike.
    uint64_t state = 0x9E3779B97F4A7C15ull ^ (uint64_t(r.model) << 32 | r.index);
    std::vector<uint8_t> bytes(r.sectionLength);
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        b = uint8_t(state >> 32);
    }
    return bytes;
}

std::vector<uint8_t> makeBlock(const Region& r, std::vector<uint8_t> data)
{
    if (data.size() != r.sectionLength)
        throw std::runtime_error("region " + std::to_string(r.model) + "/" + std::to_string(r.index) + ": section is " +
                                 std::to_string(data.size()) + " bytes, not " + std::to_string(r.sectionLength));
    obin::RegionImage image;
    image.model = r.model;
    image.regionIndex = r.index;
    image.version = r.version;
    image.baseAddress = r.baseAddress;
    image.regionLength = r.regionLength;
    image.text = "ZQ40 firmware catalogue " + std::to_string(r.model) + "/" + std::to_string(r.index);
    image.sections.push_back({r.baseAddress, std::move(data)});
    return obin::buildBlock(image);
}

void appendLe(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> makeCatalogue()
{
    // Children first: the main unit's child region is made of their blocks.
    std::map<RegionKey, std::vector<uint8_t>> blocks;
    for (const auto& r : kRegions) {
        if (!r.holdsChildren)
            blocks[{r.model, r.index}] = makeBlock(r, pseudoRandomBytes(r));
    }
    for (const auto& r : kRegions) {
        if (!r.holdsChildren)
            continue;
        std::vector<uint8_t> children;
        for (const auto& key : kChildRegions) {
            const auto& child = blocks.at(key);
            children.insert(children.end(), child.begin(), child.end());
        }
        blocks[{r.model, r.index}] = makeBlock(r, std::move(children));
    }

    std::vector<uint8_t> out;
    for (const auto& r : kRegions) {
        const auto& block = blocks.at({r.model, r.index});
        out.insert(out.end(), block.begin(), block.end());
    }
    if (out.size() != kContainerLength)
        throw std::runtime_error("container is " + std::to_string(out.size()) + " bytes, not " +
                                 std::to_string(kContainerLength));
    auto check = out;
    if (!obin::validateAndConvert(check.data(), check.size()) || check != out)
        throw std::runtime_error("container does not validate");

    for (uint32_t model : kVersionModels) {
        const auto block = obin::findRegion(out.data(), kContainerLength, model, kApplicationRegion);
        if (!block)
            throw std::runtime_error("no application region for model " + std::to_string(model));
        appendLe(out, block->version());
    }
    return out;
}

// Written beside the output and renamed over it, so that a failed run never
// leaves a file the build would take as done.
void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    auto partial = path;
    partial += ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        file.close();
        if (!file)
            throw std::runtime_error("cannot write " + partial.string());
    }
    std::filesystem::rename(partial, path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        writeFile(argv[1], makeCatalogue());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_firmware_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}
