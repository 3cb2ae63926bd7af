#include "report_codec.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>

namespace zq40 {

using byte_order::readLe32;

namespace {

// Code 2 names the zone levels only as the unit reports them.
bool isSent(uint8_t code)
{
    return code != HIDR_ALL && code != HIDR_ZONE_LEVELS_ALT && blockSize(code) != 0;
}

Report request(uint8_t msgID, uint8_t cnt = 0)
{
    Report r{};
    r[0] = msgID;
    r[5] = cnt;
    return r;
}

} // namespace

Report statusRequest()
{
    return request(OUSB_MSG_STATUS, OUSB_REPLY_FLAG);
}

Report parameterWrite(uint8_t code, const ParameterBlocks& blocks)
{
    Report r = request(OUSB_MSG_PARAMETER_WRITE, kParameterWriteCnt);
    r[kCodeOffset] = code;
    if (isSent(code)) {
        const std::span<const uint8_t> b = blocks.block(code);
        std::copy(b.begin(), b.end(), r.begin() + kBlockOffset);
    }
    return r;
}

Report parameterRequest()
{
    return request(OUSB_MSG_PARAMETER_REPORT);
}

Report childEnumerationRequest()
{
    return request(OUSB_MSG_ENUMERATE_CHILDREN);
}

bool writeReport(ousb_handle_t handle, const Report& report)
{
    hid_report_t r{};
    static_assert(sizeof(Report) <= sizeof(hid_report_t));
    std::memcpy(&r, report.data(), report.size());
    return ousb_WriteReport(handle, &r) != 0;
}

std::span<const uint8_t> reportBytes(const hid_report_t& report)
{
    return {reinterpret_cast<const uint8_t*>(&report), OUSB_REPORT_SIZE};
}

uint8_t msgIdOf(std::span<const uint8_t> report)
{
    return report.empty() ? 0 : report[0];
}

UnitStatus statusOf(std::span<const uint8_t> report)
{
    if (report.size() <= kCodeOffset + 1)
        return {};
    return {report[kCodeOffset], report[kCodeOffset + 1]};
}

bool isParameterReport(std::span<const uint8_t> report)
{
    return msgIdOf(report) == OUSB_MSG_PARAMETER_REPORT;
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

uint16_t childKey(const ousb_child_device_info_t& child)
{
    return uint16_t(child.childID[0] << 8 | child.childID[1]);
}

uint16_t childSelector(const ousb_child_device_info_t& child)
{
    return uint16_t(child.childID[0] | child.childID[1] << 8);
}

uint32_t childRevision(const ousb_child_device_info_t& child)
{
    return readLe32(child.info);
}

uint32_t childVersion(const ousb_child_device_info_t& child)
{
    return readLe32(child.info + 8);
}

} // namespace zq40
