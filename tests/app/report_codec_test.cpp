// Parameter blocks in reports: writes, requests, and received reports.
#include "report_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace zq40 {
namespace {

using Bytes = std::vector<uint8_t>;

// Every block byte nonzero and different from its neighbours, so that a
// byte copied from the wrong place or not copied at all shows.
ParameterBlocks patterned()
{
    ParameterBlocks b;
    for (int code = 1; code <= 16; ++code) {
        const std::span<uint8_t> block = b.block(uint8_t(code));
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = uint8_t(0x80 + code * 3 + i);
    }
    return b;
}

void expectHeader(const Report& r, uint8_t code)
{
    EXPECT_EQ(r[0], 48);
    EXPECT_EQ(Bytes(r.begin() + 1, r.begin() + 5), Bytes(4, 0)); // tag
    EXPECT_EQ(r[5], 0xBA);                                       // cnt 58, reply
    EXPECT_EQ(r[6], code);
}

Bytes tail(const Report& r, size_t from)
{
    return Bytes(r.begin() + long(from), r.end());
}

TEST(ParameterWrite, InputsBlockThenZeros)
{
    const ParameterBlocks b = patterned();
    const Report r = parameterWrite(HIDR_INPUTS_PAGING, b);
    expectHeader(r, 3);
    EXPECT_EQ(Bytes(r.begin() + 7, r.begin() + 52), Bytes(b.inputsPaging.begin(), b.inputsPaging.end()));
    EXPECT_EQ(tail(r, 52), Bytes(12, 0));
}

TEST(ParameterWrite, LinkBlockExactlyEightBytes)
{
    const ParameterBlocks b = patterned();
    const Report r = parameterWrite(HIDR_ZONE_LINKS, b);
    expectHeader(r, 14);
    EXPECT_EQ(Bytes(r.begin() + 7, r.begin() + 15), Bytes(b.zoneLinks.begin(), b.zoneLinks.end()));
    EXPECT_EQ(tail(r, 15), Bytes(49, 0));
}

TEST(ParameterWrite, EverySentCodeCarriesItsWholeBlock)
{
    const ParameterBlocks b = patterned();
    for (uint8_t code : {1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}) {
        SCOPED_TRACE(int(code));
        const Report r = parameterWrite(code, b);
        expectHeader(r, code);
        const std::span<const uint8_t> block = b.block(code);
        EXPECT_EQ(Bytes(r.begin() + 7, r.begin() + 7 + long(block.size())), Bytes(block.begin(), block.end()));
        EXPECT_EQ(tail(r, 7 + block.size()), Bytes(57 - block.size(), 0));
    }
}

TEST(ParameterWrite, UnsentCodesCarryNoBlock)
{
    const ParameterBlocks b = patterned();
    for (int code : {0, 2, 15, 17, 48, 255}) {
        SCOPED_TRACE(code);
        const Report r = parameterWrite(uint8_t(code), b);
        expectHeader(r, uint8_t(code));
        EXPECT_EQ(tail(r, 7), Bytes(57, 0));
    }
}

TEST(Requests, MsgIdAndNothingElse)
{
    Report expected{};
    expected[0] = 49;
    EXPECT_EQ(parameterRequest(), expected);
    expected[0] = 33;
    EXPECT_EQ(childEnumerationRequest(), expected);
}

TEST(ReceivedReports, RecognisedByMsgIdAlone)
{
    Report r{};
    r[0] = 49;
    r[1] = 0xDE; // tag and byte 5 carry anything
    r[5] = 0x3F;
    EXPECT_TRUE(isParameterReport(r));
    r[0] = 48;
    EXPECT_FALSE(isParameterReport(r));
    EXPECT_FALSE(isParameterReport({}));
}

TEST(ReceivedReports, CodeTwoStoresTheZoneLevels)
{
    Report r{};
    r[0] = 49;
    r[6] = HIDR_ZONE_LEVELS_ALT;
    for (size_t i = 7; i < r.size(); ++i)
        r[i] = uint8_t(i);
    ParameterBlocks b;
    ASSERT_TRUE(b.store(parameterReportCode(r), parameterReportBlock(r)));
    EXPECT_EQ(Bytes(b.zoneLevels.begin(), b.zoneLevels.end()), Bytes(r.begin() + 7, r.begin() + 55));
}

TEST(ReceivedReports, ShortReportsAreSafe)
{
    const Bytes six(6, 49);
    EXPECT_EQ(parameterReportCode(six), 0);
    EXPECT_TRUE(parameterReportBlock(six).empty());
    const Bytes seven{49, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(parameterReportCode(seven), 3);
    EXPECT_TRUE(parameterReportBlock(seven).empty());
}

} // namespace
} // namespace zq40
