#include "emulated_bus.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace testsupport {

void EmulatedBus::SetUp()
{
    bed = std::make_unique<zq40emu::Testbed>();
    logPath = (std::filesystem::temp_directory_path() / ("orlousb-test-" + std::to_string(getpid()) + ".log")).string();
    ASSERT_TRUE(ousb_EnableLogging(logPath.c_str()));
    events().clear();
    events().install();
    progress().clear();
}

void EmulatedBus::TearDown()
{
    events().uninstall();
    events().setOnEvent(nullptr);
    bed.reset();
    ousb_EnableLogging(nullptr);
    if (!HasFailure())
        std::filesystem::remove(logPath);
    else
        std::fprintf(stderr, "library log kept in %s\n", logPath.c_str());
}

zq40emu::UnitConfig EmulatedBus::unitConfig(uint32_t serial, std::string product)
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.product = std::move(product);
    return config;
}

zq40emu::Unit& EmulatedBus::plug(uint32_t serial, std::string product)
{
    return bed->plug(unitConfig(serial, std::move(product)));
}

ousb_handle_t EmulatedBus::plugAndConnect(uint32_t serial, std::string product)
{
    plug(serial, std::move(product));
    ousb_EnumerateDevices();
    LibraryEvent found(LibraryEvent::connect);
    bool ok = events().waitFor([&](const EventList& all) {
        for (const auto& e : all)
            if (e.kind == LibraryEvent::connect && e.info.ser == serial) {
                found = e;
                return true;
            }
        return false;
    });
    EXPECT_TRUE(ok) << "unit " << serial << " was not announced";
    // The announcement is followed by the request for the unit's children;
    // let it arrive, so that tests see only their own traffic after this.
    for (zq40emu::Unit* unit : bed->units())
        if (unit->config().version.ser == serial)
            unit->waitForReceived(
                [](const std::vector<zq40emu::Report>& r) {
                    return !r.empty() && r.back().msgId() == zq40emu::msg::kEnumerateChildren;
                },
                std::chrono::milliseconds(2000));
    return found.handle;
}

std::vector<std::string> EmulatedBus::logLines() const
{
    std::ifstream in(logPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() > 18 ? line.substr(18) : line);
    return lines;
}

size_t EmulatedBus::countLogLines(const std::string& text) const
{
    size_t n = 0;
    for (const auto& line : logLines())
        n += line.find(text) != std::string::npos;
    return n;
}

bool EmulatedBus::waitForLogLine(const std::string& text, int timeoutMs) const
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (countLogLines(text) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

uint32_t reportTag(const std::array<uint8_t, 64>& b)
{
    return uint32_t(b[1]) | uint32_t(b[2]) << 8 | uint32_t(b[3]) << 16 | uint32_t(b[4]) << 24;
}

} // namespace testsupport
