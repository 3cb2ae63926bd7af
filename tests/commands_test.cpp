// Device commands and their acceptance rules, and child devices.
#include "emulated_bus.h"

#include <cstring>
#include <thread>

using namespace testsupport;
using Kind = LibraryEvent::Kind;
using namespace std::chrono_literals;

namespace {

class Commands : public EmulatedBus {
protected:
    zq40emu::Unit& unit() { return *bed->units().front(); }
    zq40emu::Report lastSent()
    {
        auto all = unit().received();
        return all.empty() ? zq40emu::Report{} : all.back();
    }
    void setFaults(void (*change)(zq40emu::Faults&))
    {
        zq40emu::Faults f;
        change(f);
        unit().setFaults(f);
    }
};

TEST_F(Commands, QueriesReturnTheUnitsAnswers)
{
    ousb_handle_t h = plugAndConnect(2101);
    uint8_t status[2] = {9, 9};
    ASSERT_TRUE(ousb_GetStatusInfo(h, status));
    EXPECT_EQ(status[1], 0); // application running, not the bootloader

    uint8_t block[24];
    ASSERT_TRUE(ousb_GetVersionInfo(h, block));
    ousb_version_block_t v;
    std::memcpy(&v, block, sizeof v);
    EXPECT_EQ(v.perID, 601u);
    EXPECT_EQ(v.ser, 2101u);

    const uint32_t params[2] = {0x11223344, 0xA5A5A5A5};
    ASSERT_TRUE(ousb_SetFlashParams(h, params));
    auto sent = lastSent();
    EXPECT_EQ(sent.bytes[0], OUSB_MSG_SET_FLASH_PARAMS);
    EXPECT_EQ(sent.bytes[5], 8 | OUSB_REPLY_FLAG);
    EXPECT_EQ(reportTag(sent.bytes), OUSB_TAG);
    uint32_t back[2] = {};
    ASSERT_TRUE(ousb_GetFlashParams(h, back));
    EXPECT_EQ(back[0], params[0]);
    EXPECT_EQ(back[1], params[1]);
}

TEST_F(Commands, RepliesWithWrongCountTagOrTypeAreRefused)
{
    ousb_handle_t h = plugAndConnect(2201);
    uint8_t status[2] = {9, 9};
    setFaults([](zq40emu::Faults& f) { f.wrongCnt = true; });
    EXPECT_FALSE(ousb_GetStatusInfo(h, status));
    EXPECT_EQ(status[0], 9); // untouched
    EXPECT_EQ(status[1], 9);

    uint8_t block[24] = {};
    setFaults([](zq40emu::Faults& f) { f.wrongTag = true; });
    EXPECT_FALSE(ousb_GetVersionInfo(h, block));

    setFaults([](zq40emu::Faults& f) { f.otherMsgFirst = true; });
    EXPECT_FALSE(ousb_GetStatusInfo(h, status)); // the first report after the write decides

    setFaults([](zq40emu::Faults&) {});
    EXPECT_TRUE(ousb_GetStatusInfo(h, status));
}

TEST_F(Commands, AReaderLateForTwoReportsGetsThemInTurn)
{
    ousb_handle_t h = plugAndConnect(2251);
    setFaults([](zq40emu::Faults& f) { f.otherMsgFirst = true; });
    hid_report_t report{OUSB_MSG_STATUS, OUSB_TAG, OUSB_REPLY_FLAG, {}, {}};
    ASSERT_TRUE(ousb_WriteReport(h, &report));
    // The parameter block and then the status reply are both in before we read.
    ASSERT_TRUE(events().waitFor([](const EventList& all) { return all.back().bytes[0] == OUSB_MSG_STATUS; }));
    ASSERT_TRUE(ousb_ReadReport(h, &report));
    EXPECT_EQ(report.msgID, OUSB_MSG_PARAMETER_REPORT);
    ASSERT_TRUE(ousb_ReadReport(h, &report)); // and the one behind it is not lost
    EXPECT_EQ(report.msgID, OUSB_MSG_STATUS);
}

TEST_F(Commands, WriteOnlyCommandsSendTheirReport)
{
    ousb_handle_t h = plugAndConnect(2301);
    struct Case {
        uint8_t (*send)(ousb_handle_t);
        uint8_t msgID;
        uint8_t cntByte;
    } cases[] = {
        {ousb_RequestDeviceVersion, OUSB_MSG_VERSION, OUSB_REPLY_FLAG},
        {ousb_EnumerateChildDevices, OUSB_MSG_ENUMERATE_CHILDREN, 0},
        {ousb_StartBootloader, OUSB_MSG_START_BOOTLOADER, 0}, // last: the unit leaves for its bootloader
    };
    for (const auto& c : cases) {
        size_t before = unit().received().size();
        ASSERT_TRUE(c.send(h));
        ASSERT_TRUE(unit().waitForReceived([&](const auto& r) { return r.size() > before; }, 2000ms));
        auto sent = unit().received()[before];
        EXPECT_EQ(sent.bytes[0], c.msgID);
        EXPECT_EQ(sent.bytes[5], c.cntByte);
        EXPECT_EQ(reportTag(sent.bytes), OUSB_TAG);
    }
}

TEST_F(Commands, RebootBringsTheUnitBackUnderANewHandle)
{
    ousb_handle_t h = plugAndConnect(2401);
    events().clear();
    ASSERT_TRUE(ousb_RebootDevice(h));
    auto gone = events().waitForKind(Kind::disconnect, 1);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].handle, h);
    auto back = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].info.ser, 2401u);
}

