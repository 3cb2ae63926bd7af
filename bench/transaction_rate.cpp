// Round-trip rate of a status exchange with one emulated unit: through
// orlousb (ousb_Transaction) and directly through hidapi's hidraw backend,
// in one run, on the same unit. Prints both rates and their ratio.
//
// Run under umockdev-wrapper: transaction_rate [exchanges]
#include "orlousb.h"

#include <zq40emu/zq40emu.h>

#include <hidapi/hidapi.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

std::mutex mutex;
std::condition_variable connected;
ousb_handle_t unitHandle = nullptr;

void onConnect(ousb_handle_t h, ousb_device_info_t*)
{
    {
        std::lock_guard lock(mutex);
        unitHandle = h;
    }
    connected.notify_all();
}

double hidapiRate(int exchanges)
{
    if (hid_init() != 0)
        return 0;
    hid_device_info* found = hid_enumerate(OUSB_VENDOR_ID, 0x0259);
    if (!found) {
        std::fprintf(stderr, "hidapi: no unit enumerated\n");
        return 0;
    }
    hid_device* dev = hid_open_path(found->path);
    hid_free_enumeration(found);
    if (!dev) {
        std::fprintf(stderr, "hidapi: open failed\n");
        return 0;
    }
    unsigned char out[65] = {0, OUSB_MSG_STATUS, 0xEF, 0xBE, 0xAD, 0xDE, OUSB_REPLY_FLAG};
    unsigned char in[64];
    auto start = Clock::now();
    int done = 0;
    for (; done < exchanges; ++done) {
        if (hid_write(dev, out, sizeof out) != sizeof out)
            break;
        int n;
        do
            n = hid_read_timeout(dev, in, sizeof in, 4000);
        while (n > 0 && in[0] != OUSB_MSG_STATUS);
        if (n <= 0)
            break;
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    hid_close(dev);
    hid_exit();
    if (done < exchanges)
        std::fprintf(stderr, "hidapi: stopped after %d exchanges\n", done);
    return done / seconds;
}

double orlousbRate(int exchanges)
{
    ousb_RegisterDeviceConnect(onConnect);
    ousb_EnumerateDevices();
    {
        std::unique_lock lock(mutex);
        if (!connected.wait_for(lock, std::chrono::seconds(5), [] { return unitHandle != nullptr; })) {
            std::fprintf(stderr, "orlousb: unit not announced\n");
            return 0;
        }
    }
    hid_report_t request{};
    request.msgID = OUSB_MSG_STATUS;
    request.tag = OUSB_TAG;
    request.cnt = OUSB_REPLY_FLAG;
    hid_report_t reply{};
    auto start = Clock::now();
    int done = 0;
    for (; done < exchanges; ++done)
        if (!ousb_Transaction(unitHandle, &request, &reply) || reply.msgID != OUSB_MSG_STATUS)
            break;
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (done < exchanges)
        std::fprintf(stderr, "orlousb: stopped after %d exchanges\n", done);
    return done / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    int exchanges = argc > 1 ? std::atoi(argv[1]) : 20000;
    zq40emu::Testbed bed;
    bed.plug(zq40emu::UnitConfig{});

    // hidapi first: orlousb takes the unit exclusively once it has found it.
    double direct = hidapiRate(exchanges);
    double library = orlousbRate(exchanges);
    std::printf("status exchanges with one emulated unit (%d each)\n", exchanges);
    std::printf("  hidapi (hidraw)   %10.0f exchanges/s\n", direct);
    std::printf("  orlousb           %10.0f exchanges/s\n", library);
    std::printf("  ratio orlousb/hidapi  %.3f (goal: at least 0.9)\n", direct > 0 ? library / direct : 0.0);
    return direct > 0 && library > 0 ? 0 : 1;
}
