// Round-trip rate of a status exchange with one emulated unit: through
// orlousb (ousb_Transaction) and directly through hidapi's hidraw backend,
// in one run, on the same unit. Prints both rates and their ratio, and the
// median time of one exchange each: on a machine that others load too, the
// median moves far less than the rate.
//
// Run under umockdev-wrapper: transaction_rate [exchanges]
#include "orlousb.h"

#include <zq40emu/zq40emu.h>

#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Rate {
    double perSecond = 0;
    double medianMicros = 0;
};

// Times each exchange; the rate over all of them and the median of one.
template <class Exchange>
Rate measure(int exchanges, const char* who, Exchange exchange)
{
    std::vector<double> micros;
    micros.reserve(size_t(exchanges));
    auto start = Clock::now();
    int done = 0;
    for (; done < exchanges; ++done) {
        auto before = Clock::now();
        if (!exchange())
            break;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (done < exchanges)
        std::fprintf(stderr, "%s: stopped after %d exchanges\n", who, done);
    if (micros.empty())
        return {};
    std::nth_element(micros.begin(), micros.begin() + long(micros.size() / 2), micros.end());
    return {done / seconds, micros[micros.size() / 2]};
}

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

Rate hidapiRate(int exchanges)
{
    if (hid_init() != 0)
        return {};
    hid_device_info* found = hid_enumerate(OUSB_VENDOR_ID, 0x0259);
    if (!found) {
        std::fprintf(stderr, "hidapi: no unit enumerated\n");
        return {};
    }
    hid_device* dev = hid_open_path(found->path);
    hid_free_enumeration(found);
    if (!dev) {
        std::fprintf(stderr, "hidapi: open failed\n");
        return {};
    }
    unsigned char out[65] = {0, OUSB_MSG_STATUS, 0xEF, 0xBE, 0xAD, 0xDE, OUSB_REPLY_FLAG};
    unsigned char in[64];
    Rate rate = measure(exchanges, "hidapi", [&] {
        if (hid_write(dev, out, sizeof out) != sizeof out)
            return false;
        int n;
        do
            n = hid_read_timeout(dev, in, sizeof in, 4000);
        while (n > 0 && in[0] != OUSB_MSG_STATUS);
        return n > 0;
    });
    hid_close(dev);
    hid_exit();
    return rate;
}

Rate orlousbRate(int exchanges)
{
    ousb_RegisterDeviceConnect(onConnect);
    ousb_EnumerateDevices();
    {
        std::unique_lock lock(mutex);
        if (!connected.wait_for(lock, std::chrono::seconds(5), [] { return unitHandle != nullptr; })) {
            std::fprintf(stderr, "orlousb: unit not announced\n");
            return {};
        }
    }
    hid_report_t request{};
    request.msgID = OUSB_MSG_STATUS;
    request.tag = OUSB_TAG;
    request.cnt = OUSB_REPLY_FLAG;
    hid_report_t reply{};
    return measure(exchanges, "orlousb",
                   [&] { return ousb_Transaction(unitHandle, &request, &reply) && reply.msgID == OUSB_MSG_STATUS; });
}

} // namespace

int main(int argc, char** argv)
{
    int exchanges = argc > 1 ? std::atoi(argv[1]) : 20000;
    zq40emu::Testbed bed;
    bed.plug(zq40emu::UnitConfig{});

    // hidapi first: orlousb takes the unit exclusively once it has found it.
    Rate direct = hidapiRate(exchanges);
    Rate library = orlousbRate(exchanges);
    std::printf("status exchanges with one emulated unit (%d each)\n", exchanges);
    std::printf("  hidapi (hidraw)   %10.0f exchanges/s, median %.1f us\n", direct.perSecond, direct.medianMicros);
    std::printf("  orlousb           %10.0f exchanges/s, median %.1f us\n", library.perSecond, library.medianMicros);
    std::printf("  ratio orlousb/hidapi  %.3f (goal: at least 0.9)\n",
                direct.perSecond > 0 ? library.perSecond / direct.perSecond : 0.0);
    std::printf("  ratio of the medians  %.3f\n",
                library.medianMicros > 0 ? direct.medianMicros / library.medianMicros : 0.0);
    return direct.perSecond > 0 && library.perSecond > 0 ? 0 : 1;
}
