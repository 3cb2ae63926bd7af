// orlousb.dll under Wine against emulated units: this process owns the test
// bed, ousb-shell.exe drives the DLL and reports each callback and result as
// a line.
#include "region_memory.h"
#include "wine_session.h"

#include "container.h"
#include "firmware_catalogue.h"

#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace winetest;
using testsupport::expectedMemory;
using namespace std::chrono_literals;

namespace {

class WineBus : public ::testing::Test {
protected:
    void SetUp() override { setup.killServer(); }

    void TearDown() override
    {
        shell.reset();
        setup.killServer();
        bed.reset();
        if (!HasFailure())
            std::filesystem::remove(logPath);
        else
            std::fprintf(stderr, "library log kept in %s\n", logPath.c_str());
    }

    zq40emu::Unit& plug(uint32_t serial, std::vector<zq40emu::ChildConfig> children = {})
    {
        zq40emu::UnitConfig config;
        config.version.ser = serial;
        config.children = std::move(children);
        return bed->plug(config);
    }

    // Starts ousb-shell.exe under Wine, with the library's log on, and enumerates.
    WineShell& start()
    {
        shell = std::make_unique<WineShell>(setup);
        EXPECT_TRUE(shell->waitForPrefix("ready", 60s)) << "ousb-shell did not start under Wine";
        EXPECT_EQ(shell->ask("log " + windowsPath(logPath)), "log 1");
        EXPECT_EQ(shell->ask("enumerate"), "enumerate 1");
        return *shell;
    }

