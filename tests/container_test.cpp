// The obin container: CRC, building, validation and byte-order conversion,
// lookup. Containers under test live in buffers of exactly their size, so
// that ASan reports any read past the end.
#include "container.h"
#include "crc32.h"
#include "reference_crc.h"
#include "writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::referenceCrc;

uint32_t getLe(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

void putLe(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void putBe(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

Bytes pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(seed * 31 + i * 7 + (i >> 8));
    return b;
}

// A copy on the heap of exactly its size.
class Image {
public:
    explicit Image(const Bytes& bytes)
        : size_(bytes.size())
        , data_(new uint8_t[bytes.size()])
    {
        std::copy(bytes.begin(), bytes.end(), data_.get());
    }
    uint8_t* data() { return data_.get(); }
    size_t size() const { return size_; }
    Bytes bytes() const { return Bytes(data_.get(), data_.get() + size_); }

    bool validate() { return obin::validateAndConvert(data(), size()); }
    std::optional<obin::Block> find(uint32_t model, uint32_t region)
    {
        return obin::findRegion(data(), size(), model, region);
    }
    uint32_t count(uint32_t model) { return obin::countRegions(data(), size(), model); }

private:
    size_t size_;
    std::unique_ptr<uint8_t[]> data_;
};

obin::RegionImage region(uint32_t model, uint32_t index, uint32_t base, uint32_t length,
                         std::vector<obin::SectionImage> sections, uint32_t version = 0x01020304)
{
    obin::RegionImage r;
    r.model = model;
    r.regionIndex = index;
    r.version = version;
    r.baseAddress = base;
    r.regionLength = length;
    r.text = "test " + std::to_string(model) + "/" + std::to_string(index);
    r.sections = std::move(sections);
    return r;
}

Bytes join(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes containerOf(const std::vector<obin::RegionImage>& regions)
{
    Bytes out;
    for (const auto& r : regions) {
        const Bytes b = obin::buildBlock(r);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

// The big-endian form of one little-endian block, written out by hand:
// reversed magic, header words 36..67 and section table words reversed.
Bytes bigEndianBlock(Bytes block)
{
    const uint32_t count = getLe(block, obin::kSectionCountOffset);
    std::memcpy(block.data(), "nbO!", 4);
    const size_t end = obin::kHeaderSize + count * obin::kSectionEntrySize;
    for (size_t at = obin::kModelOffset; at < end; at += 4)
        std::reverse(block.begin() + long(at), block.begin() + long(at) + 4);
    return block;
}

// Region memory as the device holds it, computed here rather than by the writer.
uint32_t regionCrc(const obin::RegionImage& r)
{
    Bytes memory(r.regionLength, 0xFF);
    for (const auto& s : r.sections)
        std::copy(s.data.begin(), s.data.end(), memory.begin() + (s.address - r.baseAddress));
    return referenceCrc(memory.data(), memory.size());
}

// ---------------------------------------------------------------------------

TEST(Crc32, MatchesZlib)
{
    EXPECT_EQ(obin::crc32(reinterpret_cast<const uint8_t*>("abc"), 3), 0x352441C2u);
    EXPECT_EQ(obin::crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(obin::crc32(nullptr, 0), 0u);
}

TEST(Crc32, ContinuesAnEarlierResult)
{
    const auto* abc = reinterpret_cast<const uint8_t*>("abc");
    EXPECT_EQ(obin::crc32(abc + 1, 2, obin::crc32(abc, 1)), 0x352441C2u);
}

TEST(Crc32, AgreesWithBitwiseReference)
{
    const Bytes data = pattern(4099, 9);
    for (size_t n : {size_t(1), size_t(255), size_t(4099)})
        EXPECT_EQ(obin::crc32(data.data(), n), referenceCrc(data.data(), n)) << n;
}

// ---------------------------------------------------------------------------

TEST(Writer, BlockLayout)
{
    const auto r = region(601, 3, 0x38000, 0x100, {{0x38000, pattern(10, 1)}, {0x38080, pattern(3, 2)}}, 0x04040100);
    const Bytes b = obin::buildBlock(r);
    ASSERT_EQ(b.size(), 68u + 2 * 16 + 10 + 3);
    EXPECT_EQ(0, std::memcmp(b.data(), "!Obn", 4));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 4)), "test 601/3");
    for (size_t i = 4 + r.text.size(); i < 36; ++i)
        EXPECT_EQ(b[i], 0) << "text padding at " << i;
    EXPECT_EQ(getLe(b, 36), 601u);
    EXPECT_EQ(getLe(b, 40), 3u);
    EXPECT_EQ(getLe(b, 44), 0x04040100u);
    EXPECT_EQ(getLe(b, 48), 0x38000u);
    EXPECT_EQ(getLe(b, 52), 0x100u);
    EXPECT_EQ(getLe(b, 56), regionCrc(r));
    EXPECT_EQ(getLe(b, 60), b.size());
    EXPECT_EQ(getLe(b, 64), 2u);
    // Section table, then the data in order right after it.
    EXPECT_EQ(getLe(b, 68), 0x38000u);
    EXPECT_EQ(getLe(b, 72), 10u);
    EXPECT_EQ(getLe(b, 76), referenceCrc(r.sections[0].data.data(), 10));
    EXPECT_EQ(getLe(b, 80), 100u);
    EXPECT_EQ(getLe(b, 84), 0x38080u);
    EXPECT_EQ(getLe(b, 88), 3u);
    EXPECT_EQ(getLe(b, 92), referenceCrc(r.sections[1].data.data(), 3));
    EXPECT_EQ(getLe(b, 96), 110u);
    EXPECT_EQ(Bytes(b.begin() + 100, b.begin() + 110), r.sections[0].data);
    EXPECT_EQ(Bytes(b.begin() + 110, b.end()), r.sections[1].data);
}

TEST(Writer, RegionMemoryIsErasedAroundSections)
{
    const auto r = region(200, 1, 0x1000, 8, {{0x1002, {1, 2, 3}}});
    EXPECT_EQ(obin::regionMemory(r), (Bytes{0xFF, 0xFF, 1, 2, 3, 0xFF, 0xFF, 0xFF}));
}

TEST(Writer, RejectsSectionsOutsideTheirRegion)
{
    EXPECT_THROW(obin::buildBlock(region(200, 1, 0x1000, 8, {{0x0FFF, {1}}})), std::invalid_argument);
    EXPECT_THROW(obin::buildBlock(region(200, 1, 0x1000, 8, {{0x1006, {1, 2, 3}}})), std::invalid_argument);
    EXPECT_NO_THROW(obin::buildBlock(region(200, 1, 0x1000, 8, {{0x1005, {1, 2, 3}}})));
}

TEST(Writer, BigEndianCopyFollowsTheByteOrderRules)
{
    const Bytes a =
        obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}, {0x18020, pattern(4, 2)}}));
    const Bytes b = obin::buildBlock(region(202, 1, 0x28000, 0x40, {}));
    EXPECT_EQ(obin::toBigEndian(join({a, b})), join({bigEndianBlock(a), bigEndianBlock(b)}));
}

