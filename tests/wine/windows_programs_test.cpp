// zq40ctl.exe and zq40panel.exe under Wine against emulated units on this
// process's test bed. zq40ctl.exe answers as the Linux zq40ctl does, to the
// byte and the exit code; the panel, on an X display of its own, opens
// offline, goes online when a unit is plugged in, sends the block of a
// slider clicked with the mouse, and lets no second copy run.
#include "parameter_blocks.h"
#include "unit_config.h"
#include "wine_session.h"
#include "written_codes.h"

#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace winetest;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kCarried601 = 0x0101012F;
constexpr uint32_t kOld601 = 0x01010128;

// Near the right end of Pgm1's level slider, in the panel's window under
// Wine on a display without a window manager (the form's fixed geometry
// below the tab bar).
struct Point {
    int x, y;
};
constexpr Point kPgm1Slider{148, 118};

zq40::ParameterBlocks named(const char* name)
{
    zq40::ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText(name);
    return b;
}

std::vector<uint8_t> blockOf(const zq40::ParameterBlocks& blocks, uint8_t code)
{
    const auto block = blocks.block(code);
    return {block.begin(), block.end()};
}

class WindowsPrograms : public ::testing::Test {
protected:
    void SetUp() override { setup.killServer(); }
    void TearDown() override
    {
        setup.killServer();
        bed.reset();
    }

    WineSetup setup;
    std::unique_ptr<zq40emu::Testbed> bed = std::make_unique<zq40emu::Testbed>();
};

// Every command runs on Windows first, in one Wine session, and then on
// Linux: Wine's device host keeps the units' nodes open while its server
// runs, and each server start is another chance for Wine's own flakes.
TEST_F(WindowsPrograms, ZqctlAnswersAsOnLinux)
{
    auto withChildren = unitWithBlocks(41001, kCarried601, named("Hall"));
    withChildren.children = {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, 200, 0x01030019)};
    bed->plug(withChildren);
    bed->plug(unitWithBlocks(41002, kOld601, named("Bar")));
    const auto patioConfig = unitWithBlocks(41003, kCarried601, named("Patio"));
    zq40emu::Unit& patio = bed->plug(patioConfig);

    // The last one changes the unit, the others leave it as it was.
    const std::vector<std::vector<std::string>> commands = {
        {"list"},
        {"list", "--json"},
        {"get", "41001", "Zone1.Level", "Inputs.Pgm1Level"},
        {"set", "41003", "Zone1.EQLo=9"},    // refused: nothing is sent
        {"set", "41002", "Zone1.Level=-20"}, // refused: outdated firmware
        {"get", "49999", "Zone1.Level"},     // no such unit
        {"set", "41003", "Inputs.Pgm1Level=-10"},
    };
    auto run = [&](const std::string& program, const WineSetup* wine) {
        std::vector<Finished> answers;
        for (const auto& args : commands) {
            std::vector<std::string> argv{program};
            argv.insert(argv.end(), args.begin(), args.end());
            answers.push_back(runToEnd(argv, 90s, wine));
        }
        return answers;
    };

    const Finished version = runToEnd({"zq40ctl.exe", "--version"}, 60s, &setup);
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("zq40ctl ", 0), 0u) << version.out;
    patio.clearReceived();
    const std::vector<Finished> onWindows = run("zq40ctl.exe", &setup);
    setup.killServer();
    const std::vector<int> windowsWrites = writtenCodes(patio);
    const std::vector<uint8_t> fromWindows = patio.block(3);
    for (uint8_t code : zq40emu::kBlockCodes)
        patio.setBlock(code, patioConfig.blocks.at(code));
    patio.clearReceived();
    const std::vector<Finished> onLinux = run(ZQ40CTL_PATH, nullptr);

    for (size_t i = 0; i < commands.size(); ++i) {
        std::string named;
        for (const auto& a : commands[i])
            named += " " + a;
        SCOPED_TRACE("zq40ctl" + named);
        EXPECT_NE(onLinux[i].code, -1);
        EXPECT_EQ(onWindows[i].code, onLinux[i].code);
        EXPECT_EQ(onWindows[i].out, onLinux[i].out);
        EXPECT_EQ(onWindows[i].err, onLinux[i].err);
    }
    const std::string& list = onWindows[0].out;
    EXPECT_NE(list.find("41001"), std::string::npos) << list;
    EXPECT_NE(list.find("Tilo1"), std::string::npos) << list;
    EXPECT_NE(list.find("41002"), std::string::npos) << list;
    EXPECT_EQ(onWindows[3].code, 1);
    EXPECT_NE(onWindows[3].err.find("must be between -6 and 6"), std::string::npos) << onWindows[3].err;
    EXPECT_NE(onWindows[4].code, 0);
    EXPECT_NE(onWindows[5].code, 0);
    EXPECT_EQ(onWindows[6].code, 0);

    // Only the last command sent anything: the same block from both.
    EXPECT_EQ(windowsWrites, std::vector<int>{3});
    EXPECT_EQ(writtenCodes(patio), std::vector<int>{3});
    EXPECT_EQ(patio.block(3), fromWindows);
    EXPECT_EQ(int(int8_t(fromWindows.at(0))), -10);
}