    WineSetup setup;
    std::unique_ptr<zq40emu::Testbed> bed = std::make_unique<zq40emu::Testbed>();
    std::unique_ptr<WineShell> shell;
    std::string logPath =
        std::filesystem::temp_directory_path() / ("orlousb-wine-" + std::to_string(getpid()) + ".log");
};

TEST_F(WineBus, UnitsAndChildrenComeAndGoWithNewHandles)
{
    auto& first = plug(1001, {zq40emu::pagingStation(0x01040023), zq40emu::remote(258, 200, 0x01040023)});
    plug(1002, {zq40emu::remote(259, 202, 0x01040023)});
    WineShell& s = start();

    // Wine gives the HID name (manufacturer and product) as the product string.
    const std::string h1 = s.connected(1001), h2 = s.connected(1002);
    EXPECT_TRUE(s.saw("connect " + h1 + " 601 601 1001 01040023 00000000 Orlo ZQ40"));
    EXPECT_TRUE(s.saw("child+ " + h1 + " 257 502 Calla2"));
    EXPECT_TRUE(s.saw("child+ " + h1 + " 258 200 Tilo1"));
    EXPECT_TRUE(s.saw("child+ " + h2 + " 259 202 Tilo3"));
    EXPECT_NE(h1, h2);

    // Hot-plug: announced and removed without an enumerate request.
    size_t mark = s.mark();
    auto& third = plug(1003);
    const std::string h3 = s.connected(1003, mark);
    mark = s.mark();
    bed->unplug(third);
    EXPECT_TRUE(s.saw("disconnect " + h3 + " 1003", mark));

    // Windows keeps an interface's path across a replug: the unit still comes
    // back as a new record, after its children and itself were announced gone.
    mark = s.mark();
    bed->unplug(first);
    ASSERT_TRUE(s.saw("disconnect " + h1 + " 1001", mark));
    EXPECT_EQ(s.count("child- " + h1, mark), 2u);
    mark = s.mark();
    bed->replug(first);
    const std::string back = s.connected(1001, mark);
    EXPECT_NE(back, h1);
    EXPECT_TRUE(s.saw("child+ " + back + " 258 200 Tilo1", mark));
    EXPECT_EQ(s.count("disconnect " + h2), 0u);
}

TEST_F(WineBus, CommandsReportsAndTheReadLimit)
{
    auto& unit = plug(2001);
    WineShell& s = start();
    const std::string h = s.connected(2001);

    EXPECT_EQ(s.ask("status " + h), "status 1 0 0");
    EXPECT_EQ(s.ask("version " + h), "version 1 601 2001 01040023");
    EXPECT_EQ(s.ask("flash-set " + h + " 4660 22136"), "flash-set 1");
    EXPECT_EQ(s.ask("flash-get " + h), "flash-get 1 4660 22136");
    EXPECT_EQ(unit.flashParams(), (std::array<uint32_t, 2>{4660, 22136}));

    // A reply that does not carry the request's tag is refused.
    zq40emu::Faults wrongTag;
    wrongTag.wrongTag = true;
    unit.setFaults(wrongTag);
    EXPECT_EQ(s.ask("status " + h), "status 0 0 0");
    EXPECT_EQ(s.ask("version " + h), "version 0 0 0 00000000");
    EXPECT_EQ(s.ask("flash-get " + h), "flash-get 0 0 0");
    unit.setFaults({});

    // Unsolicited reports reach the read callback, none lost: more than the
    // 32 input buffers a HID file has by default, fewer than the 64 the
    // emulated node keeps.
    size_t mark = s.mark();
    unit.pushBlock(3);
    EXPECT_TRUE(s.saw("report " + h + " 49 58 3", mark));
    mark = s.mark();
    unit.flood(60);
    for (int i = 0; i < 200 && s.count("report " + h + " 49", mark) < 60; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(s.count("report " + h + " 49", mark), 60u);

    // Nothing arrives after the status reply: the read gives up after 4 s.
    EXPECT_EQ(s.ask("status " + h), "status 1 0 0");
    auto reply = words(s.ask("read " + h, 10s));
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_EQ(reply[1], "0");
    EXPECT_GE(std::stoi(reply[2]), 3900);
    EXPECT_LE(std::stoi(reply[2]), 5000);
}

TEST_F(WineBus, FirmwareOfUnitAndChildAndAUnitPulledMidway)
{
    auto catalogue = zq40::firmware::catalogue();
    std::vector<uint8_t> image(catalogue.begin(), catalogue.end());
    const auto file = std::filesystem::path(logPath).replace_extension(".obin");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    ASSERT_TRUE(obin::validateAndConvert(image.data(), image.size()));
    const std::string path = windowsPath(file);

    auto& unit = plug(3001, {zq40emu::remote(258, 200, 0x01030019)});
    WineShell& s = start();
    const std::string h = s.connected(3001);
    // The child list answers the announcement; a status query amid it would
    // take a child report for its reply.
    ASSERT_TRUE(s.saw("child+ " + h + " 258 200 Tilo1"));

    // Start bootloader, the bootloader as a new device, the transfer, the reboot.
    size_t mark = s.mark();
    EXPECT_EQ(words(s.ask("update " + h + " " + path, 90s))[1], "1");
    EXPECT_TRUE(s.saw("progress 100 0", mark, 1s));
    for (uint32_t region = 0; region < 5; ++region)
        EXPECT_TRUE(unit.regionMemory(region) == expectedMemory(image, 601, region)) << "region " << region;
    std::vector<std::string> line;
    const std::string back = s.connected(3001, mark, &line);
    EXPECT_NE(back, h);
    EXPECT_EQ(line.at(6), "0101012f"); // the catalogue's application version

    // A remote, through the unit under its new handle (selector: key bytes swapped).
    ASSERT_TRUE(s.saw("child+ " + back + " 258 200 Tilo1", mark));
    mark = s.mark();
    EXPECT_EQ(words(s.ask("child-update " + back + " 513 " + path, 90s))[1], "1");
    EXPECT_TRUE(s.saw("progress 100 0", mark, 1s));
    for (uint32_t region = 0; region < 2; ++region)
        EXPECT_TRUE(unit.regionMemory(region, 258) == expectedMemory(image, 200, region)) << "region " << region;

    // A second unit pulled out in the middle of its transfer: the transfer
    // times out, the unit never comes back.
    auto& pulled = plug(3002);
    const std::string p = s.connected(3002, mark);
    zq40emu::BootFaults cut;
    cut.unplugAfterTunnelPackets = 40;
    pulled.setBootFaults(cut);
    mark = s.mark();
    EXPECT_EQ(words(s.ask("update " + p + " " + path, 60s))[1], "0");
    EXPECT_TRUE(s.saw("progress 100 1", mark, 1s));
    EXPECT_EQ(s.count("progress 100 0", mark), 0u);
    EXPECT_FALSE(pulled.plugged());
    std::filesystem::remove(file);
}

} // namespace
