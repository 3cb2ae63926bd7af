// The firmware catalogue linked into the application: its layout is read
// here byte by byte and every checksum recomputed, independently of the
// generator that wrote it.
#include "catalogue_check.h"
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

using zq40::firmware::layout::version;

// The layout as the program expects it; everything below reads the bytes
// on its own and recomputes every checksum.
const auto& kBlocks = zq40::firmware::layout::kBlocks;

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

Bytes generatedFile()
{
    std::ifstream file(ZQ40_CATALOGUE_FILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Catalogue, GeneratedFileIsTheContainerAndFourVersionWords)
{
    const Bytes bytes = generatedFile();
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
        const auto& e = kBlocks[i];
        SCOPED_TRACE("block " + std::to_string(i) + ": " + std::to_string(e.model) + "/" + std::to_string(e.region));
        ASSERT_LE(offsets[i] + kDataOffset + e.sectionLength, image.size());
        const uint8_t* b = image.data() + offsets[i];
        EXPECT_EQ(0, std::memcmp(b, "!Obn", 4));
        EXPECT_EQ(getLe(b + 36), e.model);
        EXPECT_EQ(getLe(b + 40), e.region);
        EXPECT_EQ(getLe(b + 44), e.testVersion);
        EXPECT_EQ(getLe(b + 48), e.baseAddress);
        EXPECT_EQ(getLe(b + 52), e.regionLength);
        EXPECT_EQ(getLe(b + 60), kDataOffset + e.sectionLength);
        EXPECT_EQ(getLe(b + 64), 1u);
        EXPECT_EQ(getLe(b + 68), e.baseAddress);
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

    size_t at = 0;
    for (const auto& [model, region] : zq40::firmware::layout::kChildBlocks) {
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

// A catalogue as the maker's might be: the layout, other contents.
Bytes makerLikeCatalogue()
{
    auto block = [](const auto& b, Bytes data) {
        obin::RegionImage image{b.model, b.region, b.testVersion + 1, b.baseAddress, b.regionLength, "Maker", {}};
        image.sections.push_back({b.baseAddress, std::move(data)});
        return obin::buildBlock(image);
    };
    auto scrambled = [](size_t i) {
        Bytes data(sectionOf(i).begin(), sectionOf(i).end());
        for (auto& byte : data)
            byte ^= 0x5A;
        return data;
    };
    Bytes children;
    for (const auto& key : zq40::firmware::layout::kChildBlocks) {
        const size_t i = size_t(zq40::firmware::layout::blockOf(key.model, key.region) - kBlocks);
        const Bytes b = block(kBlocks[i], scrambled(i));
        children.insert(children.end(), b.begin(), b.end());
    }
    Bytes out;
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        const Bytes b = block(kBlocks[i], kBlocks[i].holdsChildren ? children : scrambled(i));
        out.insert(out.end(), b.begin(), b.end());
    }
    for (uint32_t model : zq40::firmware::layout::kVersionModels) {
        const uint32_t v = zq40::firmware::layout::blockOf(model, 1)->testVersion + 1;
        for (int k = 0; k < 4; ++k)
            out.push_back(uint8_t(v >> (8 * k)));
    }
    return out;
}

bool mentions(const std::vector<std::string>& differences, const std::string& text)
{
    return std::any_of(differences.begin(), differences.end(),
                       [&](const std::string& d) { return d.find(text) != std::string::npos; });
}

TEST(CatalogueCheck, TakesTheBuiltInCatalogueForWhatItIs)
{
    const Bytes file = generatedFile();
    EXPECT_TRUE(zq40::firmware::catalogueDifferences(file).empty());
    const auto asMakers = zq40::firmware::makerCatalogueDifferences(file);
    if (!zq40::firmware::carriesTestFirmware()) {
        EXPECT_TRUE(asMakers.empty());
        return;
    }
    EXPECT_EQ(asMakers.size(), std::size(kBlocks));
    EXPECT_TRUE(mentions(asMakers, "block 601/1: holds the test catalogue's contents"));
}

TEST(CatalogueCheck, RefusesAMakersFileThatDiffers)
{
    const Bytes good = makerLikeCatalogue();
    ASSERT_EQ(good.size(), kCatalogueLength + 16);
    const auto none = zq40::firmware::makerCatalogueDifferences(good);
    ASSERT_TRUE(none.empty()) << none.front();

    Bytes changed = good;
    changed[blockOffsets()[1] + kDataOffset + 1000] ^= 1;
    EXPECT_TRUE(mentions(zq40::firmware::makerCatalogueDifferences(changed), "block 601/1: section CRC is"));

    // In the child-holding region, one of the children's blocks.
    changed = good;
    changed[blockOffsets()[4] + kDataOffset + kDataOffset + 5] ^= 1;
    const auto inChildren = zq40::firmware::makerCatalogueDifferences(changed);
    EXPECT_TRUE(mentions(inChildren, "block 601/4: block 202/0: section CRC is"));
    EXPECT_TRUE(mentions(inChildren, "block 601/4: section CRC is"));

    // The last block left out, the version table after the rest.
    Bytes shorter(good.begin(), good.begin() + blockOffsets().back());
    shorter.insert(shorter.end(), good.end() - 16, good.end());
    const auto shortOne = zq40::firmware::makerCatalogueDifferences(shorter);
    EXPECT_TRUE(mentions(shortOne, "bytes, not 949776"));
    EXPECT_TRUE(mentions(shortOne, "block 502/1: missing"));

    Bytes table = good;
    table[kCatalogueLength + 4] ^= 1; // model 200's word
    const auto versions = zq40::firmware::makerCatalogueDifferences(table);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0], "the version table gives 1.3.0.26 for model 200, its block 200/1 holds 1.3.0.27");
}

} // namespace
