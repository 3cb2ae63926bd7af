// The firmware button when things go wrong: the unit pulled out before its
// bootloader shows, during the transfer and during the wait for its return;
// a bootloader that refuses a region four times; a child, or the unit, pulled
// out during a child update. After each the window is consistent, the button
// works again and a failed main-unit update leaves the backup in place.
#include "firmware_flow_on_bus.h"

#include "firmware_catalogue.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace zq40;
using namespace window_on_bus;
using namespace firmware_flow;
using namespace std::chrono_literals;

namespace {

const uint32_t kCarried601 = firmware::catalogueVersion(601);
const uint32_t kCarried200 = firmware::catalogueVersion(200);

QPushButton* firmwareButton(MainWindow& window)
{
    return child<QPushButton>(window, "pushButton_firmware");
}

bool identityLabelsShown(MainWindow& window)
{
    for (const char* name : {"lbl_serial", "lbl_serial_value", "lbl_fw_version", "lbl_fw_version_value",
                             "lbl_hw_revision", "lbl_hw_revision_value"})
        if (child<QWidget>(window, name)->isHidden())
            return false;
    return true;
}

} // namespace

class MainWindowFirmwareFaultsBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;
    std::vector<zq40emu::Unit*> units;
    QTemporaryDir work;

    zq40emu::Unit& plug(const zq40emu::UnitConfig& config)
    {
        zq40emu::Unit& unit = bed->plug(config);
        units.push_back(&unit);
        return unit;
    }

    // With `allBlocks`, until the unit has sent every block: an update
    // started while they still arrive fails its status query.
    QDevice* waitUntilShown(MainWindow& window, uint32_t serial, uint32_t word5, bool allBlocks = true)
    {
        QDevice* record = nullptr;
        [&] { QTRY_VERIFY_WITH_TIMEOUT((record = recordOn(window, serial, word5)) != nullptr, 8000); }();
        if (!record)
            return nullptr;
        [&] { QTRY_COMPARE_WITH_TIMEOUT(window.currentDevice(), record, 5000); }();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(record->blocks.deviceNameText(), std::string("Hall"), 5000); }();
        if (allBlocks)
            [&] { QTRY_COMPARE_WITH_TIMEOUT(record->blocks, hallBlocks(), 5000); }();
        return record;
    }

    // Plugged on older firmware, shown, and the button pressed with `faults`
    // in its bootloader. Returns once the flow has ended.
    zq40emu::Unit& pressWithBootFaults(MainWindow& window, uint32_t serial, const zq40emu::BootFaults& faults)
    {
        auto& unit = plug(unitConfig(serial, kOlderFirmware));
        QDevice* record = waitUntilShown(window, serial, kOlderFirmware);
        if (!record)
            qFatal("unit %u was not shown", serial);
        unit.setBootFaults(faults);
        firmwareButton(window)->click();
        return unit;
    }

    // After a failed main-unit update of a unit that is gone for good.
    void expectOfflineWithBackup(MainWindow& window, uint32_t serial)
    {
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 8000);
        QVERIFY(firmwareButton(window)->isEnabled());
        QVERIFY(identityLabelsShown(window));
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
        QVERIFY(QFile::exists(firmware_backup::path(serial)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        useTestFolders(work.path());
        bed = std::make_unique<zq40emu::Testbed>();
    }

    void cleanup()
    {
        for (zq40emu::Unit* unit : units)
            if (unit->plugged())
                bed->unplug(*unit);
        units.clear();
        removeBackups(work.path());
    }

    void cleanupTestCase() { bed.reset(); }

    void unitGoneBeforeItsBootloaderShows()
    {
        MainWindow window;
        zq40emu::BootFaults never;
        never.bootloaderNeverAppears = true;
        pressWithBootFaults(window, 63001, never);
        expectOfflineWithBackup(window, 63001);
    }

    void unitPulledDuringTheTransferThenFinishedOnTheNextPress()
    {
        MainWindow window;
        zq40emu::BootFaults yank;
        yank.unplugAfterTunnelPackets = 300;
        auto& unit = pressWithBootFaults(window, 63101, yank);
        expectOfflineWithBackup(window, 63101);

        // Plugged back in, it runs its bootloader: the next press finishes
        // the update, and the settings come back once it returns.
        unit.setBootFaults({});
        bed->replug(unit);
        const auto shownInBootloader = [&] {
            QDevice* record = recordOn(window, 63101, unit.versionWords().word5);
            return record && window.currentDevice() == record && record->bootloaderActive == 1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownInBootloader(), 8000);
        QVERIFY(!firmwareButton(window)->isHidden());
        unit.clearReceived();
        firmwareButton(window)->click();
        QVERIFY(firmwareButton(window)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(recordOn(window, 63101, kCarried601) != nullptr, 8000);
        QTRY_VERIFY(!QFile::exists(firmware_backup::path(63101)));
        QTRY_COMPARE(connectedState(window), QStringLiteral("true"));
        QVERIFY(!parameterWriteCodes(unit).empty());
        QVERIFY(listMatchesRegistry(window));
    }

    void unitThatNeverComesBackAfterItsUpdate()
    {
        MainWindow window;
        zq40emu::BootFaults gone;
        gone.neverBackAfterFinish = true;
        pressWithBootFaults(window, 63201, gone);
        expectOfflineWithBackup(window, 63201);
    }

    void bootloaderThatRefusesARegionFourTimes()
    {
        MainWindow window;
        zq40emu::BootFaults refuse;
        refuse.refusals = {{.packet = zq40emu::boot::kBeginRegion, .region = 0, .code = zq40emu::boot::kErrAddress}};
        auto& unit = pressWithBootFaults(window, 63301, refuse);
        int refusals = 0;
        for (const auto& p : unit.bootPackets())
            refusals += p.kind == zq40emu::boot::kBeginRegion && p.answer == zq40emu::boot::kRefusal;
        QCOMPARE(refusals, 4);
        QVERIFY(firmwareButton(window)->isEnabled());

        // Still in its bootloader, it is listed and shown again, offering the update.
        // Records come and go meanwhile: looked up afresh on every try.
        const auto shownInBootloader = [&] {
            QDevice* record = recordOn(window, 63301, kOlderFirmware);
            return record && window.currentDevice() == record && record->bootloaderActive == 1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownInBootloader(), 8000);
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QVERIFY(!firmwareButton(window)->isHidden());
        QVERIFY(identityLabelsShown(window));
        QVERIFY(listMatchesRegistry(window));
        QCOMPARE(window.deviceRegistry().all().size(), size_t(1));
        QVERIFY(QFile::exists(firmware_backup::path(63301)));
    }

    void childPulledDuringItsUpdate()
    {
        MainWindow window;
        auto config = unitConfig(63401, kCarried601);
        config.version.word1 = 1;
        config.children = {zq40emu::remote(258, 200, kCarried200 - 1)};
        auto& unit = plug(config);
        QDevice* record = waitUntilShown(window, 63401, kCarried601);
        QVERIFY(record);
        QTRY_VERIFY(!firmwareButton(window)->isHidden());
        zq40emu::BootFaults yank;
        yank.unplugAfterTunnelPackets = 40;
        unit.setBootFaults(yank, 258);

        firmwareButton(window)->click();
        QVERIFY(firmwareButton(window)->isEnabled());
        QCOMPARE(window.currentDevice(), record);
        auto* status = child<QLabel>(window, "label_fw_update_status");
        QVERIFY(!status->isHidden());
        QCOMPARE(status->text(), QStringLiteral("Firmware Update Failed"));
        QTRY_COMPARE(child<QLabel>(window, "lbl_dr_status_value_1")->text(), QStringLiteral("Not Connected"));
        QVERIFY(listMatchesRegistry(window));
        QVERIFY(firmware_backup::existing(63401).isEmpty());
    }

    void unitPulledDuringAChildUpdate()
    {
        MainWindow window;
        auto config = unitConfig(63501, kCarried601);
        config.version.word1 = 1;
        config.children = {zq40emu::remote(258, 200, kCarried200 - 1), zq40emu::remote(259, 200, kCarried200 - 1)};
        auto& unit = plug(config);
        QVERIFY(waitUntilShown(window, 63501, kCarried601));
        QTRY_VERIFY(!firmwareButton(window)->isHidden());

        std::thread puller([&] {
            if (unit.waitForBootPackets([](const auto& p) { return p.size() > 40; }, 10s, 258))
                bed->unplug(unit);
        });
        firmwareButton(window)->click();
        puller.join();
        QVERIFY(firmwareButton(window)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 8000);
        QVERIFY(identityLabelsShown(window));
        QVERIFY(unit.bootPackets(259).empty());
    }
};

QTEST_MAIN(MainWindowFirmwareFaultsBusTest)
#include "mainwindow_firmware_faults_bus_test.moc"