class WindowsPanel : public WindowsPrograms {
protected:
    void SetUp() override
    {
        // The test runs on an X server of its own (xvfb-run).
        setup.prefix = WineSetup::env("ZQ40_WINEPREFIX_X11");
        WindowsPrograms::SetUp();
    }

    // The id of the window with exactly this title, once it has it.
    std::string windowTitled(const std::string& title, std::chrono::seconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            const Finished found = runToEnd({"/usr/bin/xdotool", "search", "--name", "^" + title + "$"}, 5s);
            if (found.code == 0 && !found.out.empty())
                return found.out.substr(0, found.out.find('\n'));
            std::this_thread::sleep_for(250ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return {};
    }
};

TEST_F(WindowsPanel, GoesOnlineSendsASliderAndRunsOnce)
{
    WineProgram panel(setup, "zq40panel.exe");
    const std::string offline = windowTitled("Orlo ZQ40 - Working Offline", 90s);
    ASSERT_FALSE(offline.empty()) << "no offline window";

    const Finished second = runToEnd({"zq40panel.exe"}, 30s, &setup);
    EXPECT_EQ(second.code, 0) << "a second panel did not leave at once with 0";

    zq40::ParameterBlocks hall = named("Hall");
    hall.set(zq40::pgmLevel(1), -20);
    hall.setLabel(zq40::zoneLabel(1), "Bar");
    zq40emu::Unit& unit = bed->plug(unitWithBlocks(61001, kCarried601, hall));
    const std::string online = windowTitled("Hall - \\(61001\\) - Working Online", 30s);
    ASSERT_FALSE(online.empty()) << "the unit's name did not reach the title";
    // The name is in the first block asked for; let the other thirteen arrive.
    std::this_thread::sleep_for(1s);

    // A click on Pgm1's slider, right of its handle, moves it a page up: the
    // block goes out with the slider's new value and everything else the
    // unit reported, so the record and the control held the unit's values.
    unit.clearReceived();
    const Finished click = runToEnd({"/usr/bin/xdotool", "mousemove", "--window", online, std::to_string(kPgm1Slider.x),
                                     std::to_string(kPgm1Slider.y), "click", "1"},
                                    5s);
    ASSERT_EQ(click.code, 0) << click.err;
    unit.waitForReceived([](const auto& all) { return !writtenCodesIn(all).empty(); }, 5s);
    std::this_thread::sleep_for(300ms); // and no second block
    hall.set(zq40::pgmLevel(1), -10);
    EXPECT_EQ(writtenCodes(unit), std::vector<int>{3});
    EXPECT_EQ(unit.block(3), blockOf(hall, 3));

    const std::string shot = std::filesystem::current_path() / "zq40panel-wine.png";
    runToEnd({"/usr/bin/import", "-window", online, shot}, 10s);
    std::fprintf(stderr, "screenshot in %s\n", shot.c_str());
}

} // namespace
