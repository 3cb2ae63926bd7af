// Figures of orlousb.dll under Wine against emulated units: the status
// exchange rate through the DLL next to a plain overlapped Win32 loop on the
// same unit (rounds of each, the median and range of their ratios), and a
// full main-unit update paced at the USB full-speed limit next to the link's
// floor (one report per millisecond each way), split where the unit saw its
// bootloader's first and last packet, with what one synchronous write costs
// a plain loop on that paced link. Prints, never judges.
//
// Run under umockdev-wrapper with the Wine tests' environment (ctest -L wine
// shows it): wine_figures [exchanges]
#include "wine_session.h"

#include "firmware_catalogue.h"

#include <zq40emu/zq40emu.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace winetest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double secondsBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// Exchanges a second from a "raw DONE SECONDS" or "transactions DONE SECONDS"
// line; 0 when fewer than `count` were done (a failed run has no rate).
double rateOf(const std::optional<std::string>& line, int count)
{
    auto w = line ? words(*line) : std::vector<std::string>{};
    if (w.size() < 3 || std::stoi(w[1]) != count || std::stod(w[2]) <= 0)
        return 0.0;
    return count / std::stod(w[2]);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Starts ousb-shell.exe and waits until it has found the units.
bool startShell(WineShell& shell)
{
    if (!shell.waitForPrefix("ready", 60s))
        return false;
    shell.send("enumerate");
    std::this_thread::sleep_for(300ms); // the child list requests go out after the announcements
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 2000;
    constexpr int kRounds = 5;
    const WineSetup setup;
    zq40emu::Testbed bed;
    setup.killServer();
    zq40emu::UnitConfig config;
    config.version.ser = 51001;
    bed.plug(config);
    config.version.ser = 51002;
    config.paced = true;
    auto& paced = bed.plug(config);

    auto plainRate = [&](int count, const std::vector<std::string>& args) {
        std::vector<std::string> all{std::to_string(count)};
        all.insert(all.end(), args.begin(), args.end());
        WineProgram loop(setup, "raw_exchange.exe", all);
        return rateOf(loop.waitForPrefix("raw ", 120s), count);
    };
    // Rounds of a plain loop, then the DLL in a shell of its own (it keeps the
    // units open while it runs, so the two never overlap); Wine's speed drifts
    // from one minute to the next, so each round's ratio counts, not the sums.
    std::vector<double> raw, library, ratios;
    for (int round = 0; round < kRounds; ++round) {
        raw.push_back(plainRate(exchanges, {"&51001&"}));
        WineShell shell(setup);
        if (!startShell(shell)) {
            std::fprintf(stderr, "ousb-shell did not start\n");
            return 1;
        }
        library.push_back(rateOf(
            shell.ask("transactions " + shell.connected(51001) + " " + std::to_string(exchanges), 300s), exchanges));
        if (raw.back() > 0 && library.back() > 0)
            ratios.push_back(library.back() / raw.back());
    }
    const double pacedWrites = plainRate(3000, {"&51002&", "writes"});

    WineShell shell(setup);
    if (!startShell(shell)) {
        std::fprintf(stderr, "ousb-shell did not start\n");
        return 1;
    }

    // A paced unit, updated with the catalogue.
    auto catalogue = zq40::firmware::catalogue();
    const auto file = std::filesystem::temp_directory_path() / "wine-figures-catalogue.obin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(catalogue.data()), std::streamsize(catalogue.size()));
    // The transfer as the unit saw it: from its bootloader's first packet to the finish.
    Clock::time_point firstPacket, finishPacket;
    std::thread watcher([&] {
        if (paced.waitForBootPackets([](const auto& p) { return !p.empty(); }, 120s))
            firstPacket = Clock::now();
        if (paced.waitForBootPackets(
                [](const auto& p) { return !p.empty() && p.back().kind == zq40emu::boot::kFinish; }, 120s))
            finishPacket = Clock::now();
    });
    const Clock::time_point asked = Clock::now();
    auto update = words(shell.ask("update " + shell.connected(51002) + " " + windowsPath(file), 120s));
    const Clock::time_point answered = Clock::now();
    watcher.join();
    std::filesystem::remove(file);
    size_t packets = 0;
    for (const auto& packet : paced.bootPackets())
        packets += 1 + packet.answered();
    const double floor = double(packets) / 1000.0;
    const bool updated = update.size() >= 3 && update[1] == "1";
    const double seconds = updated ? std::stod(update[2]) / 1000.0 : 0;
    const double transfer = updated ? secondsBetween(firstPacket, finishPacket) : 0;
    setup.killServer();

    std::printf("orlousb.dll under Wine, one emulated unit\n");
    std::printf("  status exchanges (%d rounds of %d): plain overlapped loop %.0f /s, orlousb.dll %.0f /s (medians)\n",
                kRounds, exchanges, median(raw), median(library));
    if (!ratios.empty())
        std::printf("  ratio dll/plain: median %.3f, from %.3f to %.3f over %zu rounds that completed (goal: at least "
                    "0.9)\n",
                    median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()), ratios.size());
    std::printf("  main-unit update paced at 1 report/ms: %.2f s (%s), link floor %.2f s for %zu reports\n", seconds,
                updated ? "ok" : "FAILED", floor, packets);
    std::printf("  ratio update/floor: %.3f (goal: within 1.05); transfer/floor: %.3f (first packet to finish, "
                "as the unit saw them)\n",
                floor > 0 ? seconds / floor : 0.0, floor > 0 ? transfer / floor : 0.0);
    if (updated)
        std::printf("  of which: into the bootloader %.3f s (the unit is off the bus %.3f s), transfer %.3f s, "
                    "back to the application %.3f s (off the bus %.3f s)\n",
                    secondsBetween(asked, firstPacket), paced.config().bootloaderStartMs / 1000.0,
                    secondsBetween(firstPacket, finishPacket), secondsBetween(finishPacket, answered),
                    paced.config().rebootMs / 1000.0);
    std::printf("  one synchronous write on the paced link, plain loop: %.3f ms (floor 1 ms)\n",
                pacedWrites > 0 ? 1000.0 / pacedWrites : 0.0);
    return median(ratios) > 0 && updated ? 0 : 1;
}
