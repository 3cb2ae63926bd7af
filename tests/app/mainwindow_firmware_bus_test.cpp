// The firmware button with emulated units: a full main-unit update end to
// end with its settings saved, restored and the backup gone; an earlier
// attempt's backup kept and restored from the working directory; hardware
// too new for this program; test firmware refused for a unit not on the
// test bed; a backup that cannot be written or read; the
// children by key, with another child arriving during an update.
#include "firmware_flow_on_bus.h"

#include "child_update_rules.h"
#include "config.h"
#include "firmware_catalogue.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

using namespace zq40;
using namespace window_on_bus;
using namespace firmware_flow;
using namespace std::chrono_literals;

namespace {

const uint32_t kCarried601 = firmware::catalogueVersion(601);
const uint32_t kCarried200 = firmware::catalogueVersion(200);
const uint32_t kCarried202 = firmware::catalogueVersion(202);

QPushButton* firmwareButton(MainWindow& window)
{
    return child<QPushButton>(window, "pushButton_firmware");
}

bool sentStartBootloader(const zq40emu::Unit& unit)
{
    return !writesOf(unit, OUSB_MSG_START_BOOTLOADER).empty() || !unit.bootPackets().empty();
}

// What the restore wrote: thirteen blocks, the links not among them.
const std::vector<uint8_t> kRestoreOrder = {1, 16, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

} // namespace

class MainWindowFirmwareBusTest : public QObject {
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

    // Listed, shown and with its own blocks in the record.
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

    void mainUnitIsUpdatedAndItsSettingsComeBack()
    {
        MainWindow window;
        auto& unit = plug(unitConfig(62001, kOlderFirmware));
        QDevice* record = waitUntilShown(window, 62001, kOlderFirmware);
        QVERIFY(record);
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QVERIFY(!firmwareButton(window)->isHidden());
        const auto blocksBefore = blocksOf(unit);
        const QString backup = firmware_backup::path(62001);

        // The backup is there before the first byte of firmware moves.
        auto* bar = child<QProgressBar>(window, "progressBar_fw");
        ProgressWatch progress(bar);
        bool backupDuringUpdate = false;
        bool buttonDisabledDuringUpdate = false;
        QString statusDuringUpdate;
        connect(bar, &QProgressBar::valueChanged, &progress, [&] {
            backupDuringUpdate = backupDuringUpdate || QFile::exists(backup);
            buttonDisabledDuringUpdate = buttonDisabledDuringUpdate || !firmwareButton(window)->isEnabled();
            statusDuringUpdate = child<QLabel>(window, "label_fw_update_status")->text();
        });
        unit.clearReceived();
        firmwareButton(window)->click();

        QVERIFY(backupDuringUpdate);
        QVERIFY(buttonDisabledDuringUpdate);
        QCOMPARE(statusDuringUpdate, QStringLiteral("Updating ZQ40 Firmware..."));
        QVERIFY(progress.changes > 5);
        QVERIFY(progress.highest >= 99);
        QVERIFY(firmwareButton(window)->isEnabled());
        QCOMPARE(unit.versionWords().word5, kCarried601);

        // Back under a new record, online, with the settings sent back to it.
        QDevice* back = waitUntilShown(window, 62001, kCarried601, false);
        QVERIFY(back);
        QTRY_COMPARE(connectedState(window), QStringLiteral("true"));
        QTRY_VERIFY(!QFile::exists(backup));
        QVERIFY(firmware_backup::existing(62001).isEmpty());
        const auto codes = parameterWriteCodes(unit);
        QCOMPARE(codes, kRestoreOrder);
        // Every setting as it was. Fader positions are not part of a
        // configuration file: they come back from the levels, which match.
        auto blocksAfter = blocksOf(unit);
        auto before = blocksBefore;
        for (int zone = 0; zone < 6; ++zone) {
            float was = 0, is = 0;
            std::memcpy(&was, before[HIDR_ZONE_LEVELS].data() + 8 * zone, 4);
            std::memcpy(&is, blocksAfter[HIDR_ZONE_LEVELS].data() + 8 * zone, 4);
            QVERIFY2(std::abs(was - is) <= 1.0f, qPrintable(QStringLiteral("zone %1 fader").arg(zone + 1)));
            std::fill_n(before[HIDR_ZONE_LEVELS].begin() + 8 * zone, 4, 0);
            std::fill_n(blocksAfter[HIDR_ZONE_LEVELS].begin() + 8 * zone, 4, 0);
        }
        for (uint8_t code : zq40emu::kBlockCodes)
            QVERIFY2(blocksAfter.at(code) == before.at(code), qPrintable(QStringLiteral("block %1").arg(code)));
        QCOMPARE(back->blocks.deviceNameText(), std::string("Hall"));
        QVERIFY(listMatchesRegistry(window));
        // The scan that announces the unit back deletes its old records right after.
        QTRY_COMPARE(window.deviceRegistry().all().size(), size_t(1));
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
        QVERIFY(child<QProgressBar>(window, "progressBar_fw")->isHidden());
        QVERIFY(!child<QLabel>(window, "lbl_serial_value")->isHidden());
        QCOMPARE(child<QLabel>(window, "lbl_serial_value")->text(), QStringLiteral("62001"));
    }

