// Time of a full main-unit update with the program's catalogue (all five
// regions of model 601) against an emulated unit, paced at the USB
// full-speed interrupt limit, next to the link's floor for the same packets:
// one report per millisecond, acknowledgements included. Also the same
// update unpaced.
//
// Run under umockdev-wrapper: firmware_update_time
#include "orlousb.h"

#include "firmware_catalogue.h"

#include <zq40emu/zq40emu.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::mutex mutex;
std::condition_variable changed;
std::vector<std::pair<ousb_handle_t, uint32_t>> connected; // handle, serial

void onConnect(ousb_handle_t h, ousb_device_info_t* info)
{
    {
        std::lock_guard lock(mutex);
        connected.emplace_back(h, info->ser);
    }
    changed.notify_all();
}

Clock::time_point transferStart, transferEnd;
bool started = false;
void onProgress(uint8_t progress, obin_updater_error_t code)
{
    if (!started) {
        started = true;
        transferStart = Clock::now();
    }
    if (progress == 100 && code == 0)
        transferEnd = Clock::now();
}

ousb_handle_t waitForConnect(uint32_t serial)
{
    std::unique_lock lock(mutex);
    ousb_handle_t found = nullptr;
    changed.wait_for(lock, std::chrono::seconds(20), [&] {
        for (const auto& [h, ser] : connected)
            if (ser == serial)
                found = h;
        return found != nullptr;
    });
    return found;
}

struct Figures {
    bool ok = false;
    double total = 0, transfer = 0;
    size_t hostPackets = 0, devicePackets = 0;
};

Figures update(zq40emu::Testbed& bed, uint32_t serial, bool paced)
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.paced = paced;
    auto& unit = bed.plug(config); // hot-plugged: the library is watching already
    ousb_handle_t h = waitForConnect(serial);
    Figures f;
    if (!h)
        return f;
    auto catalogue = zq40::firmware::catalogue();
    std::vector<uint8_t> image(catalogue.begin(), catalogue.end());
    started = false;
    auto start = Clock::now();
    f.ok = ousb_UpdateDeviceFirmware(h, image.data(), uint32_t(image.size()), 0, onProgress);
    f.total = std::chrono::duration<double>(Clock::now() - start).count();
    f.transfer = std::chrono::duration<double>(transferEnd - transferStart).count();
    for (const auto& p : unit.bootPackets()) {
        ++f.hostPackets;
        f.devicePackets += p.answered();
    }
    bed.unplug(unit);
    return f;
}

} // namespace

int main()
{
    ousb_RegisterDeviceConnect(onConnect);
    zq40emu::Testbed bed;
    ousb_EnumerateDevices();
    Figures paced = update(bed, 41001, true);
    Figures unpaced = update(bed, 41002, false);

    const double floor = double(paced.hostPackets + paced.devicePackets) / 1000.0;
    std::printf("full main-unit update, catalogue of %zu bytes\n", zq40::firmware::kCatalogueLength);
    std::printf("  bootloader packets: %zu from the host, %zu answers\n", paced.hostPackets, paced.devicePackets);
    std::printf("  paced at 1 report/ms: transfer %.2f s, whole update %.2f s (%s)\n", paced.transfer, paced.total,
                paced.ok ? "ok" : "FAILED");
    std::printf("  link floor for those packets: %.2f s\n", floor);
    std::printf("  ratio update/floor: %.3f (goal: within 1.05); transfer/floor: %.3f\n",
                floor > 0 ? paced.total / floor : 0.0, floor > 0 ? paced.transfer / floor : 0.0);
    std::printf("  unpaced: transfer %.2f s, whole update %.2f s (%s)\n", unpaced.transfer, unpaced.total,
                unpaced.ok ? "ok" : "FAILED");
    return paced.ok && unpaced.ok ? 0 : 1;
}
