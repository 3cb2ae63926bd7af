// The firmware catalogue linked into the application: its layout is read
// here byte by byte and every checksum recomputed, independently of the
// generator that wrote it.
#include "container.h"
#include "firmware_catalogue.h"
#include "reference_crc.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::referenceCrc;
using zq40::firmware::catalogue;
using zq40::firmware::catalogueVersion;
using zq40::firmware::kCatalogueLength;

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

struct Expected {
    uint32_t model;
    uint32_t region;
    uint32_t version;
    uint32_t base;
    uint32_t regionLength;
    uint32_t sectionLength;
};

const Expected kBlocks[] = {
    {601, 0, version(4, 4, 1, 0), 0x18000, 0x10000, 0xAF1C},
    {601, 1, version(1, 1, 1, 47), 0x50000, 0x30000, 0x29374},
    {601, 2, version(1, 0, 0, 0), 0x28000, 0x10000, 0xF380},
    {601, 3, version(1, 0, 0, 0), 0x38000, 0x18000, 0x11BDC},
    {601, 4, version(1, 0, 0, 0), 0x60000000, 0x4A000, 0x49538},
    {200, 0, version(1, 1, 0, 8), 0x18000, 0x10000, 0x93E8},
    {200, 1, version(1, 3, 0, 26), 0x28000, 0x55000, 0xF910},
    {202, 0, version(1, 1, 0, 8), 0x18000, 0x10000, 0xA954},
    {202, 1, version(1, 4, 0, 35), 0x28000, 0x55000, 0x1E224},
    {502, 0, version(1, 1, 0, 5), 0x18000, 0x10000, 0x2664},
    {502, 1, version(1, 2, 0, 6), 0x28000, 0x55000, 0x546C},
};

constexpr uint32_t kDataOffset = 84;

uint32_t getLe(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Offsets of the blocks in kBlocks' order, from their lengths as listed.
std::vector<size_t> blockOffsets()
{
    std::vector<size_t> offsets;
    size_t at = 0;
    for (const auto& e : kBlocks) {
        offsets.push_back(at);
        at += kDataOffset + e.sectionLength;
    }
    return offsets;
}

Bytes copyOfCatalogue()
{
    return Bytes(catalogue().begin(), catalogue().end());
}

std::span<const uint8_t> sectionOf(size_t index)
{
    return catalogue().subspan(blockOffsets()[index] + kDataOffset, kBlocks[index].sectionLength);
}

TEST(Catalogue, GeneratedFileIsTheContainerAndFourVersionWords)
{
    std::ifstream file(ZQ40_CATALOGUE_FILE, std::ios::binary);
    ASSERT_TRUE(file) << ZQ40_CATALOGUE_FILE;
    const Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), kCatalogueLength + 16);
    EXPECT_TRUE(std::equal(catalogue().begin(), catalogue().end(), bytes.begin()));
    const uint8_t* versions = bytes.data() + kCatalogueLength;
    EXPECT_EQ(getLe(versions), version(1, 4, 0, 35));
    EXPECT_EQ(getLe(versions + 4), version(1, 3, 0, 26));
    EXPECT_EQ(getLe(versions + 8), version(1, 2, 0, 6));
    EXPECT_EQ(getLe(versions + 12), version(1, 1, 1, 47));
}

TEST(Catalogue, BlocksAreAsListed)
{
    const auto image = catalogue();
    const auto offsets = blockOffsets();
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const Expected& e = kBlocks[i];
        SCOPED_TRACE("block " + std::to_string(i) + ": " + std::to_string(e.model) + "/" + std::to_string(e.region));
        ASSERT_LE(offsets[i] + kDataOffset + e.sectionLength, image.size());
        const uint8_t* b = image.data() + offsets[i];
        EXPECT_EQ(0, std::memcmp(b, "!Obn", 4));
        EXPECT_EQ(getLe(b + 36), e.model);
        EXPECT_EQ(getLe(b + 40), e.region);
        EXPECT_EQ(getLe(b + 44), e.version);
        EXPECT_EQ(getLe(b + 48), e.base);
        EXPECT_EQ(getLe(b + 52), e.regionLength);
        EXPECT_EQ(getLe(b + 60), kDataOffset + e.sectionLength);
        EXPECT_EQ(getLe(b + 64), 1u);
        EXPECT_EQ(getLe(b + 68), e.base);
        EXPECT_EQ(getLe(b + 72), e.sectionLength);
        EXPECT_EQ(getLe(b + 80), kDataOffset);
    }
    EXPECT_EQ(offsets.back() + kDataOffset + kBlocks[std::size(kBlocks) - 1].sectionLength, kCatalogueLength);
}

TEST(Catalogue, EveryBlockCarriesANotice)
{
    const auto offsets = blockOffsets();
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const uint8_t* text = catalogue().data() + offsets[i] + 4;
        const size_t length = strnlen(reinterpret_cast<const char*>(text), 32);
        EXPECT_GT(length, 0u) << i;
        for (size_t k = 0; k < length; ++k)
            EXPECT_TRUE(text[k] >= 0x20 && text[k] < 0x7F) << "block " << i << " byte " << k;
        for (size_t k = length; k < 32; ++k)
            EXPECT_EQ(text[k], 0) << "block " << i << " byte " << k;
    }
}

