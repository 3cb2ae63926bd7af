// orlousb.dll under Wine against emulated units: this process owns the test
// bed, the agent (ousb-agent.exe) drives the DLL and reports each callback
// and result as a line.
#include "wine_session.h"

#include "container.h"
#include "firmware_catalogue.h"
#include "writer.h"

#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace winetest;
using namespace std::chrono_literals;

namespace {

constexpr auto kWineStart = 60s; // the first process of a session starts the prefix's services

class WineBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup = WineSetup::fromEnvironment();
        bed = std::make_unique<zq40emu::Testbed>();
        setup.killServer();
        logPath = std::filesystem::temp_directory_path() / ("orlousb-wine-" + std::to_string(getpid()) + ".log");
    }

    void TearDown() override
    {
        if (agent)
            agent->finish(10s);
        agent.reset();
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

    void startAgent()
    {
        agent = std::make_unique<WineProgram>(setup, setup.program("ousb-agent.exe"));
        ASSERT_TRUE(agent->waitForPrefix("ready", kWineStart)) << "the agent did not start under Wine";
        EXPECT_EQ(ask("log " + windowsPath(logPath)), "log 1");
    }

    // Sends a command and returns its result line (it starts with the command's name).
    std::string ask(const std::string& command, std::chrono::milliseconds timeout = 10s)
    {
        size_t from = agent->lineCount();
        agent->send(command);
        auto line = agent->waitForPrefix(words(command)[0] + " ", timeout, from);
        return line.value_or("(no answer to " + command + ")");
    }

    // The handle of the next connect of `serial`, from line `from` on; its line is `*at`.
    std::string connected(uint32_t serial, size_t from = 0, size_t* at = nullptr, std::chrono::milliseconds t = 15s)
    {
        auto line = agent->waitFor(
            [&](const std::string& l) {
                auto w = words(l);
                return w.size() > 4 && w[0] == "connect" && w[4] == std::to_string(serial);
            },
            t, from);
        if (!line)
            return "(no connect of " + std::to_string(serial) + ")";
        if (at)
            *at = line->first;
        return words(line->second)[1];
    }

    bool saw(const std::string& line, std::chrono::milliseconds timeout = 10s, size_t from = 0)
    {
        return agent->waitFor([&](const std::string& l) { return l == line; }, timeout, from).has_value();
    }

    size_t count(const std::string& prefix, size_t from = 0) const
    {
        size_t n = 0;
        auto all = agent->lines();
        for (size_t i = from; i < all.size(); ++i)
            n += all[i].rfind(prefix, 0) == 0;
        return n;
    }

    WineSetup setup;
    std::unique_ptr<zq40emu::Testbed> bed;
    std::unique_ptr<WineProgram> agent;
    std::filesystem::path logPath;
};

TEST_F(WineBus, UnitsAndChildrenComeAndGoWithNewHandles)
{
    auto& first = plug(1001, {zq40emu::pagingStation(0x01040023), zq40emu::remote(258, 200, 0x01040023)});
    plug(1002, {zq40emu::remote(259, 202, 0x01040023)});
    startAgent();
    EXPECT_EQ(ask("enumerate"), "enumerate 1");

    // Wine gives the HID name (manufacturer and product) as the product string.
    const std::string h1 = connected(1001), h2 = connected(1002);
    EXPECT_TRUE(saw("connect " + h1 + " 601 601 1001 01040023 00000000 Orlo ZQ40"));
    EXPECT_TRUE(saw("child+ " + h1 + " 257 502 Calla2"));
    EXPECT_TRUE(saw("child+ " + h1 + " 258 200 Tilo1"));
    EXPECT_TRUE(saw("child+ " + h2 + " 259 202 Tilo3"));
    EXPECT_NE(h1, h2);

    // Hot-plug: announced and removed without an enumerate request.
    size_t mark = agent->lineCount();
    auto& third = plug(1003);
    const std::string h3 = connected(1003, mark);
    mark = agent->lineCount();
    bed->unplug(third);
    EXPECT_TRUE(saw("disconnect " + h3 + " 1003", 10s, mark));

    // Windows keeps an interface's path across a replug: the unit still comes
    // back as a new record, after its children and itself were announced gone.
    mark = agent->lineCount();
    bed->unplug(first);
    ASSERT_TRUE(saw("disconnect " + h1 + " 1001", 10s, mark));
    EXPECT_EQ(count("child- " + h1, mark), 2u);
    mark = agent->lineCount();
    bed->replug(first);
    const std::string back = connected(1001, mark);
    EXPECT_NE(back, h1);
    EXPECT_TRUE(saw("child+ " + back + " 258 200 Tilo1", 10s, mark));
    EXPECT_EQ(count("disconnect " + h2), 0u);
}