TEST(Writer, BigEndianCopyRefusesMalformedContainers)
{
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}}));

    Bytes tooLong = a;
    putLe(tooLong, obin::kBlockLengthOffset, uint32_t(a.size() + 1));
    EXPECT_THROW(obin::toBigEndian(tooLong), std::invalid_argument);

    // A section table past its block would be swapped past the buffer.
    Bytes table = a;
    putLe(table, obin::kSectionCountOffset, 1000);
    EXPECT_THROW(obin::toBigEndian(table), std::invalid_argument);

    EXPECT_THROW(obin::toBigEndian(obin::toBigEndian(a)), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// Round trips: build, validate, find, compare bytes, in both byte orders.

struct RoundTripCase {
    std::string name;
    std::vector<obin::RegionImage> regions;
};

std::vector<RoundTripCase> roundTripCases()
{
    return {
        {"OneSection", {region(601, 0, 0x18000, 0x100, {{0x18000, pattern(40, 1)}})}},
        {"NoSections", {region(601, 2, 0x28000, 0x20, {})}},
        {"EmptySection", {region(601, 2, 0x28000, 0x20, {{0x28010, {}}})}},
        {"SectionsWithGaps",
         {region(200, 1, 0x28000, 0x100,
                 {{0x28000, pattern(16, 2)}, {0x28040, pattern(5, 3)}, {0x280F0, pattern(16, 4)}})}},
        {"OddLengths",
         {region(502, 0, 0x18000, 0x40,
                 {{0x18000, pattern(1, 5)}, {0x18001, pattern(3, 6)}, {0x18010, pattern(7, 7)}})}},
        {"TopOfAddressSpace", {region(601, 4, 0xFFFFFF00, 0x100, {{0xFFFFFFF0, pattern(16, 8)}})}},
        {"ThreeModels",
         {region(202, 0, 0x18000, 0x80, {{0x18000, pattern(33, 9)}}),
          region(200, 1, 0x28000, 0x80, {{0x28004, pattern(17, 10)}, {0x28040, pattern(2, 11)}}),
          region(502, 0, 0x18000, 0x80, {})}},
        {"FiveRegionsOfOneModel",
         {region(601, 0, 0x18000, 0x40, {{0x18000, pattern(12, 12)}}),
          region(601, 1, 0x50000, 0x40, {{0x50000, pattern(13, 13)}}),
          region(601, 2, 0x28000, 0x40, {{0x28000, pattern(14, 14)}}),
          region(601, 3, 0x38000, 0x40, {{0x38000, pattern(15, 15)}}),
          region(601, 4, 0x60000000, 0x40, {{0x60000000, pattern(16, 16)}})}},
    };
}

class RoundTrip : public testing::TestWithParam<RoundTripCase> {
protected:
    Bytes littleEndian() const { return containerOf(GetParam().regions); }

    // Everything find() returns matches what the block was built from.
    void expectRegionsFound(Image& image) const
    {
        const auto& regions = GetParam().regions;
        size_t offset = 0;
        for (const auto& r : regions) {
            SCOPED_TRACE("region " + std::to_string(r.model) + "/" + std::to_string(r.regionIndex));
            const auto block = image.find(r.model, r.regionIndex);
            ASSERT_TRUE(block);
            EXPECT_EQ(block->headerBytes(), image.data() + offset);
            EXPECT_EQ(block->version(), r.version);
            EXPECT_EQ(block->baseAddress(), r.baseAddress);
            EXPECT_EQ(block->regionLength(), r.regionLength);
            EXPECT_EQ(block->regionCrc(), regionCrc(r));
            ASSERT_EQ(block->sectionCount(), r.sections.size());
            for (uint32_t i = 0; i < block->sectionCount(); ++i) {
                const obin::Section s = block->section(i);
                EXPECT_EQ(s.address, r.sections[i].address);
                ASSERT_EQ(s.length, r.sections[i].data.size());
                const Bytes data(block->sectionData(s), block->sectionData(s) + s.length);
                EXPECT_EQ(data, r.sections[i].data);
                EXPECT_EQ(s.crc, referenceCrc(data.data(), data.size()));
            }
            offset += block->blockLength();
        }
        EXPECT_EQ(offset, image.size());
    }
};

TEST_P(RoundTrip, LittleEndianValidatesUnchanged)
{
    const Bytes le = littleEndian();
    Image image(le);
    ASSERT_TRUE(image.validate());
    EXPECT_EQ(image.bytes(), le);
    expectRegionsFound(image);
}

TEST_P(RoundTrip, BigEndianConvertsToLittleEndian)
{
    const Bytes le = littleEndian();
    const Bytes be = obin::toBigEndian(le);
    ASSERT_NE(be, le);
    Image image(be);
    // Nothing is found before conversion: a big-endian block ends the walk.
    EXPECT_FALSE(image.find(GetParam().regions[0].model, GetParam().regions[0].regionIndex));
    ASSERT_TRUE(image.validate());
    EXPECT_EQ(image.bytes(), le);
    expectRegionsFound(image);

    ASSERT_TRUE(image.validate());
    EXPECT_EQ(image.bytes(), le);
}

TEST_P(RoundTrip, CountsEveryModel)
{
    Image image(littleEndian());
    ASSERT_TRUE(image.validate());
    for (const auto& r : GetParam().regions) {
        uint32_t expected = 0;
        for (const auto& other : GetParam().regions)
            expected += other.model == r.model;
        EXPECT_EQ(image.count(r.model), expected) << r.model;
    }
    EXPECT_EQ(image.count(999), 0u);
}

INSTANTIATE_TEST_SUITE_P(Containers, RoundTrip, testing::ValuesIn(roundTripCases()),
                         [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------

TEST(ByteOrder, HandWrittenBigEndianBlockConverts)
{
    // Model 601, region 2, version 1.2.3.4, one 6-byte section: words
    // most significant byte first, data as it is.
    const uint8_t data[6] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    Bytes be(68 + 16 + 6, 0);
    std::memcpy(be.data(), "nbO!", 4);
    std::memcpy(be.data() + 4, "hand made", 9);
    putBe(be, 36, 601);
    putBe(be, 40, 2);
    putBe(be, 44, 0x01020304);
    putBe(be, 48, 0x28000);
    putBe(be, 52, 8);
    putBe(be, 56, 0xCAFEF00D);
    putBe(be, 60, uint32_t(be.size()));
    putBe(be, 64, 1);
    putBe(be, 68, 0x28001);
    putBe(be, 72, 6);
    putBe(be, 76, referenceCrc(data, 6));
    putBe(be, 80, 84);
    std::memcpy(be.data() + 84, data, 6);

    Image image(be);
    ASSERT_TRUE(image.validate());
    const Bytes le = image.bytes();
    EXPECT_EQ(0, std::memcmp(le.data(), "!Obn", 4));
    EXPECT_EQ(0, std::memcmp(le.data() + 4, "hand made", 9));
    EXPECT_EQ(getLe(le, 36), 601u);
    EXPECT_EQ(getLe(le, 40), 2u);
    EXPECT_EQ(getLe(le, 44), 0x01020304u);
    EXPECT_EQ(getLe(le, 48), 0x28000u);
    EXPECT_EQ(getLe(le, 52), 8u);
    EXPECT_EQ(getLe(le, 56), 0xCAFEF00Du);
    EXPECT_EQ(getLe(le, 60), be.size());
    EXPECT_EQ(getLe(le, 64), 1u);
    EXPECT_EQ(getLe(le, 68), 0x28001u);
    EXPECT_EQ(getLe(le, 72), 6u);
    EXPECT_EQ(getLe(le, 76), referenceCrc(data, 6));
    EXPECT_EQ(getLe(le, 80), 84u);
    EXPECT_EQ(0, std::memcmp(le.data() + 84, data, 6));
}

TEST(ByteOrder, SectionDataIsNeverSwapped)
{
    // Odd lengths put later sections at offsets that are not word aligned.
    const auto r =
        region(200, 1, 0x28000, 0x40, {{0x28000, {1, 2, 3, 4, 5, 6, 7}}, {0x28010, {8, 9, 10, 11, 12, 13, 14, 15}}});
    const Bytes le = obin::buildBlock(r);
    const Bytes be = obin::toBigEndian(le);
    const size_t data = 68 + 2 * 16;
    EXPECT_EQ(Bytes(be.begin() + data, be.end()), Bytes(le.begin() + data, le.end()));

    Image image(be);
    ASSERT_TRUE(image.validate());
    EXPECT_EQ(Bytes(image.data() + data, image.data() + image.size()),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    const auto block = image.find(200, 1);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->regionCrc(), regionCrc(r));
}

TEST(ByteOrder, MixedOrdersConvertBlockByBlock)
{
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}}));
    const Bytes b = obin::buildBlock(region(202, 1, 0x28000, 0x40, {{0x28000, pattern(20, 2)}}));
    const Bytes c = obin::buildBlock(region(502, 0, 0x18000, 0x40, {{0x18004, pattern(3, 3)}}));
    Image image(join({a, obin::toBigEndian(b), c}));
    ASSERT_TRUE(image.validate());
    EXPECT_EQ(image.bytes(), join({a, b, c}));
}

