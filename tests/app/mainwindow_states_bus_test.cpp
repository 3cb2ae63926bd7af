// The window with emulated units: a unit plugged in while working offline
// is listed, selected and shown online with its own blocks; an edit sends
// exactly one whole block and a refresh sends none; unplugging falls back to
// the offline record; other firmware shows the mismatch form; a file opened
// at start-up keeps the first unit from being selected.
#include "window_on_bus.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

using namespace zq40;
using namespace window_on_bus;

namespace {

QDevice* onlyRecord(const MainWindow& window)
{
    return window.deviceRegistry().all().empty() ? nullptr : window.deviceRegistry().all().begin()->second;
}

} // namespace

class MainWindowStatesBusTest : public QObject {
    Q_OBJECT

    // One test bed for the whole run: the library watches the bus it finds
    // when it starts.
    std::unique_ptr<zq40emu::Testbed> bed;

private slots:
    void initTestCase() { bed = std::make_unique<zq40emu::Testbed>(); }

    // A test that failed half-way leaves no unit behind for the next one.
    void cleanup() { unplugAll(*bed); }

    void cleanupTestCase() { bed.reset(); }

    void unitGoesOnlineIsEditedAndFallsBackToOffline()
    {
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        const ParameterBlocks offlineBefore = window.currentDevice()->blocks;
        auto& unit = bed->plug(unitConfig(61001, kRequiredFirmware));

        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QDevice* record = onlyRecord(window);
        QVERIFY(record);
        QCOMPARE(window.currentDevice(), record);
        QCOMPARE(list->currentData().value<QDevice*>(), record);
        QCOMPARE(connectedState(window), QStringLiteral("true"));
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("Connected"));
        QCOMPARE(child<QLabel>(window, "lbl_serial_value")->text(), QStringLiteral("61001"));
        QCOMPARE(child<QLabel>(window, "lbl_fw_version_value")->text(), QStringLiteral("1.4.0.35"));
        QCOMPARE(child<QLabel>(window, "lbl_hw_revision_value")->text(), QStringLiteral("3"));
        QCOMPARE(record->firmwareVersion, 0x01040023u);
        QVERIFY(child<QPushButton>(window, "pushButton_firmware")->isHidden());

        // The status reply brings the requests; the unit answers with its blocks.
        QTRY_COMPARE_WITH_TIMEOUT(record->blocks, hallBlocks(), 5000);
        QTRY_COMPARE(window.windowTitle(), QStringLiteral("Hall - (61001) - Working Online"));
        QCOMPARE(list->currentText(), QStringLiteral("Hall (61001)"));
        const auto sent = unit.received();
        int status = -1;
        int request = -1;
        int enumeration = -1;
        for (int i = 0; i < int(sent.size()); ++i) {
            if (sent[i].msgId() == OUSB_MSG_STATUS && status < 0)
                status = i;
            if (sent[i].msgId() == OUSB_MSG_PARAMETER_REPORT && sent[i].bytes[5] == 0 && status >= 0 && request < 0)
                request = i;
            if (sent[i].msgId() == OUSB_MSG_ENUMERATE_CHILDREN && request >= 0 && enumeration < 0)
                enumeration = i;
        }
        QVERIFY(status >= 0);
        QVERIFY(request > status);
        QVERIFY(enumeration > request);

        // The blocks reach the controls, and moving them there sent nothing.
        QTRY_COMPARE(child<QSlider>(window, "hSlider_eq_lo_zone2")->value(), 3);
        QCOMPARE(child<QSlider>(window, "vSlider_pgm1_level")->value(), -20);
        QCOMPARE(child<QSlider>(window, "hSlider_level_zone_4")->value(), 25);
        QCOMPARE(child<QLineEdit>(window, "lineEdit_zone1")->text(), QStringLiteral("Bar"));
        QCOMPARE(child<QLabel>(window, "label_zones_linked_1")->text(), QStringLiteral("Zones 1-3 Linked"));
        QVERIFY(!child<QLabel>(window, "label_zones_linked_1")->isHidden());
        QVERIFY(writesOf(unit, OUSB_MSG_PARAMETER_WRITE).empty());

