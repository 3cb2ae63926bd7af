// CPU time zq40panel's window, the library and an emulated unit use in ten
// seconds of idle with the unit connected and shown: nothing should poll, so
// the goal is none. Counts every thread of the process (window, library
// worker, emulator). Run under umockdev-wrapper, offscreen.
// Usage: idle_cpu [seconds]
#include "mainwindow.h"

#include <zq40emu/zq40emu.h>

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    zq40emu::Testbed bed;
    MainWindow window;
    window.show();
    zq40emu::UnitConfig config;
    config.version.word5 = 0x0101012F;
    config.blocks = zq40emu::factoryBlocks();
    config.children = {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, zq40emu::kRemoteModel202, 0x01040023)};
    bed.plug(config);
    if (!QTest::qWaitFor(
            [&] {
                return !window.deviceRegistry().all().empty() &&
                    window.currentDevice() == window.deviceRegistry().all().begin()->second &&
                    window.currentDevice()->children.size() == 2;
            },
            10000)) {
        std::fprintf(stderr, "the unit was not shown\n");
        return 1;
    }
    // Let the start-up traffic settle before measuring.
    QTest::qWait(1000);

    // A plain event loop: QTest::qWait would wake every 10 ms by itself.
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    const double before = cpuSeconds();
    idle.exec();
    const double used = cpuSeconds() - before;
    std::printf("idle with a unit connected and shown, %d s: CPU %.1f ms (%.3f %% of one core; goal: none)\n", seconds,
                used * 1000, used * 100 / seconds);
    return 0;
}