// ---------------------------------------------------------------------------
// Malformed containers: each case spoils the last of two blocks, written in
// either byte order. Validation fails without reading outside the buffer,
// the first block stays converted, and find() never returns the spoilt one.

enum class Order { Little, Big };

struct Spoiler {
    Bytes& bytes;
    size_t block; // offset of the spoilt block
    size_t blockSize;
    Order order;

    void word(size_t at, uint32_t v)
    {
        order == Order::Little ? putLe(bytes, block + at, v) : putBe(bytes, block + at, v);
    }
    void cutTo(size_t lengthOfBlock) { bytes.resize(block + lengthOfBlock); }
};

struct MalformedCase {
    std::string name;
    std::function<void(Spoiler&)> spoil;
};

// The spoilt block has one section at offset 84 of 20 bytes: 104 bytes in all.
constexpr uint32_t kSectionEntry = 68;
constexpr uint32_t kDataLength = 20;

std::vector<MalformedCase> malformedCases()
{
    auto blockLength = [](uint32_t v) { return [v](Spoiler& s) { s.word(obin::kBlockLengthOffset, v); }; };
    auto sectionCount = [](uint32_t v) { return [v](Spoiler& s) { s.word(obin::kSectionCountOffset, v); }; };
    auto section = [](uint32_t offset, uint32_t length) {
        return [offset, length](Spoiler& s) {
            s.word(kSectionEntry + 4, length);
            s.word(kSectionEntry + 12, offset);
        };
    };
    return {
        {"LengthOneBeyondTheEnd", [](Spoiler& s) { s.word(obin::kBlockLengthOffset, uint32_t(s.blockSize + 1)); }},
        {"LengthFarBeyondTheEnd", blockLength(0xFFFFFFFF)},
        {"LengthZero", blockLength(0)},
        {"LengthOne", blockLength(1)},
        {"LengthShorterThanHeader", blockLength(67)},
        {"TableOneEntryTooLong", sectionCount(3)},
        {"TableCountWrapsToZero", sectionCount(0x10000000)},
        {"TableCountWrapsToFit", sectionCount(0x0FFFFFFC)},
        {"TableCountMax", sectionCount(0xFFFFFFFF)},
        {"DataOneBeyondTheBlock", section(85, kDataLength)},
        {"DataStartsAtTheEnd", section(104, 1)},
        {"DataOffsetBeyondTheBlock", section(105, 0)},
        {"DataOffsetWrapsToZero", section(0xFFFFFFFF, 1)},
        {"DataOffsetWrapsInside", section(0xFFFFFFF0, 0x20)},
        {"DataLengthWrapsToZero", section(84, 0xFFFFFFAC)},
        {"DataLengthMax", section(84, 0xFFFFFFFF)},
        {"BadMagic", [](Spoiler& s) { std::memcpy(s.bytes.data() + s.block, "!ObN", 4); }},
        {"NoMagic", [](Spoiler& s) { std::memset(s.bytes.data() + s.block, 0, 4); }},
        {"CutInHeader", [](Spoiler& s) { s.cutTo(40); }},
        {"CutOneByteShortOfHeader", [](Spoiler& s) { s.cutTo(67); }},
        {"CutInTable", [](Spoiler& s) { s.cutTo(75); }},
        {"CutInData", [](Spoiler& s) { s.cutTo(103); }},
    };
}

