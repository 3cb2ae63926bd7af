// zq40ctl.exe and zq40panel.exe under Wine against emulated units on this
// process's test bed. zq40ctl.exe answers as the Linux zq40ctl does, to the
// byte and the exit code; the panel, on an X display of its own, opens
// offline, goes online when a unit is plugged in, sends the block of a
// slider clicked with the mouse, and lets no second copy run.
#include "parameter_blocks.h"
#include "wine_session.h"
#include "written_codes.h"

#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

zq40emu::UnitConfig unitConfig(uint32_t serial, uint32_t word5, const zq40::ParameterBlocks& blocks)
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.version.word5 = word5;
    config.version.word1 = 1;
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = blocks.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
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

    // zq40ctl.exe under Wine, then zq40ctl on Linux, with the same arguments.
    // Wine's device host keeps the units' nodes open while its server runs:
    // it goes first, so that the Linux program finds them free.
    Finished expectSameAnswer(const std::vector<std::string>& args, const std::function<void()>& between = {})
    {
        std::vector<std::string> windowsArgs{"zq40ctl.exe"}, linuxArgs{ZQ40CTL_PATH};
        windowsArgs.insert(windowsArgs.end(), args.begin(), args.end());
        linuxArgs.insert(linuxArgs.end(), args.begin(), args.end());
        const Finished onWindows = runToEnd(windowsArgs, 90s, &setup);
        setup.killServer();
        if (between)
            between();
        const Finished onLinux = runToEnd(linuxArgs, 60s);
        std::string named;
        for (const auto& a : args)
            named += " " + a;
        SCOPED_TRACE("zq40ctl" + named);
        EXPECT_NE(onLinux.code, -1);
        EXPECT_EQ(onWindows.code, onLinux.code);
        EXPECT_EQ(onWindows.out, onLinux.out);
        EXPECT_EQ(onWindows.err, onLinux.err);
        return onWindows;
    }

    WineSetup setup;
    std::unique_ptr<zq40emu::Testbed> bed = std::make_unique<zq40emu::Testbed>();
};

TEST_F(WindowsPrograms, ZqctlAnswersAsOnLinux)
{
    auto withChildren = unitConfig(41001, kCarried601, named("Hall"));
    withChildren.children = {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, 200, 0x01030019)};
    bed->plug(withChildren);
    bed->plug(unitConfig(41002, kOld601, named("Bar")));
    const auto patioConfig = unitConfig(41003, kCarried601, named("Patio"));
    zq40emu::Unit& patio = bed->plug(patioConfig);

    const Finished version = runToEnd({"zq40ctl.exe", "--version"}, 60s, &setup);
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("zq40ctl ", 0), 0u) << version.out;

    const Finished list = expectSameAnswer({"list"});
    EXPECT_NE(list.out.find("41001"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Tilo1"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("41002"), std::string::npos) << list.out;
    expectSameAnswer({"list", "--json"});
    expectSameAnswer({"get", "41001", "Zone1.Level", "Inputs.Pgm1Level"});

    // A refused value sends nothing; an outdated unit and an absent one are refused.
    patio.clearReceived();
    const Finished refused = expectSameAnswer({"set", "41003", "Zone1.EQLo=9"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("must be between -6 and 6"), std::string::npos) << refused.err;
    EXPECT_TRUE(writtenCodes(patio).empty());
    expectSameAnswer({"set", "41002", "Zone1.Level=-20"});
    EXPECT_NE(expectSameAnswer({"get", "49999", "Zone1.Level"}).code, 0);

    // Both send the same block, from the same starting point.
    auto restore = [&] {
        for (uint8_t code : zq40emu::kBlockCodes)
            patio.setBlock(code, patioConfig.blocks.at(code));
        patio.clearReceived();
    };
    restore();
    std::vector<uint8_t> fromWindows;
    const Finished set = expectSameAnswer({"set", "41003", "Inputs.Pgm1Level=-10"}, [&] {
        fromWindows = patio.block(3);
        EXPECT_EQ(writtenCodes(patio), std::vector<int>{3});
        restore();
    });
    EXPECT_EQ(set.code, 0);
    EXPECT_EQ(writtenCodes(patio), std::vector<int>{3});
    EXPECT_EQ(patio.block(3), fromWindows);
    EXPECT_EQ(int(int8_t(fromWindows.at(0))), -10);
}

// An X server of the test's own, on a free display, gone with the test.
class Xserver {
public:
    Xserver()
    {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            // The X server has nothing to do with the test bed.
            unsetenv("LD_PRELOAD");
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x800x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[16] = {};
        ssize_t n = read(fds[0], number, sizeof number - 1);
        close(fds[0]);
        if (n <= 0)
            throw std::runtime_error("Xvfb did not start");
        display_ = ":" + std::to_string(std::atoi(number));
    }
    ~Xserver()
    {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

class WindowsPanel : public WindowsPrograms {
protected:
    void SetUp() override
    {
        setup.prefix = WineSetup::env("ZQ40_WINEPREFIX_X11");
        setenv("DISPLAY", x.display().c_str(), 1);
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

    Xserver x;
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
    zq40emu::Unit& unit = bed->plug(unitConfig(61001, kCarried601, hall));
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
