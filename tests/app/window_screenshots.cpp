// Pictures of the window for a person to look at: offline, online with its
// remotes and with all zones unlinked, the pairs (1,2) (3,4) (5,6), the group 2-6, a firmware
// mismatch, and the priority dialog. Each picture is grabbed from the screen,
// so run it on a display (scripts/screenshots.sh uses Xvfb) under
// umockdev-wrapper. Usage: window_screenshots <output folder>
#include "window_on_bus.h"

#include "dialog.h"
#include "zone_links.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>

#include <cstdio>

using namespace zq40;
using namespace window_on_bus;

namespace {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

bool save(QWidget& widget, const QString& folder, const char* name)
{
    QTest::qWait(300); // let the window paint
    const QPixmap picture = widget.screen()->grabWindow(widget.winId());
    const QString path = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// A unit with a paging station and remotes on zones 1, 2 and 4, all current.
zq40emu::UnitConfig unitWithLinks(uint32_t serial, std::initializer_list<int> linkedLowerZones)
{
    ParameterBlocks blocks = hallBlocks();
    blocks.clearZoneLinks();
    for (int zone : linkedLowerZones)
        blocks.setZonesLinked(zone, true);
    conformToLinks(blocks);
    zq40emu::UnitConfig config = unitConfig(serial, kRequiredFirmware, blocks);
    config.version.word1 = 1;
    config.children = {zq40emu::pagingStation(version(1, 2, 0, 6)),
                       zq40emu::remote(258, zq40emu::kRemoteModel202, version(1, 4, 0, 35)),
                       zq40emu::remote(259, zq40emu::kRemoteModel200, version(1, 3, 0, 26)),
                       zq40emu::remote(261, zq40emu::kRemoteModel202, version(1, 4, 0, 35))};
    return config;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    zq40emu::Testbed bed;
    MainWindow window;
    window.show();
    bool ok = save(window, folder, "offline");

    // The remotes show on the first tab, the links on the zone tab.
    struct Shot {
        const char* name;
        zq40emu::UnitConfig config;
        int tab;
    };
    zq40emu::UnitConfig mismatch = unitWithLinks(64005, {});
    mismatch.version.word5 = kRequiredFirmware - 1;
    mismatch.children[2] = zq40emu::remote(259, zq40emu::kRemoteModel200, version(1, 3, 0, 25));
    const Shot shots[] = {
        {"online-remotes", unitWithLinks(64001, {}), 0},
        {"online-unlinked", unitWithLinks(64001, {}), 1},
        {"linked-pairs", unitWithLinks(64002, {1, 3, 5}), 1},
        {"linked-group-2-6", unitWithLinks(64003, {2, 3, 4, 5}), 1},
        {"firmware-mismatch", mismatch, 0},
    };
    for (const Shot& shot : shots) {
        zq40emu::Unit& unit = bed.plug(shot.config);
        const bool shown = QTest::qWaitFor(
            [&] {
                QDevice* record = recordOf(window, shot.config.version.ser);
                return record && window.currentDevice() == record && record->blocks.deviceNameText() == "Hall" &&
                    record->children.size() == qsizetype(shot.config.children.size());
            },
            5000);
        child<QTabWidget>(window, "tabWidget")->setCurrentIndex(shot.tab);
        if (!shown)
            std::printf("%s: the unit was not shown in time\n", shot.name);
        ok = save(window, folder, shot.name) && shown && ok;
        bed.unplug(unit);
        if (!QTest::qWaitFor([&] { return window.deviceRegistry().all().empty(); }, 5000))
            return 1;
    }

    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<Dialog*>(w)) {
            dialog->show();
            ok = save(*dialog, folder, "priority-dialog") && ok;
        }
    return ok ? 0 : 1;
}