class Malformed : public testing::TestWithParam<std::tuple<MalformedCase, Order>> { };

TEST_P(Malformed, IsInvalidAndLeavesEarlierBlocksConverted)
{
    const auto& [spoil, order] = GetParam();
    const Bytes first =
        obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}, {0x18020, pattern(4, 2)}}));
    const Bytes last = obin::buildBlock(region(200, 1, 0x28000, 0x40, {{0x28000, pattern(kDataLength, 3)}}));
    ASSERT_EQ(last.size(), 104u);

    Bytes bytes = join({first, last});
    if (order == Order::Big)
        bytes = obin::toBigEndian(bytes);
    Spoiler spoiler{bytes, first.size(), last.size(), order};
    spoil.spoil(spoiler);

    Image image(bytes);
    EXPECT_FALSE(image.validate());
    EXPECT_EQ(Bytes(image.data(), image.data() + first.size()), first);
    EXPECT_FALSE(image.validate());

    const auto found = image.find(601, 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->headerBytes(), image.data());
    EXPECT_FALSE(image.find(200, 1));
    EXPECT_EQ(image.count(601), 1u);
    EXPECT_EQ(image.count(200), 0u);
}

INSTANTIATE_TEST_SUITE_P(Containers, Malformed,
                         testing::Combine(testing::ValuesIn(malformedCases()),
                                          testing::Values(Order::Little, Order::Big)),
                         [](const testing::TestParamInfo<std::tuple<MalformedCase, Order>>& info) {
                             return std::get<0>(info.param).name +
                                 (std::get<1>(info.param) == Order::Little ? "_Little" : "_Big");
                         });

