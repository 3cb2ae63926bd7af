// zq40ctl as a script runs it: the installed kind of binary against emulated
// units on this process's test bed. Listing, settings with linked zones and
// refusals, a configuration saved from one unit and loaded onto another, an
// update, test firmware refused off the test bed, and the exit codes when a
// unit is missing, held or silent.
#include "parameter_blocks.h"
#include "unit_config.h"
#include "written_codes.h"

#include <zq40emu/zq40emu.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr uint32_t kCarried601 = 0x0101012F;
constexpr uint32_t kOld601 = 0x01010128;

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

Run zq40ctl(const QStringList& arguments, int timeoutMs = 30000)
{
    QProcess p;
    p.start(QStringLiteral(ZQ40CTL_PATH), arguments);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

zq40::ParameterBlocks factory(const char* name, bool zones12Linked = false)
{
    zq40::ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText(name);
    b.setZonesLinked(1, zones12Linked);
    return b;
}

} // namespace

class Zq40ctlTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;
    QTemporaryDir home;

    zq40emu::Unit& plug(const zq40emu::UnitConfig& config)
    {
        zq40emu::Unit& u = bed->plug(config);
        u.clearReceived();
        return u;
    }

private slots:
    void initTestCase()
    {
        // Backups of the update go to a home of the test's own.
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
        bed = std::make_unique<zq40emu::Testbed>();
    }

    void cleanup()
    {
        for (zq40emu::Unit* u : bed->units())
            bed->unplug(*u);
    }

    void listNamesUnitsChildrenAndTheirStates()
    {
        auto current = unitWithBlocks(41001, kCarried601, factory("Hall"));
        current.children = {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, 200, 0x01030019),
                            zq40emu::remote(264, 200, 0x0103001A)};
        plug(current);
        plug(unitWithBlocks(41002, kOld601, factory("Bar")));
        const Run r = zq40ctl({QStringLiteral("list"), QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        const QJsonArray units = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(units.size(), 2);
        const QJsonObject hall = units[0].toObject();
        QCOMPARE(hall.keys(), QStringList({"children", "firmware", "name", "serial", "state"}));
        QCOMPARE(hall["serial"].toInt(), 41001);
        QCOMPARE(hall["name"].toString(), QStringLiteral("Hall"));
        QCOMPARE(hall["firmware"].toString(), QStringLiteral("1.1.1.47"));
        QCOMPARE(hall["state"].toString(), QStringLiteral("current"));
        const QJsonArray children = hall["children"].toArray();
        QCOMPARE(children.size(), 3);
        QCOMPARE(children[0].toObject().keys(), QStringList({"firmware", "key", "model", "name", "state"}));
        QCOMPARE(children[0]["state"].toString(), QStringLiteral("current"));
        QCOMPARE(children[1]["name"].toString(), QStringLiteral("Tilo1"));
        QCOMPARE(children[1]["state"].toString(), QStringLiteral("outdated"));
        QCOMPARE(children[2]["key"].toInt(), 264);
        QCOMPARE(children[2]["state"].toString(), QStringLiteral("unsupported"));
        QCOMPARE(units[1]["state"].toString(), QStringLiteral("outdated"));

        const Run text = zq40ctl({QStringLiteral("list")});
        const QString table = QString::fromUtf8(text.out).simplified();
        QVERIFY2(table.startsWith("SERIAL NAME FIRMWARE STATE 41001 Hall 1.1.1.47 current 257 Calla2"),
                 qPrintable(table));
        QVERIFY(table.contains("41002 Bar 1.1.1.40 outdated"));
    }

    void setFollowsLinksAndARefusalSendsNothing()
    {
        zq40emu::Unit& u = plug(unitWithBlocks(42001, kCarried601, factory("Hall", true)));
        Run r = zq40ctl({"set", "Zone1.Source=3", "Inputs.Pgm1Level=-10", "Zone2.Level=-20"});
        QCOMPARE(r.code, 0);
        QCOMPARE(writtenCodes(u), (std::vector<int>{16, 3}));
        QCOMPARE(int(u.block(16)[7]), 3);
        QCOMPARE(int(u.block(16)[15]), 3); // zone 2 follows zone 1
        QCOMPARE(int(int8_t(u.block(16)[12])), -20);

        u.clearReceived();
        r = zq40ctl({"set", "42001", "Zone2.Source=1", "Zone1.EQLo=9"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("Zone1.EQLo=9: must be between -6 and 6"), qPrintable(r.err));
        r = zq40ctl({"set", "Zone1.Levl=3"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("did you mean Zone1.Level"), qPrintable(r.err));
        QVERIFY(writtenCodes(u).empty());
    }

    void aSavedConfigurationLoadsOntoAnotherUnitInTheWindowsOrder()
    {
        zq40::ParameterBlocks hall = factory("Hall");
        hall.set(zq40::zoneSetting(3, zq40::ZoneSetting::EQMid), -4);
        hall.set(zq40::pgmLevel(2), -30);
        hall.setLabel(zq40::zoneLabel(1), "Bar");
        plug(unitWithBlocks(43001, kCarried601, hall));
        zq40emu::Unit& target = plug(unitWithBlocks(43002, kCarried601, factory("Patio", true)));
        const QString file = home.filePath(QStringLiteral("hall.zq40"));
        QCOMPARE(zq40ctl({"save", "43001", file}).code, 0);
        const Run r = zq40ctl({"load", "43002", file, "--keep-name"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("note: Linked Zones:"), qPrintable(r.err));
        QCOMPARE(writtenCodes(target), (std::vector<int>{1, 16, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
        QCOMPARE(target.block(1), std::vector<uint8_t>(hall.zoneParams.begin(), hall.zoneParams.end()));
        QCOMPARE(target.block(3), std::vector<uint8_t>(hall.inputsPaging.begin(), hall.inputsPaging.end()));
        QCOMPARE(target.block(4), std::vector<uint8_t>(hall.labels[0].begin(), hall.labels[0].end()));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(target.block(11).data())), QByteArray("Patio"));
    }

    void updateBringsTheUnitAndItsChildToTheCarriedFirmware()
    {
        auto old = unitWithBlocks(44001, kOld601, factory("Hall"));
        old.children = {zq40emu::remote(258, 202, 0x01040020)};
        zq40emu::Unit& u = plug(old);
        const Run r = zq40ctl({"update", "44001"}, 60000);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(u.versionWords().word5, kCarried601);
        QCOMPARE(u.regionVersion(1, 258), 0x01040023u);
        QVERIFY(r.out.endsWith("44001: current, firmware 1.1.1.47\n"));
        // The settings came back with the unit.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(u.block(11).data())), QByteArray("Hall"));
    }

    void testFirmwareIsRefusedForARealUnit()
    {
        auto old = unitWithBlocks(44101, kOld601, factory("Hall"));
        old.children = {zq40emu::remote(258, 202, 0x01040020)};
        zq40emu::Unit& u = plug(old);
        // Without the test bed's word the unit is taken for a real one.
        qunsetenv("ZQ40_TEST_FIRMWARE");
        const Run r = zq40ctl({"update", "44101"});
        qputenv("ZQ40_TEST_FIRMWARE", "1");
        QCOMPARE(r.code, 5);
        QVERIFY2(r.err.contains("This build carries test firmware, not the maker's: it cannot update a real unit."),
                 qPrintable(r.err));
        QVERIFY(writtenCodes(u).empty());
        for (const auto& report : u.received())
            QVERIFY(report.msgId() != 23); // the bootloader's start
        QVERIFY(u.bootPackets().empty() && u.bootPackets(258).empty());
        QCOMPARE(u.versionWords().word5, kOld601);
    }

    void exitCodesSayWhyNoUnitCanBeUsed()
    {
        Run r = zq40ctl({"show"});
        QVERIFY2(r.code == 2, qPrintable(r.err));
        plug(unitWithBlocks(45001, kCarried601, factory("Hall")));
        plug(unitWithBlocks(45002, kCarried601, factory("Bar")));
        r = zq40ctl({"show"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("several units are connected (45001, 45002)"));
        QCOMPARE(zq40ctl({"show", "45009"}).code, 2);

        // Another program has the units open.
        QProcess holder;
        holder.start(QStringLiteral(ZQ40CTL_PATH), {"monitor"});
        QVERIFY(holder.waitForReadyRead(5000));
        r = zq40ctl({"get", "45001", "Zone1.Level"});
        holder.terminate();
        QVERIFY(holder.waitForFinished(5000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(QStringLiteral("zq40ctl (pid %1)").arg(holder.processId())) ||
                     r.err.contains(QStringLiteral("(pid ")),
                 qPrintable(r.err));
        cleanup();

        // A unit that never answers: the library's limit, then 5.
        auto silent = unitWithBlocks(45003, kCarried601, factory("Hall"));
        silent.faults.silent = true;
        plug(silent);
        r = zq40ctl({"show"});
        QCOMPARE(r.code, 5);
        QVERIFY(r.err.contains("did not answer"));
    }
};

QTEST_GUILESS_MAIN(Zq40ctlTest)
#include "zq40ctl_test.moc"