        // One edit, one whole block.
        unit.clearReceived();
        child<QSlider>(window, "hSlider_eq_hi_zone5")->setValue(4);
        auto writes = parameterWritesAfterEdit(unit);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].bytes[5], kParameterWriteCnt);
        QCOMPARE(writes[0].bytes[kCodeOffset], uint8_t(HIDR_ZONE_PARAMS));
        QCOMPARE(record->blocks.get(zoneSetting(5, ZoneSetting::EQHi)), 4);
        QCOMPARE(writes[0].bytes, parameterWrite(HIDR_ZONE_PARAMS, record->blocks));
        QCOMPARE(unit.block(HIDR_ZONE_PARAMS)[8 * 4 + 2], uint8_t(4));

        // A linked fader: one block 16 carrying the group's shared position.
        unit.clearReceived();
        child<QSlider>(window, "hSlider_level_zone_3")->setValue(55);
        writes = parameterWritesAfterEdit(unit);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].bytes[kCodeOffset], uint8_t(HIDR_ZONE_LEVELS));
        for (int zone : {1, 2, 3})
            QCOMPARE(record->blocks.levelPosition(zone), 55.0f);
        QCOMPARE(record->blocks.levelPosition(4), 25.0f);
        QCOMPARE(writes[0].bytes, parameterWrite(HIDR_ZONE_LEVELS, record->blocks));
        QCOMPARE(child<QSlider>(window, "hSlider_level_zone_1")->value(), 55);

        bed->unplug(unit);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 5000);
        QVERIFY(window.currentDevice() != record);
        QCOMPARE(window.currentDevice()->blocks, offlineBefore);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
        QCOMPARE(connectedState(window), QStringLiteral("false"));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(child<QLabel>(window, "lbl_serial_value")->text(), QString());
        QVERIFY(child<QLabel>(window, "label_zones_linked_1")->isHidden());
    }

    // Any other version is a mismatch, a newer one too.
    void otherFirmwareShowsTheMismatchForm_data()
    {
        QTest::addColumn<uint32_t>("word5");
        QTest::newRow("1.1.1.46") << kRequiredFirmware - 1;
        QTest::newRow("1.1.1.48") << kRequiredFirmware + 1;
    }

    void otherFirmwareShowsTheMismatchForm()
    {
        QFETCH(uint32_t, word5);
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        auto& unit = bed->plug(unitConfig(61002, word5));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(window.currentDevice(), onlyRecord(window));
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("FW Mismatch"));
        QVERIFY(!child<QPushButton>(window, "pushButton_firmware")->isHidden());
        QVERIFY(!child<QGroupBox>(window, "groupBox_zone_1")->isEnabled());

        // The unit is still asked for its blocks; its name retitles the
        // window, and editing stays off.
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Hall - (61002) - Working Online"), 5000);
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QVERIFY(!child<QPushButton>(window, "pushButton_save_config")->isEnabled());
        QVERIFY(writesOf(unit, OUSB_MSG_PARAMETER_WRITE).empty());
        bed->unplug(unit);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 5000);
        QVERIFY(child<QGroupBox>(window, "groupBox_zone_1")->isEnabled());
    }

    // Zone 6's source with 4-5 and 5-6 linked: zones 4 to 6 take it, in one
    // block 16.
    void linkedSourceGoesOutOnce()
    {
        MainWindow window;
        ParameterBlocks blocks = hallBlocks();
        blocks.clearZoneLinks();
        blocks.setZonesLinked(4, true);
        blocks.setZonesLinked(5, true);
        auto& unit = bed->plug(unitConfig(61007, kRequiredFirmware, blocks));
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Hall - (61007) - Working Online"), 5000);
        QTRY_VERIFY(!child<QLabel>(window, "label_zones_linked_1")->isHidden());
        QTest::qWait(100);
        unit.clearReceived();
        child<QComboBox>(window, "comboBox_zone6_source")->setCurrentIndex(3);
        const auto writes = parameterWritesAfterEdit(unit);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].bytes[kCodeOffset], uint8_t(HIDR_ZONE_LEVELS));
        const auto levels = unit.block(HIDR_ZONE_LEVELS);
        for (int zone = 1; zone <= 6; ++zone) {
            const int source = levels[8 * (zone - 1) + int(ZoneLevel::Source)];
            QCOMPARE(source == 3, zone >= 4);
            QCOMPARE(child<QComboBox>(window, qPrintable(QStringLiteral("comboBox_zone%1_source").arg(zone)))
                             ->currentIndex() == 3,
                     zone >= 4);
        }
        QCOMPARE(child<QLabel>(window, "label_zones_linked_1")->text(), QStringLiteral("Zones 4-6 Linked"));
    }

    // While a unit is shown, another one plugged in is only listed.
    void secondUnitIsListedButNotShown()
    {
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        auto& first = bed->plug(unitConfig(61005, kRequiredFirmware));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QDevice* shown = window.currentDevice();
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), QStringLiteral("Hall - (61005) - Working Online"), 5000);
        auto& second = bed->plug(unitConfig(61006, kRequiredFirmware));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(list->itemText(2), QStringLiteral("Hall (61006)"), 5000);
        QCOMPARE(window.currentDevice(), shown);
        QCOMPARE(list->currentIndex(), 1);
        QCOMPARE(window.windowTitle(), QStringLiteral("Hall - (61005) - Working Online"));
        QVERIFY(listMatchesRegistry(window));

        // Pulling the shown unit goes back offline, not to the other unit.
        bed->unplug(first);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
        bed->unplug(second);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
    }

    void startupFileKeepsTheFirstUnitUnselected()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        MainWindow window;
        window.openConfigFromPath(file.fileName());
        QVERIFY(!window.startupConfig().isEmpty());
        auto* list = child<QComboBox>(window, "comboBox_deviceList");

        auto& first = bed->plug(unitConfig(61003, kRequiredFirmware));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(window.startupConfig().isEmpty());
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));

        auto& second = bed->plug(unitConfig(61004, kRequiredFirmware));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, 5000);
        QCOMPARE(list->currentIndex(), 2);
        QDevice* shown = window.currentDevice();
        QCOMPARE(shown->pDeviceInfo->ser, 61004u);

        // Unplugging a unit that is not shown only removes its entry.
        bed->unplug(first);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(window.currentDevice(), shown);
        QCOMPARE(list->currentData().value<QDevice*>(), shown);
        bed->unplug(second);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 5000);
    }
};

QTEST_MAIN(MainWindowStatesBusTest)
#include "mainwindow_states_bus_test.moc"
