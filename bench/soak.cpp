// Soak: the window running while one emulated unit is plugged in and pulled
// out again and again, each time sending its full parameter dump and its
// children. Resident memory, open descriptors and threads after the first
// ten cycles are compared with the end. Exits 1 when memory or descriptors
// grew by more than 5 % (and a few units), or threads were left behind.
// Run under umockdev-wrapper, offscreen. Usage: soak [cycles, default 1000]
#include "mainwindow.h"

#include <zq40emu/zq40emu.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

namespace {

struct Usage {
    long rssKiB = 0;
    long threads = 0;
    long descriptors = 0;
};

long statusField(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    return -1;
}

Usage usage()
{
    return {statusField("VmRSS"), statusField("Threads"),
            long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size())};
}

void print(const char* when, const Usage& u)
{
    std::printf("%-22s resident %7ld KiB  threads %3ld  descriptors %4ld\n", when, u.rssKiB, u.threads, u.descriptors);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(11, std::atoi(argv[1])) : 1000;

    zq40emu::Testbed bed;
    MainWindow window;
    window.show();

    std::set<int> shownCodes;
    QObject::connect(
        &window.deviceRegistry(), &QDevices::DoUpdateAllParameters, &window,
        [&](zq40::hidr_t code) { shownCodes.insert(int(code)); }, Qt::DirectConnection);

    zq40emu::UnitConfig config;
    config.version.word5 = 0x0101012F;
    config.blocks = zq40emu::factoryBlocks();
    config.children = {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, zq40emu::kRemoteModel202, 0x01040023),
                       zq40emu::remote(259, zq40emu::kRemoteModel200, 0x01030019)};
    zq40emu::Unit* unit = nullptr;
    Usage afterTen;
    const auto start = std::chrono::steady_clock::now();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        shownCodes.clear();
        if (unit)
            bed.replug(*unit);
        else
            unit = &bed.plug(config);
        const bool shown = QTest::qWaitFor(
            [&] {
                return shownCodes.size() >= zq40emu::kBlockCodes.size() && !window.deviceRegistry().all().empty() &&
                    window.currentDevice()->children.size() == 3;
            },
            10000);
        bed.unplug(*unit);
        const bool gone = QTest::qWaitFor([&] { return window.deviceRegistry().all().empty(); }, 10000);
        if (!shown || !gone) {
            std::fprintf(stderr, "cycle %d: the unit was %s\n", cycle, shown ? "never removed" : "not shown in full");
            return 1;
        }
        if (cycle == 10) {
            afterTen = usage();
            print("after 10 cycles", afterTen);
        }
        if (cycle % 100 == 0) {
            std::printf("cycle %d\n", cycle);
            std::fflush(stdout);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Usage end = usage();
    print(("after " + std::to_string(cycles) + " cycles").c_str(), end);
    std::printf("%d cycles in %.0f s (%.0f ms each)\n", cycles, seconds, seconds * 1000 / cycles);

    // Allocator noise: a few percent and a little slack.
    const bool memoryHeld = end.rssKiB <= afterTen.rssKiB * 105 / 100 + 512;
    const bool descriptorsHeld = end.descriptors <= afterTen.descriptors + 2;
    const bool threadsHeld = end.threads <= afterTen.threads;
    std::printf("memory %s, descriptors %s, threads %s\n", memoryHeld ? "held" : "GREW",
                descriptorsHeld ? "held" : "GREW", threadsHeld ? "held" : "GREW");
    return memoryHeld && descriptorsHeld && threadsHeld ? 0 : 1;
}
