// The window with emulated units: a unit plugged in while working offline
// is listed, selected and shown online with its own blocks; an edit sends
// exactly one whole block and a refresh sends none; unplugging falls back to
// the offline record; other firmware shows the mismatch form; a file opened
// at start-up keeps the first unit from being selected.
#include "mainwindow.h"

#include "parameter_reports.h"

#include <zq40emu/zq40emu.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

using namespace zq40;

namespace {

constexpr uint32_t kRequiredFirmware = 0x0101012F; // 1.1.1.47

template <typename T> T* child(QWidget& window, const char* name)
{
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return w;
}

ParameterBlocks unitBlocks()
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText("Hall");
    b.set(zoneSetting(2, ZoneSetting::EQLo), 3);
    b.set(pgmLevel(1), -20);
    b.setLevelPosition(4, 25.0f);
    b.updateLevel(4);
    b.setLabel(zoneLabel(1), "Bar");
    b.setZonesLinked(1, true);
    b.setZonesLinked(2, true);
    return b;
}

zq40emu::UnitConfig unitConfig(uint32_t serial, uint32_t word5)
{
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.version.word5 = word5;
    const ParameterBlocks b = unitBlocks();
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = b.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}

std::vector<zq40emu::Report> writesOf(const zq40emu::Unit& unit, uint8_t msgId)
{
    std::vector<zq40emu::Report> found;
    for (const auto& r : unit.received())
        if (r.msgId() == msgId)
            found.push_back(r);
    return found;
}

// Waits for the first parameter write, then a little longer for any second.
std::vector<zq40emu::Report> parameterWritesAfterEdit(const zq40emu::Unit& unit)
{
    unit.waitForReceived(
        [](const auto& all) {
            for (const auto& r : all)
                if (r.msgId() == kMsgParameterWrite)
                    return true;
            return false;
        },
        std::chrono::seconds(5));
    QTest::qWait(150);
    return writesOf(unit, kMsgParameterWrite);
}

QString connectedState(MainWindow& window)
{
    return child<QFrame>(window, "frame_connected")->property("connected").toString();
}

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
    std::vector<zq40emu::Unit*> units;

    zq40emu::Unit& plug(const zq40emu::UnitConfig& config)
    {
        zq40emu::Unit& unit = bed->plug(config);
        units.push_back(&unit);
        return unit;
    }

private slots:
    void initTestCase()
    {
        bed = std::make_unique<zq40emu::Testbed>();
    }

    // A test that failed half-way leaves no unit behind for the next one.
    void cleanup()
    {
        for (zq40emu::Unit* unit : units) {
            if (unit->plugged())
                bed->unplug(*unit);
        }
        units.clear();
    }

    void cleanupTestCase()
    {
        bed.reset();
    }

    void unitGoesOnlineIsEditedAndFallsBackToOffline()
    {
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        const ParameterBlocks offlineBefore = window.currentDevice()->blocks;
        auto& unit = plug(unitConfig(61001, kRequiredFirmware));

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
        QTRY_COMPARE_WITH_TIMEOUT(record->blocks, unitBlocks(), 5000);
        QTRY_COMPARE(window.windowTitle(), QStringLiteral("Hall - (61001) - Working Online"));
        QCOMPARE(list->currentText(), QStringLiteral("Hall (61001)"));
        const auto sent = unit.received();
        int request = -1;
        int enumeration = -1;
        for (int i = 0; i < int(sent.size()); ++i) {
            if (sent[i].msgId() == kMsgParameterRequest && sent[i].bytes[5] == 0 && request < 0)
                request = i;
            if (sent[i].msgId() == kMsgChildEnumeration && request >= 0 && enumeration < 0)
                enumeration = i;
        }
        QVERIFY(request >= 0);
        QVERIFY(enumeration > request);

        // The blocks reach the controls, and moving them there sent nothing.
        QTRY_COMPARE(child<QSlider>(window, "hSlider_eq_lo_zone2")->value(), 3);
        QCOMPARE(child<QSlider>(window, "vSlider_pgm1_level")->value(), -20);
        QCOMPARE(child<QSlider>(window, "hSlider_level_zone_4")->value(), 25);
        QCOMPARE(child<QLineEdit>(window, "lineEdit_zone1")->text(), QStringLiteral("Bar"));
        QCOMPARE(child<QLabel>(window, "label_zones_linked_1")->text(), QStringLiteral("Zones 1-3 Linked"));
        QVERIFY(!child<QLabel>(window, "label_zones_linked_1")->isHidden());
        QVERIFY(writesOf(unit, kMsgParameterWrite).empty());

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

    void otherFirmwareShowsTheMismatchForm()
    {
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        auto& unit = plug(unitConfig(61002, kRequiredFirmware + 1));
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
        QVERIFY(writesOf(unit, kMsgParameterWrite).empty());
        bed->unplug(unit);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 5000);
        QVERIFY(child<QGroupBox>(window, "groupBox_zone_1")->isEnabled());
    }

    void startupFileKeepsTheFirstUnitUnselected()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        MainWindow window;
        window.openConfigFromPath(file.fileName());
        QVERIFY(!window.startupConfig().isEmpty());
        auto* list = child<QComboBox>(window, "comboBox_deviceList");

        auto& first = plug(unitConfig(61003, kRequiredFirmware));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(window.startupConfig().isEmpty());
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));

        auto& second = plug(unitConfig(61004, kRequiredFirmware));
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
