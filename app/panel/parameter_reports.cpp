#include "parameter_reports.h"

#include <algorithm>

namespace zq40 {

namespace {

// Code 2 names the zone levels only as the unit reports them.
bool isSent(uint8_t code)
{
    return code != HIDR_ALL && code != HIDR_ZONE_LEVELS_ALT && blockSize(code) != 0;
}

Report request(uint8_t msgID)
{
    Report r{};
    r[0] = msgID;
    return r;
}

} // namespace

Report parameterWrite(uint8_t code, const ParameterBlocks& blocks)
{
    Report r{};
    r[0] = kMsgParameterWrite;
    r[5] = kParameterWriteCnt;
    r[kCodeOffset] = code;
    if (isSent(code)) {
        const std::span<const uint8_t> b = blocks.block(code);
        std::copy(b.begin(), b.end(), r.begin() + kBlockOffset);
    }
    return r;
}

Report parameterRequest()
{
    return request(kMsgParameterRequest);
}

Report childEnumerationRequest()
{
    return request(kMsgChildEnumeration);
}

bool isParameterReport(std::span<const uint8_t> report)
{
    return !report.empty() && report[0] == kMsgParameterReport;
}

uint8_t parameterReportCode(std::span<const uint8_t> report)
{
    return report.size() > kCodeOffset ? report[kCodeOffset] : 0;
}

std::span<const uint8_t> parameterReportBlock(std::span<const uint8_t> report)
{
    if (report.size() <= kBlockOffset)
        return {};
    return report.subspan(kBlockOffset);
}

} // namespace zq40
