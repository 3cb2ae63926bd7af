// Firmware updates through the library against emulated units and their
// bootloaders: the catalogue end to end, children, and the failures.
#include "emulated_bus.h"
#include "region_memory.h"

#include "container.h"
#include "firmware_catalogue.h"
#include "writer.h"

#include <atomic>
#include <set>
#include <thread>

using namespace testsupport;
using Kind = LibraryEvent::Kind;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kCatalogueApplication601 = 0x0101012F; // 1.1.1.47
constexpr uint32_t kCatalogueApplication200 = 0x0103001A; // 1.3.0.26

constexpr auto onProgress = &ProgressRecord::callback;

// A writable copy: the library converts containers in place.
std::vector<uint8_t> catalogueCopy()
{
    auto c = zq40::firmware::catalogue();
    return {c.begin(), c.end()};
}

// A small container for the main unit: only region 0, a few hundred bytes.
std::vector<uint8_t> smallMainUnitImage()
{
    obin::RegionImage r;
    r.model = 601;
    r.regionIndex = 0;
    r.version = 0x04040100;
    r.baseAddress = 0x18000;
    r.regionLength = 0x10000;
    r.sections.push_back({r.baseAddress, std::vector<uint8_t>(300, 0x5A)});
    return obin::buildBlock(r);
}

// The selector of a child for an update: its two key bytes (high first on
// the wire) read as a little-endian number.
uint16_t selector(uint16_t key)
{
    return uint16_t(key >> 8 | (key & 0xFF) << 8);
}

class FirmwareUpdate : public EmulatedBus {
protected:
    zq40emu::Unit& unit() { return *bed->units().front(); }
};

TEST_F(FirmwareUpdate, MainUnitTakesTheCatalogueAndComesBackUnderANewHandle)
{
    ousb_handle_t h = plugAndConnect(31001);
    events().clear();
    auto image = catalogueCopy();
    ASSERT_TRUE(ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 0)));

    for (uint32_t region = 0; region < 5; ++region)
        EXPECT_EQ(unit().regionMemory(region), expectedMemory(image, 601, region)) << "region " << region;
    EXPECT_FALSE(unit().inBootloader());
    EXPECT_EQ(unit().versionWords().word5, kCatalogueApplication601);

    // The application and bootloader records go; the unit returns announced.
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_NE(connects[0].handle, h);
    EXPECT_EQ(connects[0].info.ser, 31001u);
    EXPECT_EQ(connects[0].info.word5, kCatalogueApplication601);
    EXPECT_GE(events().waitForKind(Kind::disconnect, 2).size(), 2u);
    EXPECT_TRUE(waitForLogLine("Firmware completed h 0x"));
    EXPECT_EQ(countLogLines("pFirmwareUpdateHandle reassignment"), 2u);

    // Progress rose to 99 at most before the final report.
    const auto progressCalls = progress().calls();
    for (size_t i = 0; i + 1 < progressCalls.size(); ++i) {
        EXPECT_EQ(progressCalls[i].second, 0);
        EXPECT_LT(progressCalls[i].first, 100);
        if (i > 0) {
            EXPECT_GE(progressCalls[i].first, progressCalls[i - 1].first);
        }
    }
}

TEST_F(FirmwareUpdate, UnitAlreadyInItsBootloaderKeepsItsHandleAndSkipsCurrentRegions)
{
    auto config = unitConfig(31101);
    config.startInBootloader = true;
    auto image = catalogueCopy();
    config.regions = zq40emu::mainUnitRegions(0x01000000);
    bed->plug(config);
    // Every region but region 2 already holds the catalogue's contents.
    for (uint32_t region = 0; region < 5; ++region)
        if (region != 2)
            unit().setRegion(region, expectedMemory(image, 601, region),
                             obin::findRegion(image.data(), image.size(), 601, region)->version());
    ousb_EnumerateDevices();
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    ousb_handle_t h = connects[0].handle;
    unit().clearBootPackets();

    ASSERT_TRUE(ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 0)));
    EXPECT_EQ(unit().regionMemory(2), expectedMemory(image, 601, 2));
    EXPECT_EQ(countLogLines("Starting device bootloader"), 0u);
    EXPECT_EQ(countLogLines("to reboot"), 0u);
    EXPECT_TRUE(waitForLogLine("Firmware completed h 0x"));

    std::vector<uint8_t> begun;
    for (const auto& p : unit().bootPackets())
        if (p.kind == zq40emu::boot::kBeginRegion)
            begun.push_back(uint8_t(p.region));
    EXPECT_EQ(begun, std::vector<uint8_t>{2});
}