TEST_F(WineBus, CommandsReportsAndTheReadLimit)
{
    auto& unit = plug(2001);
    startAgent();
    ask("enumerate");
    const std::string h = connected(2001);

    EXPECT_EQ(ask("status " + h), "status 1 0 0");
    EXPECT_EQ(ask("version " + h), "version 1 601 2001 01040023");
    EXPECT_EQ(ask("flash-set " + h + " 4660 22136"), "flash-set 1");
    EXPECT_EQ(ask("flash-get " + h), "flash-get 1 4660 22136");
    EXPECT_EQ(unit.flashParams(), (std::array<uint32_t, 2>{4660, 22136}));

    // A reply that does not carry the request's tag is refused.
    zq40emu::Faults wrongTag;
    wrongTag.wrongTag = true;
    unit.setFaults(wrongTag);
    EXPECT_EQ(ask("status " + h), "status 0 0 0");
    EXPECT_EQ(ask("version " + h), "version 0 0 0 00000000");
    EXPECT_EQ(ask("flash-get " + h), "flash-get 0 0 0");
    unit.setFaults({});

    // Unsolicited reports reach the read callback, none lost: more than the
    // 32 input buffers a HID file has by default, fewer than the 64 the
    // emulated node keeps.
    size_t mark = agent->lineCount();
    unit.pushBlock(3);
    EXPECT_TRUE(saw("report " + h + " 49 58 3", 10s, mark));
    mark = agent->lineCount();
    unit.flood(60);
    for (int i = 0; i < 200 && count("report " + h + " 49", mark) < 60; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(count("report " + h + " 49", mark), 60u);

    // Nothing arrives after the status reply: the read gives up after 4 s.
    EXPECT_EQ(ask("status " + h), "status 1 0 0");
    auto reply = words(ask("read " + h, 10s));
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_EQ(reply[1], "0");
    EXPECT_GE(std::stoi(reply[2]), 3900);
    EXPECT_LE(std::stoi(reply[2]), 5000);
}

// What a region of `model` holds after an update from the catalogue.
std::vector<uint8_t> expectedMemory(const std::vector<uint8_t>& image, uint32_t model, uint32_t region)
{
    auto block = obin::findRegion(image.data(), image.size(), model, region);
    EXPECT_TRUE(block.has_value());
    obin::RegionImage r;
    r.baseAddress = block->baseAddress();
    r.regionLength = block->regionLength();
    for (uint32_t i = 0; i < block->sectionCount(); ++i) {
        auto s = block->section(i);
        const uint8_t* data = block->sectionData(s);
        r.sections.push_back({s.address, std::vector<uint8_t>(data, data + s.length)});
    }
    return obin::regionMemory(r);
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
    startAgent();
    ask("enumerate");
    const std::string h = connected(3001);
    // The child list answers the announcement; a status query amid it would
    // take a child report for its reply.
    ASSERT_TRUE(saw("child+ " + h + " 258 200 Tilo1"));

    // Start bootloader, the bootloader as a new device, the transfer, the reboot.
    size_t mark = agent->lineCount();
    EXPECT_EQ(words(ask("update " + h + " " + path, 90s))[1], "1");
    EXPECT_TRUE(saw("progress 100 0", 1s, mark));
    for (uint32_t region = 0; region < 5; ++region)
        EXPECT_TRUE(unit.regionMemory(region) == expectedMemory(image, 601, region)) << "region " << region;
    size_t at = 0;
    const std::string back = connected(3001, mark, &at);
    EXPECT_NE(back, h);
    EXPECT_EQ(words(agent->lines()[at])[6], "0101012f"); // the catalogue's application version

    // A remote, through the unit under its new handle (selector: key bytes swapped).
    ASSERT_TRUE(saw("child+ " + back + " 258 200 Tilo1", 10s, mark));
    mark = agent->lineCount();
    EXPECT_EQ(words(ask("child-update " + back + " 513 " + path, 90s))[1], "1");
    EXPECT_TRUE(saw("progress 100 0", 1s, mark));
    for (uint32_t region = 0; region < 2; ++region)
        EXPECT_TRUE(unit.regionMemory(region, 258) == expectedMemory(image, 200, region)) << "region " << region;

    // A second unit pulled out in the middle of its transfer: the transfer
    // times out, the unit never comes back.
    auto& pulled = plug(3002);
    const std::string p = connected(3002, mark);
    zq40emu::BootFaults cut;
    cut.unplugAfterTunnelPackets = 40;
    pulled.setBootFaults(cut);
    mark = agent->lineCount();
    EXPECT_EQ(words(ask("update " + p + " " + path, 60s))[1], "0");
    EXPECT_TRUE(saw("progress 100 1", 1s, mark));
    EXPECT_EQ(count("progress 100 0", mark), 0u);
    EXPECT_FALSE(pulled.plugged());
    std::filesystem::remove(file);
}

} // namespace
