// Report transport: writes, waiting reads, the read-report callback, the
// version reply's re-announcement, and client threads racing the worker.
#include "emulated_bus.h"

#include <atomic>
#include <cstring>
#include <thread>

using namespace testsupport;
using Kind = LibraryEvent::Kind;
using namespace std::chrono_literals;

namespace {

class ReportIo : public EmulatedBus { };

hid_report_t request(uint8_t msgID, uint32_t tag, uint8_t cntByte)
{
    hid_report_t r{};
    r.msgID = msgID;
    r.tag = tag;
    r.cnt = cntByte;
    return r;
}

TEST_F(ReportIo, TransactionWritesOneReportAndReadsTheReply)
{
    ousb_handle_t h = plugAndConnect(1101);
    auto& unit = *bed->units().front();
    size_t before = unit.received().size();

    hid_report_t req = request(OUSB_MSG_STATUS, 0, OUSB_REPLY_FLAG); // the application's own status request
    std::memset(req.reserved, 0xAB, sizeof req.reserved);
    hid_report_t reply{};
    std::memset(&reply, 0x5A, sizeof reply);
    ASSERT_TRUE(ousb_Transaction(h, &req, &reply));
    EXPECT_EQ(reply.msgID, OUSB_MSG_STATUS);
    EXPECT_EQ(uint32_t(reply.tag), 0u); // the unit echoes the application's tag
    EXPECT_EQ(reply.cnt & OUSB_CNT_MASK, 2);
    EXPECT_EQ(reply.reserved[0], 0x5A); // only 64 bytes are filled

    ASSERT_TRUE(unit.waitForReceived([&](const auto& r) { return r.size() > before; }, 2000ms));
    auto sent = unit.received()[before];
    EXPECT_EQ(std::memcmp(sent.bytes.data(), &req, 64), 0);
}

// A write clears what arrived before it, so that the read that follows waits
// for a report that arrives after the write.
void writeWithoutAnswer(ousb_handle_t h)
{
    hid_report_t deselect = request(OUSB_MSG_CHILD_SELECT, OUSB_TAG, 0);
    ASSERT_TRUE(ousb_WriteReport(h, &deselect));
}

TEST_F(ReportIo, ReadTimesOutAfterFourSecondsAndRecovers)
{
    ousb_handle_t h = plugAndConnect(1201);
    hid_report_t report{};
    writeWithoutAnswer(h);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ousb_ReadReport(h, &report));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 3900ms);
    EXPECT_LT(waited, 6000ms);
    EXPECT_TRUE(waitForLogLine("ERROR: ousb_ReadReport() Timed out at 4.0 seconds h 0x"));

    // The lock is free and the read chain runs: the next exchange works.
    uint8_t status[2] = {9, 9};
    EXPECT_TRUE(ousb_GetStatusInfo(h, status));
    EXPECT_EQ(status[1], 0);
}

TEST_F(ReportIo, UnhandledReportsReachTheCallbackAndAWaitingReader)
{
    ousb_handle_t h = plugAndConnect(1301);
    auto& unit = *bed->units().front();
    std::vector<uint8_t> block(45);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(i * 7);
    unit.setBlock(3, block);

    hid_report_t read{};
    std::atomic<bool> got{false};
    writeWithoutAnswer(h);
    std::thread reader([&] { got = ousb_ReadReport(h, &read); });
    std::this_thread::sleep_for(100ms);
    events().clear();
    unit.pushBlock(3);
    reader.join();

    auto reports = events().waitForKind(Kind::report, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].handle, h);
    EXPECT_EQ(reports[0].bytes[0], OUSB_MSG_PARAMETER_REPORT);
    EXPECT_EQ(reports[0].bytes[6], 3);
    EXPECT_EQ(std::memcmp(reports[0].bytes.data() + 7, block.data(), block.size()), 0);
    ASSERT_TRUE(got);
    EXPECT_EQ(std::memcmp(&read, reports[0].bytes.data(), 64), 0);
}

TEST_F(ReportIo, ChangedVersionIsAnnouncedAgainAndSameVersionIsPassedOn)
{
    ousb_handle_t h = plugAndConnect(1401);
    auto& unit = *bed->units().front();
    events().clear();

    // Same block: no announcement, the reply goes to the read-report callback.
    ASSERT_TRUE(ousb_RequestDeviceVersion(h));
    auto reports = events().waitForKind(Kind::report, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].bytes[0], OUSB_MSG_VERSION);
    EXPECT_EQ(countKind(events().events(), Kind::connect), 0u);

    // A changed block: announced again with the new version, on the same handle.
    events().clear();
    unit.setVersion(0x01050001);
    ASSERT_TRUE(ousb_RequestDeviceVersion(h));
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects[0].handle, h);
    EXPECT_EQ(connects[0].info.ver, 0x01050001u);
    EXPECT_TRUE(waitForLogLine("version for PID 601 perID 601 ser 1401 h 0x"));
    EXPECT_TRUE(waitForLogLine("ver 1.5.0.1"));
}

TEST_F(ReportIo, ClientWritingWhileTheRecordIsDeletedIsSafe)
{
    ousb_handle_t h = plugAndConnect(1501);
    auto& unit = *bed->units().front();
    std::atomic<bool> stop{false};
    std::atomic<int> refused{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 2; ++t)
        clients.emplace_back([&] {
            hid_report_t r = request(OUSB_MSG_STATUS, 0, OUSB_REPLY_FLAG);
            while (!stop) {
                if (!ousb_WriteReport(h, &r))
                    ++refused;
                hid_report_t in{};
                ousb_RegisterReadReportCallback(h, nullptr);
                if (!ousb_ReadReport(h, &in))
                    ++refused;
            }
        });
    std::this_thread::sleep_for(100ms);
    bed->unplug(unit);
    bool gone = events().waitForKind(Kind::disconnect, 1).size() == 1;
    std::this_thread::sleep_for(100ms);
    stop = true;
    for (auto& c : clients)
        c.join();
    EXPECT_TRUE(gone);
    EXPECT_GT(refused, 0);
    hid_report_t r{};
    EXPECT_FALSE(ousb_WriteReport(h, &r)); // the handle is gone for good
}

} // namespace