TEST_F(FirmwareUpdate, ChildTakesItsRegionsThroughTheUnitAndIsDeselected)
{
    auto config = unitConfig(31201);
    config.children = {zq40emu::remote(258, 200, 0x01030019), zq40emu::pagingStation(0x01020006)};
    bed->plug(config);
    ousb_EnumerateDevices();
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    ousb_handle_t h = connects[0].handle;
    ASSERT_EQ(events().waitForKind(Kind::childConnect, 2).size(), 2u);
    events().clear();

    auto image = catalogueCopy();
    ASSERT_TRUE(ousb_UpdateChildDeviceFirmware(h, selector(258), image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 0)));
    for (uint32_t region = 0; region < 2; ++region)
        EXPECT_EQ(unit().regionMemory(region, 258), expectedMemory(image, 200, region));
    EXPECT_TRUE(unit().bootPackets(257).empty()); // the paging station was never talked to

    auto sent = unit().received();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().msgId(), OUSB_MSG_CHILD_SELECT);
    EXPECT_EQ(sent.back().payloadU16(0), 0); // deselected
    EXPECT_EQ(unit().selectedChild(), 0);

    // The remote restarts and is announced with its new version.
    auto back = events().waitForKind(Kind::childConnect, 1);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].childKey, 258);
    uint32_t version = uint32_t(back[0].childInfo[8]) | uint32_t(back[0].childInfo[9]) << 8 |
        uint32_t(back[0].childInfo[10]) << 16 | uint32_t(back[0].childInfo[11]) << 24;
    EXPECT_EQ(version, kCatalogueApplication200);
    EXPECT_EQ(countKind(events().events(), Kind::childDisconnect), 1u);
    EXPECT_EQ(ousb_FindDeviceByName("ZQ40"), h); // the unit itself stayed
}

TEST_F(FirmwareUpdate, ChildThatFallsSilentIsStillDeselected)
{
    auto config = unitConfig(31301);
    config.children = {zq40emu::remote(259, 202, 0x01040022)};
    bed->plug(config);
    ousb_EnumerateDevices();
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    zq40emu::BootFaults silent;
    silent.silentFromPacket = 3;
    unit().setBootFaults(silent, 259);

    auto image = catalogueCopy();
    EXPECT_FALSE(ousb_UpdateChildDeviceFirmware(connects[0].handle, selector(259), image.data(), uint32_t(image.size()),
                                                0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 1)));
    EXPECT_EQ(unit().selectedChild(), 0);
}

TEST_F(FirmwareUpdate, BadContainersAndSilentUnitsAreReportedWithTheirCodes)
{
    ousb_handle_t h = plugAndConnect(31401);
    auto image = catalogueCopy();
    image[0] = 'X';
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 19)));
    EXPECT_FALSE(ousb_UpdateChildDeviceFirmware(h, selector(258), image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(h, nullptr, 10, 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 3)));
    EXPECT_TRUE(
        waitForLogLine("ERROR: ousb_UpdateDeviceFirmware() unable to adjust firmware file for platform endian?"));

    zq40emu::Faults silent;
    silent.silent = true;
    unit().setFaults(silent);
    auto good = smallMainUnitImage();
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(h, good.data(), uint32_t(good.size()), 0, onProgress));
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 6)));
    EXPECT_TRUE(waitForLogLine("ERROR: ousb_UpdateDeviceFirmware() unable to get device status?"));
    EXPECT_TRUE(unit().bootPackets().empty());
}

TEST_F(FirmwareUpdate, BootloaderThatNeverAppearsFailsAfterTenSeconds)
{
    ousb_handle_t h = plugAndConnect(31501);
    zq40emu::BootFaults never;
    never.bootloaderNeverAppears = true;
    unit().setBootFaults(never);
    auto image = smallMainUnitImage();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 9900ms);
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 7)));
    EXPECT_TRUE(waitForLogLine("ERROR: ousb_UpdateDeviceFirmware() failed to find bootloader dwErr"));
    // The old record, its path emptied, goes with the next scan.
    EXPECT_EQ(events().waitForKind(Kind::disconnect, 1).size(), 1u);
}

TEST_F(FirmwareUpdate, UnitThatNeverComesBackFailsAfterTheTransfer)
{
    ousb_handle_t h = plugAndConnect(31601);
    zq40emu::BootFaults gone;
    gone.neverBackAfterFinish = true;
    unit().setBootFaults(gone);
    auto image = smallMainUnitImage();
    EXPECT_FALSE(ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress));
    const auto progressCalls = progress().calls();
    ASSERT_GE(progressCalls.size(), 2u);
    EXPECT_EQ(progressCalls[progressCalls.size() - 2], (std::pair<int, int>(100, 0)));
    EXPECT_EQ(progressCalls.back(), (std::pair<int, int>(100, 1)));
    EXPECT_TRUE(waitForLogLine("to reboot..."));
    EXPECT_TRUE(waitForLogLine("timed out?"));
}