TEST(Catalogue, SectionCrcsAreRight)
{
    const auto offsets = blockOffsets();
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const auto data = sectionOf(i);
        EXPECT_EQ(getLe(catalogue().data() + offsets[i] + 76), referenceCrc(data.data(), data.size())) << i;
    }
}

TEST(Catalogue, RegionCrcsAreRight)
{
    const auto offsets = blockOffsets();
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        // The section sits at the base: the rest of the region is erased.
        const auto data = sectionOf(i);
        Bytes memory(kBlocks[i].regionLength, 0xFF);
        std::copy(data.begin(), data.end(), memory.begin());
        EXPECT_EQ(getLe(catalogue().data() + offsets[i] + 56), referenceCrc(memory.data(), memory.size())) << i;
    }
}

TEST(Catalogue, RegionsHaveContentsOfTheirOwn)
{
    std::set<Bytes> starts;
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const auto data = sectionOf(i);
        const Bytes start(data.begin(), data.begin() + 64);
        EXPECT_TRUE(starts.insert(start).second) << "block " << i << " starts like another";
        EXPECT_NE(std::count(start.begin(), start.end(), start[0]), 64) << i;
    }
}

TEST(Catalogue, MainUnitRegion4HoldsTheChildBlocks)
{
    const auto children = sectionOf(4);
    Bytes copy(children.begin(), children.end());
    ASSERT_TRUE(obin::validateAndConvert(copy.data(), copy.size()));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), children.begin()));

    const std::pair<uint32_t, uint32_t> order[] = {{202, 0}, {202, 1}, {200, 0}, {200, 1}, {502, 0}, {502, 1}};
    size_t at = 0;
    for (const auto& [model, region] : order) {
        SCOPED_TRACE(std::to_string(model) + "/" + std::to_string(region));
        ASSERT_LE(at + obin::kHeaderSize, copy.size());
        const uint8_t* block = copy.data() + at;
        EXPECT_EQ(getLe(block + 36), model);
        EXPECT_EQ(getLe(block + 40), region);
        const uint32_t length = getLe(block + 60);
        ASSERT_LE(at + length, copy.size());
        const auto top = obin::findRegion(catalogue().data(), catalogue().size(), model, region);
        ASSERT_TRUE(top);
        ASSERT_EQ(top->bytes().size(), length);
        EXPECT_TRUE(std::equal(block, block + length, top->bytes().begin()));
        at += length;
    }
    EXPECT_EQ(at, copy.size());
}

TEST(Catalogue, FindsAndCountsRegions)
{
    const auto image = catalogue();
    const auto offsets = blockOffsets();
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const auto block = obin::findRegion(image.data(), image.size(), kBlocks[i].model, kBlocks[i].region);
        ASSERT_TRUE(block) << i;
        EXPECT_EQ(block->headerBytes(), image.data() + offsets[i]);
    }
    EXPECT_FALSE(obin::findRegion(image.data(), image.size(), 601, 5));
    EXPECT_FALSE(obin::findRegion(image.data(), image.size(), 200, 2));
    EXPECT_EQ(obin::countRegions(image.data(), image.size(), 601), 5u);
    EXPECT_EQ(obin::countRegions(image.data(), image.size(), 200), 2u);
    EXPECT_EQ(obin::countRegions(image.data(), image.size(), 202), 2u);
    EXPECT_EQ(obin::countRegions(image.data(), image.size(), 502), 2u);
    EXPECT_EQ(obin::countRegions(image.data(), image.size(), 203), 0u);
}

TEST(Catalogue, ValidatesUnchanged)
{
    Bytes copy = copyOfCatalogue();
    ASSERT_TRUE(obin::validateAndConvert(copy.data(), copy.size()));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), catalogue().begin()));
}

TEST(Catalogue, BigEndianCopyConvertsBack)
{
    Bytes be = obin::toBigEndian(copyOfCatalogue());
    ASSERT_EQ(0, std::memcmp(be.data(), "nbO!", 4));
    ASSERT_TRUE(obin::validateAndConvert(be.data(), be.size()));
    EXPECT_TRUE(std::equal(be.begin(), be.end(), catalogue().begin()));
}

TEST(Catalogue, VersionsOfApplicationRegions)
{
    EXPECT_EQ(catalogueVersion(202), version(1, 4, 0, 35));
    EXPECT_EQ(catalogueVersion(200), version(1, 3, 0, 26));
    EXPECT_EQ(catalogueVersion(502), version(1, 2, 0, 6));
    EXPECT_EQ(catalogueVersion(601), version(1, 1, 1, 47));
    EXPECT_EQ(catalogueVersion(0), 0u);
    EXPECT_EQ(catalogueVersion(203), 0u);
    EXPECT_EQ(catalogueVersion(0xFFFFFFFF), 0u);
}

} // namespace