TEST_F(Commands, ChildrenAreNamedByModelAndFollowTheUnit)
{
    auto config = unitConfig(2501);
    zq40emu::ChildConfig unknown = zq40emu::remote(260, 400, 0x01000000);
    config.children = {zq40emu::remote(258, 201, 0x01040023), unknown, zq40emu::pagingStation(0x01040023)};
    bed->plug(config);
    ousb_EnumerateDevices();
    auto children = events().waitForKind(Kind::childConnect, 3);
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[0].name, "Tilo2");
    EXPECT_EQ(children[1].name, "???");
    EXPECT_EQ(children[1].childModel, 400u);
    EXPECT_EQ(children[2].name, "Calla2");
    EXPECT_EQ(children[2].childInfo, zq40emu::pagingStation(0x01040023).info);

    events().clear();
    unit().disconnectChild(260);
    auto gone = events().waitForKind(Kind::childDisconnect, 1);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].childKey, 260);
    EXPECT_EQ(gone[0].name, "???");

    // A child already known is announced again in place.
    unit().connectChild(zq40emu::remote(258, 202, 0x01050000));
    auto again = events().waitForKind(Kind::childConnect, 1);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].name, "Tilo3");
}

TEST_F(Commands, ChildReportsOfUnknownChildrenAreHarmless)
{
    ousb_handle_t h = plugAndConnect(2601);
    zq40emu::Report r{};
    r.bytes[0] = OUSB_MSG_CHILD_DISCONNECT;
    r.bytes[5] = 2;
    r.bytes[6] = 0x34;
    r.bytes[7] = 0x12;
    unit().sendReport(r);
    // Every msgID with every cnt: nothing crashes, the unit still answers.
    size_t sent = 1;
    for (int id = 0; id < 256; id += 5, ++sent) {
        zq40emu::Report any{};
        any.bytes[0] = uint8_t(id);
        any.bytes[5] = uint8_t(id * 3);
        unit().sendReport(any);
    }
    // None of them is the library's own business: all reach the client.
    EXPECT_EQ(events().waitForKind(Kind::report, sent).size(), sent);
    uint8_t status[2];
    EXPECT_TRUE(ousb_GetStatusInfo(h, status));
    EXPECT_EQ(countKind(events().events(), Kind::childDisconnect), 0u);
}

} // namespace