TEST_F(FirmwareUpdate, OneUpdateAtATimeAndTheOtherUnitIsNeverWritten)
{
    ousb_handle_t first = plugAndConnect(31701);
    auto& other = bed->plug(unitConfig(31702));
    ousb_EnumerateDevices();
    ASSERT_EQ(events().waitForKind(Kind::connect, 3).size(), 3u); // the enumeration re-announced the first
    ousb_handle_t target = ousb_FindDeviceByName("ZQ40");
    (void)first;
    const auto otherBefore = other.regionMemory(0);

    auto image = catalogueCopy();
    std::atomic<bool> done{false};
    bool result = false;
    std::thread updater([&] {
        result = ousb_UpdateDeviceFirmware(target, image.data(), uint32_t(image.size()), 0, onProgress);
        done = true;
    });
    ASSERT_TRUE(unit().waitForBootPackets([](const auto& p) { return !p.empty(); }, 5000ms));
    auto second = smallMainUnitImage();
    EXPECT_FALSE(ousb_UpdateChildDeviceFirmware(target, 258, second.data(), uint32_t(second.size()), 0, nullptr));
    EXPECT_FALSE(done);
    updater.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(other.bootPackets().empty());
    EXPECT_EQ(other.regionMemory(0), otherBefore);
    EXPECT_FALSE(other.inBootloader());
}

// Units plugged in while another one is updated, as it waits for its
// bootloader and as it waits to come back: neither is ever taken for the
// unit under update, nothing is written to their flash, and each is
// announced only once the update is over.
TEST_F(FirmwareUpdate, UnitsPluggedInDuringAnUpdateAreAnnouncedAfterItAndNeverWritten)
{
    auto config = unitConfig(31801);
    config.bootloaderStartMs = 1500;
    config.rebootMs = 1500;
    bed->plug(config);
    ousb_EnumerateDevices();
    auto connects = events().waitForKind(Kind::connect, 1);
    ASSERT_EQ(connects.size(), 1u);
    ousb_handle_t h = connects[0].handle;
    auto& updated = unit();

    // The library logs the end of the update before it lets go of it.
    std::atomic<int> announcedDuringUpdate{0};
    events().setOnEvent([&](const LibraryEvent& e) {
        if (e.kind == Kind::connect && e.info.ser != 31801 && countLogLines("Firmware completed h") == 0)
            ++announcedDuringUpdate;
    });
    events().clear();
    auto image = smallMainUnitImage();
    bool result = false;
    std::thread updater(
        [&] { result = ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress); });
    // Each newcomer is plugged in once the library has closed the absent
    // unit's node, so that the newcomer comes while nothing of the absent
    // unit is left open.
    const char* closed = "deletes deferred due to firmware update";
    const auto closedOnce = [&](size_t before) {
        for (int i = 0; i < 100 && countLogLines(closed) <= before; ++i)
            std::this_thread::sleep_for(20ms);
        return countLogLines(closed) > before;
    };
    // While the unit is off the bus on its way into its bootloader.
    ASSERT_TRUE(updated.waitForReceived(
        [](const auto& r) { return !r.empty() && r.back().msgId() == OUSB_MSG_START_BOOTLOADER; }, 5000ms));
    ASSERT_TRUE(closedOnce(0));
    auto& early = bed->plug(unitConfig(31802));
    // While it is off the bus restarting after the transfer.
    ASSERT_TRUE(updated.waitForBootPackets(
        [](const auto& p) { return !p.empty() && p.back().kind == zq40emu::boot::kFinish; }, 10000ms));
    ASSERT_TRUE(closedOnce(countLogLines(closed)));
    auto& late = bed->plug(unitConfig(31803));
    updater.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(progress().last(), (std::pair<int, int>(100, 0)));
    EXPECT_EQ(updated.regionVersion(0), 0x04040100u);

    // Announced after the update, each once, and never written to.
    EXPECT_TRUE(events().waitFor([](const EventList& list) {
        std::set<uint32_t> serials;
        for (const auto& e : list)
            if (e.kind == Kind::connect)
                serials.insert(e.info.ser);
        return serials.count(31802) && serials.count(31803);
    }));
    events().setOnEvent(nullptr);
    EXPECT_EQ(announcedDuringUpdate, 0);
    for (zq40emu::Unit* other : {&early, &late}) {
        EXPECT_TRUE(other->bootPackets().empty());
        EXPECT_FALSE(other->inBootloader());
        EXPECT_EQ(other->regionVersion(0), updated.config().version.ver);
        for (const auto& r : other->received())
            EXPECT_TRUE(r.msgId() == OUSB_MSG_VERSION || r.msgId() == OUSB_MSG_ENUMERATE_CHILDREN)
                << "msgID " << int(r.msgId());
    }
}

} // namespace
