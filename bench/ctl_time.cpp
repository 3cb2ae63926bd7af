// zq40ctl's wall time as a script sees it, the process's start included:
//  - `zq40ctl list` with 1 and with 8 emulated units (median of 10 runs);
//  - `zq40ctl update --all` for 3 outdated units on links paced at the USB
//    full-speed limit, against 3 times the update of one.
// Run under umockdev-wrapper.
#include <zq40emu/zq40emu.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr uint32_t kOld601 = 0x01010128;

double run(const QStringList& arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QStringLiteral(ZQ40CTL_PATH), arguments);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "zq40ctl %s failed: %s\n", qPrintable(arguments.join(' ')),
                     p.readAllStandardError().constData());
        std::exit(1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

double medianOfList(int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(run({QStringLiteral("list")}));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void unplugAll(zq40emu::Testbed& bed)
{
    for (zq40emu::Unit* u : bed.units())
        bed.unplug(*u);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    zq40emu::Testbed bed;
    zq40emu::UnitConfig config;
    config.version.word5 = 0x0101012F;

    config.version.ser = 50000;
    bed.plug(config);
    const double one = medianOfList(10);
    for (int i = 1; i < 8; ++i) {
        config.version.ser = 50000 + i;
        bed.plug(config);
    }
    const double eight = medianOfList(10);
    unplugAll(bed);
    std::printf("zq40ctl list, 1 unit                     median %8.1f ms (goal <= 150)\n", one);
    std::printf("zq40ctl list, 8 units                    median %8.1f ms (goal <= 300)\n", eight);

    bed.setPaced(true);
    config.version.word5 = kOld601;
    config.version.ser = 51000;
    bed.plug(config);
    const double single = run({QStringLiteral("update"), QStringLiteral("--all")});
    unplugAll(bed);
    for (int i = 1; i <= 3; ++i) {
        config.version.ser = 51000 + i;
        bed.plug(config);
    }
    const double three = run({QStringLiteral("update"), QStringLiteral("--all")});
    unplugAll(bed);
    std::printf("zq40ctl update --all, 1 unit, paced      %8.2f s\n", single / 1000);
    std::printf("zq40ctl update --all, 3 units, paced     %8.2f s; 3 x one unit %.2f s; ratio %.3f\n", three / 1000,
                3 * single / 1000, three / (3 * single));
    return 0;
}
