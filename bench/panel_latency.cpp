// The window with an emulated unit that answers at once:
//  - plug-in: from plugging the unit in to the last of its fourteen blocks
//    shown in the controls, over repeated plug-ins;
//  - edit: from a fader's value change to its block on the emulated wire,
//    over a 100-step sweep.
// Prints median and worst of each. Run under umockdev-wrapper, offscreen.
#include "mainwindow.h"

#include <zq40emu/zq40emu.h>

#include <QApplication>
#include <QEventLoop>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void print(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%-40s n=%3zu  median %8.3f ms  worst %8.3f ms\n", what, samples.size(), samples[samples.size() / 2],
                samples.back());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int plugIns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    zq40emu::Testbed bed;
    MainWindow window;
    window.show();

    // The window's own slot runs first (direct connection); this one notes
    // each block the current record has had shown, and ends the wait for the
    // last one. The wait is an event loop, as the program's: a polling wait
    // (QTest::qWaitFor sleeps 10 ms a round) would hold every block of the
    // dump, since the library's worker waits for the GUI thread to take each.
    std::set<int> shownCodes;
    QEventLoop waiting;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &waiting, &QEventLoop::quit);
    QObject::connect(
        &window.deviceRegistry(), &QDevices::DoUpdateAllParameters, &window,
        [&](zq40::hidr_t code) {
            shownCodes.insert(int(code));
            if (shownCodes.size() >= zq40emu::kBlockCodes.size())
                waiting.quit();
        },
        Qt::DirectConnection);

    std::vector<double> plugIn;
    zq40emu::Unit* unit = nullptr;
    for (int i = 0; i < plugIns; ++i) {
        zq40emu::UnitConfig config;
        config.version.ser = 70000 + i;
        config.version.word5 = 0x0101012F;
        shownCodes.clear();
        const auto start = Clock::now();
        unit = &bed.plug(config);
        giveUp.start(10000);
        waiting.exec();
        giveUp.stop();
        const bool done = shownCodes.size() >= zq40emu::kBlockCodes.size();
        const auto end = Clock::now();
        if (!done) {
            std::fprintf(stderr, "plug-in %d: only %zu blocks shown\n", i, shownCodes.size());
            return 1;
        }
        plugIn.push_back(ms(end - start));
        if (i + 1 < plugIns) {
            bed.unplug(*unit);
            if (!QTest::qWaitFor([&] { return window.deviceRegistry().all().empty(); }, 5000)) {
                std::fprintf(stderr, "plug-in %d: the unit never left\n", i);
                return 1;
            }
        }
    }

    // Let the child enumeration and any stragglers settle before the sweep.
    QTest::qWait(200);
    auto* fader = window.findChild<QSlider*>(QStringLiteral("hSlider_level_zone_1"));
    std::vector<double> edits;
    fader->setValue(fader->minimum());
    QTest::qWait(50);
    for (int step = 1; step <= 100; ++step) {
        const size_t before = unit->receivedCount();
        const int value = fader->minimum() + step * (fader->maximum() - fader->minimum()) / 100;
        const auto start = Clock::now();
        fader->setValue(value);
        const bool arrived =
            unit->waitForReceived([&](const auto& all) { return all.size() > before; }, std::chrono::seconds(5));
        const auto end = Clock::now();
        if (!arrived) {
            std::fprintf(stderr, "step %d: no report reached the unit\n", step);
            return 1;
        }
        edits.push_back(ms(end - start));
        app.processEvents();
    }

    print("plug-in to last block shown", plugIn);
    print("fader edit to report on the wire", edits);
    bed.unplug(*unit);
    return QTest::qWaitFor([&] { return window.deviceRegistry().all().empty(); }, 5000) ? 0 : 1;
}