TEST(Validation, EdgesThatAreStillValid)
{
    // An empty section may sit right at the end of its block, and data may
    // overlap the header: both lie inside the block.
    Bytes atEnd = obin::buildBlock(region(200, 1, 0x28000, 0x40, {{0x28000, pattern(kDataLength, 3)}}));
    putLe(atEnd, kSectionEntry + 4, 0);
    putLe(atEnd, kSectionEntry + 12, uint32_t(atEnd.size()));
    EXPECT_TRUE(Image(atEnd).validate());

    Bytes whole = atEnd;
    putLe(whole, kSectionEntry + 4, uint32_t(whole.size()));
    putLe(whole, kSectionEntry + 12, 0);
    EXPECT_TRUE(Image(whole).validate());
}

TEST(Validation, BytesAfterTheLastBlockAreInvalid)
{
    // Too few to hold a block header: neither a block nor skippable.
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}}));
    for (const Bytes& tail : {Bytes{0}, Bytes{'!', 'O', 'b', 'n'}, Bytes(67, 0)}) {
        Image image(join({a, tail}));
        EXPECT_FALSE(image.validate()) << tail.size();
        EXPECT_TRUE(image.find(601, 0));
    }
    Image be(join({obin::toBigEndian(a), Bytes{'n', 'b', 'O', '!'}}));
    EXPECT_FALSE(be.validate());
    EXPECT_EQ(Bytes(be.data(), be.data() + a.size()), a);
}

