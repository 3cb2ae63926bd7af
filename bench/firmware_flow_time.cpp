// The firmware button's whole flow for a main unit on older firmware,
// against an emulated unit paced at the USB full-speed interrupt limit:
//  - the flow: from the press until the button is usable again;
//  - the whole: from the press until the unit is back on the carried
//    firmware with its settings restored and the backup gone;
//  - the longest time the GUI thread went without handling an event,
//    measured between the ticks of a 1 ms timer;
//  - both times against the link's floor for the same bootloader packets
//    (one report per millisecond, answers included), as firmware_update_time
//    computes it.
// Run under umockdev-wrapper, offscreen.
#include "firmware_backup.h"
#include "firmware_catalogue.h"
#include "mainwindow.h"

#include <zq40emu/zq40emu.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Ticks of a 1 ms timer: every tick is the GUI thread handling an event,
// in the main loop or in any loop nested inside a slot.
class EventGaps : public QObject {
public:
    EventGaps()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, this, [this] {
            const auto now = Clock::now();
            if (running)
                longest = std::max(longest, now - last);
            last = now;
        });
        timer.start();
    }
    void restart()
    {
        last = Clock::now();
        longest = {};
        running = true;
    }
    void stop() { running = false; }
    Clock::duration longest{};

private:
    QTimer timer;
    Clock::time_point last = Clock::now();
    bool running = false;
};

const QDevice* recordOn(const MainWindow& window, uint32_t serial, uint32_t word5)
{
    for (const auto& [handle, device] : window.deviceRegistry().all())
        if (device->pDeviceInfo && device->pDeviceInfo->ser == serial && device->pDeviceInfo->word5 == word5)
            return device;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The backup goes to Qt's test-mode data folder, never the real one.
    QStandardPaths::setTestModeEnabled(true);
    constexpr uint32_t kSerial = 81001;
    const uint32_t carried = zq40::firmware::catalogueVersion(601);
    QFile::remove(zq40::firmware_backup::path(kSerial));

    zq40emu::Testbed bed;
    bed.setPaced(true);
    MainWindow window;
    window.show();

    zq40emu::UnitConfig config;
    config.version.ser = kSerial;
    config.version.word5 = carried - 1;
    auto& unit = bed.plug(config);
    // Listed, shown on older firmware, and done sending its blocks.
    if (!QTest::qWaitFor([&] { return recordOn(window, kSerial, carried - 1) != nullptr; }, 10000)) {
        std::printf("the unit was never listed\n");
        return 1;
    }
    QTest::qWait(1000);
    auto* button = window.findChild<QPushButton*>(QStringLiteral("pushButton_firmware"));

    EventGaps gaps;
    gaps.restart();
    const auto start = Clock::now();
    button->click();
    const auto flowEnd = Clock::now();
    const bool back = QTest::qWaitFor(
        [&] { return recordOn(window, kSerial, carried) && zq40::firmware_backup::existing(kSerial).isEmpty(); },
        20000);
    const auto end = Clock::now();
    gaps.stop();

    size_t hostPackets = 0, devicePackets = 0;
    for (const auto& p : unit.bootPackets()) {
        ++hostPackets;
        devicePackets += p.answered();
    }
    const double floor = double(hostPackets + devicePackets) / 1000.0;
    const double flow = seconds(flowEnd - start);
    const double whole = seconds(end - start);
    std::printf("firmware button, main unit, paced at 1 report/ms (%s)\n", back ? "ok" : "FAILED");
    std::printf("  bootloader packets: %zu from the host, %zu answers; link floor %.2f s\n", hostPackets, devicePackets,
                floor);
    std::printf("  press to button usable again:            %.2f s  (ratio to floor %.3f)\n", flow,
                floor > 0 ? flow / floor : 0.0);
    std::printf("  press to unit back with settings restored: %.2f s  (ratio to floor %.3f)\n", whole,
                floor > 0 ? whole / floor : 0.0);
    std::printf("  longest time without handling an event:    %.1f ms\n",
                std::chrono::duration<double, std::milli>(gaps.longest).count());
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    return back ? 0 : 1;
}
