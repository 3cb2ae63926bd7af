// Figures of orlousb.dll under Wine against emulated units: the status
// exchange rate through the DLL next to a plain overlapped Win32 loop on the
// same unit, and a full main-unit update paced at the USB full-speed limit
// next to the link's floor (one report per millisecond each way), with what
// one synchronous write costs a plain loop on that paced link. Prints, never
// judges.
//
// Run under umockdev-wrapper with the Wine tests' environment (ctest -L wine
// shows it): wine_figures [exchanges]
#include "wine_session.h"

#include "firmware_catalogue.h"

#include <zq40emu/zq40emu.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace winetest;
using namespace std::chrono_literals;

int main(int argc, char** argv)
{
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 5000;
    const WineSetup setup;
    zq40emu::Testbed bed;
    setup.killServer();
    zq40emu::UnitConfig config;
    config.version.ser = 51001;
    bed.plug(config);
    config.version.ser = 51002;
    config.paced = true;
    auto& paced = bed.plug(config);

    // The plain loops first: the DLL keeps the units open once it found them.
    auto plainRate = [&](const std::vector<std::string>& args) {
        WineProgram loop(setup, "raw_exchange.exe", args);
        auto line = loop.waitForPrefix("raw ", 120s);
        auto w = line ? words(*line) : std::vector<std::string>{};
        return w.size() >= 3 && std::stod(w[2]) > 0 ? std::stod(w[1]) / std::stod(w[2]) : 0.0;
    };
    const double raw = plainRate({std::to_string(exchanges), "&51001&"});
    const double pacedWrites = plainRate({"3000", "&51002&", "writes"});

    WineShell shell(setup);
    if (!shell.waitForPrefix("ready", 60s)) {
        std::fprintf(stderr, "ousb-shell did not start\n");
        return 1;
    }
    shell.send("enumerate");
    std::this_thread::sleep_for(300ms); // the child list requests go out after the announcements
    auto w = words(shell.ask("transactions " + shell.connected(51001) + " " + std::to_string(exchanges), 300s));
    const double library = w.size() >= 3 && std::stod(w[2]) > 0 ? std::stod(w[1]) / std::stod(w[2]) : 0;

    // A paced unit, updated with the catalogue.
    auto catalogue = zq40::firmware::catalogue();
    const auto file = std::filesystem::temp_directory_path() / "wine-figures-catalogue.obin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(catalogue.data()), std::streamsize(catalogue.size()));
    auto update = words(shell.ask("update " + shell.connected(51002) + " " + windowsPath(file), 120s));
    std::filesystem::remove(file);
    size_t packets = 0;
    for (const auto& packet : paced.bootPackets())
        packets += 1 + packet.answered();
    const double floor = double(packets) / 1000.0;
    const bool updated = update.size() >= 3 && update[1] == "1";
    const double seconds = updated ? std::stod(update[2]) / 1000.0 : 0;
    setup.killServer();

    std::printf("orlousb.dll under Wine, one emulated unit\n");
    std::printf("  status exchanges (%d each): plain overlapped loop %8.0f /s, orlousb.dll %8.0f /s\n", exchanges, raw,
                library);
    std::printf("  ratio dll/plain: %.3f (goal: at least 0.9)\n", raw > 0 ? library / raw : 0.0);
    std::printf("  main-unit update paced at 1 report/ms: %.2f s (%s), link floor %.2f s for %zu reports\n", seconds,
                updated ? "ok" : "FAILED", floor, packets);
    std::printf("  ratio update/floor: %.3f (goal: within 1.05)\n", floor > 0 ? seconds / floor : 0.0);
    std::printf("  one synchronous write on the paced link, plain loop: %.3f ms (floor 1 ms)\n",
                pacedWrites > 0 ? 1000.0 / pacedWrites : 0.0);
    return raw > 0 && library > 0 && updated ? 0 : 1;
}