TEST(Validation, BlocksBeforeAnInvalidOneStayConverted)
{
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(9, 1)}}));
    const Bytes b = obin::buildBlock(region(202, 1, 0x28000, 0x40, {{0x28000, pattern(20, 2)}}));
    const Bytes c = obin::buildBlock(region(502, 0, 0x18000, 0x40, {{0x18004, pattern(3, 3)}}));
    const Bytes be = obin::toBigEndian(join({a, b, c}));

    // A bad length in the second block: the third is not reached.
    Bytes badLength = be;
    putBe(badLength, a.size() + obin::kBlockLengthOffset, 0);
    Image image(badLength);
    EXPECT_FALSE(image.validate());
    EXPECT_EQ(image.bytes(), join({a, Bytes(badLength.begin() + long(a.size()), badLength.end())}));

    // A bad magic in the third: the first two are converted.
    Bytes badMagic = be;
    badMagic[a.size() + b.size()] = 'x';
    Image second(badMagic);
    EXPECT_FALSE(second.validate());
    EXPECT_EQ(second.bytes(), join({a, b, Bytes(badMagic.begin() + long(a.size() + b.size()), badMagic.end())}));
    EXPECT_TRUE(second.find(202, 1));
    EXPECT_FALSE(second.find(502, 0));
}

