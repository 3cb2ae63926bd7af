// Discovery and hot-plug against emulated units on a umockdev test bed.
#include "emulated_bus.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;
using Kind = LibraryEvent::Kind;
using namespace std::chrono_literals;

namespace {

class Discovery : public EmulatedBus { };

TEST_F(Discovery, FindsTwoUnitsAndIgnoresAnotherVendor)
{
    plug(1001);
    bed->plugForeign(0x1234, 0x0259, "Not a mixer");
    plug(1002);
    ousb_EnumerateDevices();

    auto connects = events().waitForKind(Kind::connect, 2);
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[0].info.ser, 1001u); // list order is the order of discovery
    EXPECT_EQ(connects[1].info.ser, 1002u);
    for (const auto& c : connects) {
        EXPECT_EQ(c.info.PID, 601u); // product id 0x0259
        EXPECT_EQ(c.info.perID, 601u);
        EXPECT_EQ(c.name, "ZQ40");
    }
    EXPECT_NE(connects[0].handle, connects[1].handle);
    ASSERT_TRUE(waitForLogLine("ScanForDevices() complete with 2 devices and 0 devices deleted"));
    EXPECT_EQ(countLogLines("Create h"), 2u); // the foreign interface leaves no trace
    EXPECT_EQ(countLogLines("ERROR"), 0u);
}

TEST_F(Discovery, HotPlugAnnouncesUnitThenChildrenAndRemovesInOrder)
{
    ousb_EnumerateDevices();
    ASSERT_TRUE(waitForLogLine("ScanForDevices() complete with 0 devices"));

    auto config = unitConfig(2001);
    config.children = {zq40emu::pagingStation(0x01040023), zq40emu::remote(258, 200, 0x01040023)};
    auto& unit = bed->plug(config);

    ASSERT_EQ(events().waitForKind(Kind::childConnect, 2).size(), 2u);
    auto all = events().events();
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0].kind, Kind::connect);
    ousb_handle_t h = all[0].handle;
    EXPECT_EQ(all[1].childKey, 257);
    EXPECT_EQ(all[1].name, "Calla2");
    EXPECT_EQ(all[2].childKey, 258);
    EXPECT_EQ(all[2].name, "Tilo1");

    // The library asked for the version, then for the children once announced.
    auto sent = unit.received();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes[0], OUSB_MSG_VERSION);
    EXPECT_EQ(reportTag(sent[0].bytes), OUSB_TAG);
    EXPECT_EQ(sent[0].bytes[5], 0x80);
    EXPECT_EQ(sent[1].bytes[0], OUSB_MSG_ENUMERATE_CHILDREN);
    EXPECT_EQ(sent[1].bytes[5], 0x00);

    events().clear();
    bed->unplug(unit);
    auto gone = events().waitForKind(Kind::disconnect, 1);
    ASSERT_EQ(gone.size(), 1u);
    all = events().events();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].kind, Kind::childDisconnect);
    EXPECT_EQ(all[0].childKey, 257);
    EXPECT_EQ(all[1].kind, Kind::childDisconnect);
    EXPECT_EQ(all[1].childKey, 258);
    EXPECT_EQ(all[2].kind, Kind::disconnect);
    EXPECT_EQ(all[2].handle, h);
    EXPECT_EQ(all[2].info.ser, 2001u);
    EXPECT_TRUE(waitForLogLine("Offline and delete of h 0x"));
    EXPECT_EQ(ousb_FindDeviceByName("ZQ40"), nullptr);
}

TEST_F(Discovery, RescansWithoutChangeAnnounceNothingTwice)
{
    auto& first = plug(3001);
    ousb_EnumerateDevices();
    ASSERT_EQ(events().waitForKind(Kind::connect, 1).size(), 1u);
    // A second unit arriving makes the other one rescanned as well.
    plug(3002);
    ASSERT_EQ(events().waitForKind(Kind::connect, 2).size(), 2u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(countKind(events().events(), Kind::connect), 2u);
    EXPECT_EQ(countKind(events().events(), Kind::disconnect), 0u);
    EXPECT_EQ(countLogLines("Create h"), 2u);
    (void)first;
}

TEST_F(Discovery, EnumerateDropsAndReannouncesEveryUnit)
{
    plug(4001);
    plug(4002);
    ousb_EnumerateDevices();
    auto before = events().waitForKind(Kind::connect, 2);
    ASSERT_EQ(before.size(), 2u);
    events().clear();

    ASSERT_TRUE(ousb_EnumerateDevices());
    auto after = events().waitForKind(Kind::connect, 2);
    ASSERT_EQ(after.size(), 2u);
    auto all = events().events();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0].kind, Kind::disconnect);
    EXPECT_EQ(all[0].handle, before[0].handle);
    EXPECT_EQ(all[1].kind, Kind::disconnect);
    EXPECT_EQ(all[1].handle, before[1].handle);
    EXPECT_EQ(after[0].info.ser, 4001u);
    EXPECT_EQ(after[1].info.ser, 4002u);
    EXPECT_EQ(countLogLines("ScanForDevices() all 1"), 2u);
}

TEST_F(Discovery, SilentUnitIsNeverAnnouncedAndLeavesQuietly)
{
    auto& unit = plug(5001);
    zq40emu::Faults silent;
    silent.silent = true;
    unit.setFaults(silent);
    ousb_EnumerateDevices();
    ASSERT_TRUE(waitForLogLine("ScanForDevices() complete with 1 devices"));
    std::this_thread::sleep_for(200ms);
    bed->unplug(unit);
    ASSERT_TRUE(waitForLogLine("already offline ver 0.0.0.0"));
    EXPECT_TRUE(events().events().empty());
}