    void earlierAttemptsBackupIsKeptAndRestoredFromTheWorkingDirectory()
    {
        // Left by an older release, next to the program, before a failed try.
        ParameterBlocks earlier = hallBlocks();
        earlier.setDeviceNameText("Hall");
        earlier.set(zoneSetting(5, ZoneSetting::EQMid), -4);
        earlier.setLabel(zoneLabel(2), "Patio");
        const QString old = QDir::current().absoluteFilePath(QStringLiteral("62101.zq40"));
        QCOMPARE(config().write(old, earlier, 0), config::kOk);
        const QByteArray oldBytes = [&] {
            QFile f(old);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        MainWindow window;
        auto& unit = plug(unitConfig(62101, kOlderFirmware));
        QVERIFY(waitUntilShown(window, 62101, kOlderFirmware));
        bool keptDuringUpdate = false;
        ProgressWatch progress(child<QProgressBar>(window, "progressBar_fw"));
        connect(child<QProgressBar>(window, "progressBar_fw"), &QProgressBar::valueChanged, &progress, [&] {
            QFile f(old);
            keptDuringUpdate =
                f.open(QIODevice::ReadOnly) && f.readAll() == oldBytes && !QFile::exists(firmware_backup::path(62101));
        });
        firmwareButton(window)->click();
        QVERIFY(keptDuringUpdate);

        QDevice* back = waitUntilShown(window, 62101, kCarried601, false);
        QVERIFY(back);
        QTRY_VERIFY(!QFile::exists(old));
        // The unit now holds the earlier settings, not those it had.
        QTRY_COMPARE(
            unit.block(HIDR_ZONE_PARAMS),
            std::vector<uint8_t>(earlier.block(HIDR_ZONE_PARAMS).begin(), earlier.block(HIDR_ZONE_PARAMS).end()));
        QCOMPARE(
            unit.block(HIDR_ZONE_LABELS_1),
            std::vector<uint8_t>(earlier.block(HIDR_ZONE_LABELS_1).begin(), earlier.block(HIDR_ZONE_LABELS_1).end()));
        QTRY_COMPARE(back->blocks.get(zoneSetting(5, ZoneSetting::EQMid)), -4);
    }

    void hardwareNewerThanThisProgramIsNotUpdated()
    {
        MainWindow window;
        auto config = unitConfig(62201, kOlderFirmware);
        config.version.word1 = 6;
        auto& unit = plug(config);
        QVERIFY(waitUntilShown(window, 62201, kOlderFirmware));
        QVERIFY(!firmwareButton(window)->isHidden());
        unit.clearReceived();

        MessageBoxCloser boxes;
        firmwareButton(window)->click();
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY(boxes.seen[0].contains(QStringLiteral("A newer version of this Software is required.")));
        QVERIFY(boxes.seen[0].contains(QStringLiteral("https://www.orlo-audio.com/support")));
        QVERIFY(firmwareButton(window)->isEnabled());
        QTest::qWait(300);
        QVERIFY(!sentStartBootloader(unit));
        QVERIFY(firmware_backup::existing(62201).isEmpty());
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
        QCOMPARE(window.deviceRegistry().all().size(), size_t(1));
    }

    void testFirmwareNeverReachesARealUnit()
    {
        // Outdated, and with an outdated remote for the press after.
        auto config = unitConfig(62251, kOlderFirmware);
        config.children = {zq40emu::remote(258, 200, kCarried200 - 1)};
        MainWindow window;
        auto& unit = plug(config);
        QVERIFY(waitUntilShown(window, 62251, kOlderFirmware));
        QVERIFY(!firmwareButton(window)->isHidden());
        unit.clearReceived();

        // Without the test bed's word, the unit is taken for a real one.
        qunsetenv("ZQ40_TEST_FIRMWARE");
        MessageBoxCloser boxes;
        firmwareButton(window)->click();
        qputenv("ZQ40_TEST_FIRMWARE", "1");
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY(boxes.seen[0].contains(
            QStringLiteral("This build carries test firmware, not the maker's: it cannot update a real unit. "
                           "See the README to build with the maker's firmware catalogue.")));
        QTest::qWait(300);
        QCOMPARE(unit.receivedCount(), size_t(0));
        QVERIFY(unit.bootPackets(258).empty());
        QVERIFY(firmware_backup::existing(62251).isEmpty());
        // Nothing else changed: still offered, and no update shown as running or failed.
        QVERIFY(firmwareButton(window)->isEnabled());
        QVERIFY(!firmwareButton(window)->isHidden());
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
    }

    void backupThatCannotBeWrittenStopsTheUpdate()
    {
        MainWindow window;
        auto& unit = plug(unitConfig(62301, kOlderFirmware));
        QVERIFY(waitUntilShown(window, 62301, kOlderFirmware));
        // A file where the data folder should be.
        QDir(dataFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(dataFolder()).absolutePath()));
        QFile blocker(dataFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        unit.clearReceived();

        MessageBoxCloser boxes;
        firmwareButton(window)->click();
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY(boxes.seen[0].startsWith(QStringLiteral("File Error: ")));
        QVERIFY(firmwareButton(window)->isEnabled());
        QTest::qWait(300);
        QVERIFY(!sentStartBootloader(unit));
        QVERIFY(!unit.inBootloader());
        QCOMPARE(unit.versionWords().word5, kOlderFirmware);
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
        QVERIFY(!child<QLabel>(window, "lbl_serial_value")->isHidden());
        QVERIFY(listMatchesRegistry(window));
    }

    void backupThatCannotBeReadIsKeptAndNothingIsSentFromIt()
    {
        QVERIFY(QDir().mkpath(dataFolder()));
        QFile damaged(firmware_backup::path(62401));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("<Parameters><Zone1 Level=");
        damaged.close();

        MainWindow window;
        MessageBoxCloser boxes;
        auto& unit = plug(unitConfig(62401, kCarried601));
        QDevice* record = waitUntilShown(window, 62401, kCarried601);
        QVERIFY(record);
        QTRY_COMPARE(boxes.seen.size(), 1);
        QVERIFY(boxes.seen[0].startsWith(QStringLiteral("File Error: ")));
        // The slot went on: the unit was asked for its blocks and sent them.
        QTRY_COMPARE(record->blocks, hallBlocks());
        QVERIFY(writesOf(unit, OUSB_MSG_PARAMETER_WRITE).empty());
        QVERIFY(!writesOf(unit, OUSB_MSG_ENUMERATE_CHILDREN).empty());
        QVERIFY(QFile::exists(firmware_backup::path(62401)));
        QCOMPARE(connectedState(window), QStringLiteral("true"));
    }

    void restoreCutShortByTheUnitLeavingKeepsTheBackup()
    {
        // Left by an update whose unit came back while the program was closed.
        ParameterBlocks saved = hallBlocks();
        saved.set(zoneSetting(6, ZoneSetting::EQLo), -5);
        QVERIFY(QDir().mkpath(dataFolder()));
        QCOMPARE(config().write(firmware_backup::path(62601), saved, 0), config::kOk);

        MainWindow window;
        auto& unit = plug(unitConfig(62601, kCarried601));
        // Gone for good a few writes into the restore.
        zq40emu::Faults yank;
        yank.unplugAfterReports = 5;
        unit.setFaults(yank);
        QTRY_VERIFY_WITH_TIMEOUT(!unit.plugged(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        QVERIFY(QFile::exists(firmware_backup::path(62601)));

        // Plugged in again, it gets the whole backup.
        unit.setFaults({});
        unit.clearReceived();
        bed->replug(unit);
        QVERIFY(waitUntilShown(window, 62601, kCarried601, false));
        QTRY_VERIFY(!QFile::exists(firmware_backup::path(62601)));
        QCOMPARE(parameterWriteCodes(unit), kRestoreOrder);
        QCOMPARE(unit.block(HIDR_ZONE_PARAMS),
                 std::vector<uint8_t>(saved.block(HIDR_ZONE_PARAMS).begin(), saved.block(HIDR_ZONE_PARAMS).end()));
    }

    void childrenAreUpdatedByKeyAndModel()
    {
        MainWindow window;
        auto config = unitConfig(62501, kCarried601);
        // Revision 1: outdated children show the firmware button.
        config.version.word1 = 1;
        config.children = {
            zq40emu::remote(258, 200, kCarried200 - 1), // updated
            zq40emu::remote(259, 202, 0x02000001),      // major 2: left alone
            zq40emu::remote(260, 200, kCarried200),     // not lower: left alone
            zq40emu::remote(261, 502, 0x01020005),      // paging station model on a remote key
            zq40emu::remote(264, 200, kCarried200 - 1), // model 200 at the master key
            zq40emu::remote(257, 200, kCarried200 - 1), // model 200 at the paging key
        };
        auto& unit = plug(config);
        QVERIFY(waitUntilShown(window, 62501, kCarried601));
        QTRY_COMPARE(window.currentDevice()->children.size(), qsizetype(6));
        QTRY_VERIFY(!firmwareButton(window)->isHidden());

        // Another remote plugged in at the unit while the update runs: its
        // event must not hold the update up.
        std::atomic<bool> stop{false};
        std::thread plugger([&] {
            if (unit.waitForBootPackets([](const auto& p) { return p.size() > 20; }, 10s, 258) && !stop)
                unit.connectChild(zq40emu::remote(262, 202, kCarried202));
        });
        ProgressWatch progress(child<QProgressBar>(window, "progressBar_fw"));
        QString status;
        connect(child<QProgressBar>(window, "progressBar_fw"), &QProgressBar::valueChanged, &progress,
                [&] { status = child<QLabel>(window, "label_fw_update_status")->text(); });
        firmwareButton(window)->click();
        stop = true;
        plugger.join();

        QCOMPARE(status, QStringLiteral("Updating Tilo1 Firmware..."));
        QVERIFY(progress.highest >= 99);
        QCOMPARE(unit.regionVersion(1, 258), kCarried200);
        for (uint16_t key : {259, 260, 261, 264, 257})
            QVERIFY2(unit.bootPackets(key).empty(), qPrintable(QString::number(key)));
        QVERIFY(firmwareButton(window)->isEnabled());
        QVERIFY(child<QLabel>(window, "label_fw_update_status")->isHidden());
        QCOMPARE(window.windowTitle(), QStringLiteral("Hall - (62501) - Working Online"));

        // The remote returns on the new firmware; the one plugged meanwhile is listed.
        QTRY_VERIFY(window.currentDevice()->children.contains(262));
        QTRY_COMPARE(child<QLabel>(window, "lbl_dr_status_value_5")->property("online").toString(),
                     QStringLiteral("true"));
        QTRY_COMPARE(child<QLabel>(window, "lbl_dr_status_value_1")->property("online").toString(),
                     QStringLiteral("true"));
        QVERIFY(listMatchesRegistry(window));
    }

    // A person who closes the window during an update must not take it for
    // finished: the window stays, says why, and closes when the update ends.
    void closingDuringAnUpdateWaitsForItsEnd()
    {
        MainWindow window;
        window.show();
        auto config = unitConfig(62601, kCarried601);
        config.version.word1 = 1;
        config.children = {zq40emu::remote(258, 200, kCarried200 - 1)};
        plug(config);
        QVERIFY(waitUntilShown(window, 62601, kCarried601));
        QTRY_VERIFY(!firmwareButton(window)->isHidden());
        bool stayed = false;
        QString said;
        QWidget* modal = nullptr;
        connect(child<QProgressBar>(window, "progressBar_fw"), &QProgressBar::valueChanged, this, [&] {
            if (!said.isEmpty())
                return;
            window.close();
            stayed = window.isVisible();
            auto* note = child<QLabel>(window, "label_update_fw");
            said = note->isHidden() ? QStringLiteral("(hidden)") : note->text();
            modal = QApplication::activeModalWidget();
        });
        firmwareButton(window)->click();
        QVERIFY(stayed);
        QCOMPARE(said, QStringLiteral("Will close after the update."));
        QVERIFY(!modal);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(MainWindowFirmwareBusTest)
#include "mainwindow_firmware_bus_test.moc"