TEST(Validation, NothingToValidate)
{
    EXPECT_FALSE(obin::validateAndConvert(nullptr, 0));
}

// ---------------------------------------------------------------------------

TEST(Find, ReturnsTheFirstMatch)
{
    Image image(containerOf({region(200, 0, 0x18000, 0x40, {}),
                             region(601, 1, 0x50000, 0x40, {{0x50000, pattern(4, 1)}}, 0x01000001),
                             region(601, 1, 0x50000, 0x40, {{0x50000, pattern(4, 2)}}, 0x01000002)}));
    ASSERT_TRUE(image.validate());
    const auto block = image.find(601, 1);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->version(), 0x01000001u);
    EXPECT_EQ(block->headerBytes(), image.data() + 68);
    EXPECT_EQ(block->bytes().size(), block->blockLength());
    EXPECT_EQ(image.count(601), 2u);
}

TEST(Find, NothingForMissingModelOrRegion)
{
    Image image(containerOf({region(200, 0, 0x18000, 0x40, {}), region(200, 1, 0x28000, 0x40, {})}));
    ASSERT_TRUE(image.validate());
    EXPECT_FALSE(image.find(202, 0));
    EXPECT_FALSE(image.find(200, 2));
    EXPECT_FALSE(obin::findRegion(nullptr, 0, 200, 0));
    EXPECT_FALSE(obin::findRegion(image.data(), 0, 200, 0));
}

TEST(Find, StopsAtTheFirstBlockNotInLittleEndianOrder)
{
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {}));
    const Bytes b = obin::buildBlock(region(202, 0, 0x18000, 0x40, {}));
    const Bytes c = obin::buildBlock(region(502, 0, 0x18000, 0x40, {}));
    Image image(join({a, obin::toBigEndian(b), c}));
    EXPECT_TRUE(image.find(601, 0));
    EXPECT_FALSE(image.find(202, 0));
    EXPECT_FALSE(image.find(502, 0));
    EXPECT_EQ(image.count(502), 0u);
}

TEST(Find, StopsAtABlockEndingBeyondTheContainer)
{
    const Bytes a = obin::buildBlock(region(601, 0, 0x18000, 0x40, {{0x18000, pattern(8, 1)}}));
    const Bytes b = obin::buildBlock(region(202, 0, 0x18000, 0x40, {{0x18000, pattern(8, 2)}}));
    Bytes cut = join({a, b});
    cut.pop_back();
    Image image(cut);
    EXPECT_TRUE(image.find(601, 0));
    EXPECT_FALSE(image.find(202, 0));
    EXPECT_EQ(image.count(202), 0u);
}

TEST(Count, CountsBlocksPerModel)
{
    Image image(containerOf({region(601, 0, 0x18000, 0x40, {}), region(200, 0, 0x18000, 0x40, {}),
                             region(601, 1, 0x50000, 0x40, {}), region(601, 2, 0x28000, 0x40, {})}));
    ASSERT_TRUE(image.validate());
    EXPECT_EQ(image.count(601), 3u);
    EXPECT_EQ(image.count(200), 1u);
    EXPECT_EQ(image.count(202), 0u);
    EXPECT_EQ(obin::countRegions(nullptr, 0, 601), 0u);
}

} // namespace