TEST_F(Discovery, BusyInterfaceIsSkippedUntilItIsFree)
{
    auto& unit = plug(6001);
    // Another program holds the unit.
    int fd = ::open(unit.devnode().c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ousb_EnumerateDevices();
    ASSERT_TRUE(waitForLogLine("ERROR: CreateFile() failed?"));
    EXPECT_TRUE(waitForLogLine("ScanForDevices() complete with 0 devices"));
    ::close(fd);

    ousb_EnumerateDevices();
    EXPECT_EQ(events().waitForKind(Kind::connect, 1).size(), 1u);
}

TEST_F(Discovery, ReleasedUnitsAreClosedAndLeftAloneUntilReclaimed)
{
    auto& unit = plug(6101);
    ousb_EnumerateDevices();
    ASSERT_EQ(events().waitForKind(Kind::connect, 1).size(), 1u);
    ASSERT_TRUE(ousb_ReleaseDevices());
    ASSERT_EQ(events().waitForKind(Kind::disconnect, 1).size(), 1u);
    // Closed by the time it is announced: another program may take it.
    int fd = ::open(unit.devnode().c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    plug(6102);
    ousb_EnumerateDevices();
    EXPECT_EQ(events().waitForKind(Kind::connect, 2, 500ms).size(), 1u);

    ASSERT_TRUE(ousb_ReclaimDevices());
    EXPECT_EQ(events().waitForKind(Kind::connect, 3).size(), 3u);
}

TEST_F(Discovery, SameProductStringFindsTheFirstUnit)
{
    plug(7001, "ZQ40");
    plug(7002, "ZQ40");
    ousb_EnumerateDevices();
    auto connects = events().waitForKind(Kind::connect, 2);
    ASSERT_EQ(connects.size(), 2u);
    ASSERT_NE(connects[0].handle, connects[1].handle);
    EXPECT_EQ(connects[0].info.ser, 7001u);
    EXPECT_EQ(ousb_FindDeviceByName("ZQ40"), connects[0].handle);
    EXPECT_EQ(ousb_FindDeviceByName("ZQ4"), nullptr); // a prefix is not the name
    EXPECT_EQ(ousb_FindDeviceByName("zq40"), nullptr);
}

TEST_F(Discovery, ReplugGivesNewRecordAndPath)
{
    auto& unit = plug(8001);
    ousb_EnumerateDevices();
    ASSERT_EQ(events().waitForKind(Kind::connect, 1).size(), 1u);
    std::string firstPath = unit.sysfsPath();
    bed->unplug(unit);
    ASSERT_EQ(events().waitForKind(Kind::disconnect, 1).size(), 1u);
    auto& again = plug(8001);
    EXPECT_NE(again.sysfsPath(), firstPath);
    ASSERT_EQ(events().waitForKind(Kind::connect, 2).size(), 2u);
    EXPECT_EQ(countLogLines("Create h"), 2u);
}

} // namespace

namespace {

TEST_F(Discovery, LogTellsTheStoryOfAUnit)
{
    plugAndConnect(9001);
    bed->unplug(*bed->units().front());
    ASSERT_EQ(events().waitForKind(Kind::disconnect, 1).size(), 1u);
    ASSERT_TRUE(waitForLogLine("and 1 devices deleted"));

    // The lines in the order they were written, handles replaced by "H",
    // traffic left out (counted below).
    std::vector<std::string> story;
    for (auto line : logLines()) {
        auto at = line.find("0x");
        if (at != std::string::npos)
            line.replace(at, line.find_first_of(" ',?", at) - at, "H");
        if (line.rfind("Read event", 0) != 0 && line.rfind("ousb_WriteReport", 0) != 0)
            story.push_back(line);
    }
    const std::vector<std::string> arrival = {
        "OrloUSB DLL Logging Started",
        "ScanForDevices() all 1",
        "Create h H 'ZQ40' version req 1",
        "ScanForDevices() complete with 1 devices and 0 devices deleted",
        "Online PID 601 perID 601 ser 9001 h H 'ZQ40' ver 1.4.0.35",
    };
    ASSERT_GE(story.size(), arrival.size());
    EXPECT_EQ(std::vector<std::string>(story.begin(), story.begin() + arrival.size()), arrival);

    // The cable may be noticed (and rescanned) before udev reports the
    // removal; the scan that no longer finds the unit deletes it.
    const std::vector<std::string> departure = {
        "ScanForDevices() all 0",
        "ERROR: SetupDiEnumDeviceInterfaces() did not enumerate any devices?",
        "Offline and delete of h H ver 1.4.0.35",
        "ScanForDevices() complete with 0 devices and 1 devices deleted",
    };
    auto gone = std::find(story.begin(), story.end(), departure[2]);
    ASSERT_NE(gone, story.end());
    ASSERT_GE(gone - story.begin(), 2);
    ASSERT_LT(gone + 1, story.end());
    // An empty bus, or a node that vanished between listing and reading it.
    if (gone[-1] == "ERROR: SetupDiGetDeviceInterfaceDetail() failed?")
        gone[-1] = departure[1];
    EXPECT_EQ(std::vector<std::string>(gone - 2, gone + 2), departure);
    EXPECT_EQ(countLogLines("ERROR"), countLogLines("ERROR: SetupDi"));

    EXPECT_EQ(countLogLines("ousb_WriteReport() for h 0x"), 2u); // version request, enumerate children
    EXPECT_EQ(countLogLines("Read event for h 0x"), 1u);
    EXPECT_EQ(countLogLines("msgID 1 cnt 24 cmd 89"), 1u); // 601 = 0x259: first payload byte 0x59
}

} // namespace
