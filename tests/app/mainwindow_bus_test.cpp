// The window as the program builds it, with an emulated unit plugged in:
// the registry it owns takes the unit in and asks its status, the window
// shows the unit's record, and the offline record stays as it was.
#include "mainwindow.h"

#include <zq40emu/zq40emu.h>

#include <QtTest>

class MainWindowBusTest : public QObject {
    Q_OBJECT

private slots:
    void unitsGetARecordAndAStatusRequest()
    {
        zq40emu::Testbed bed;
        MainWindow window;
        const zq40::ParameterBlocks offlineBefore = window.currentDevice()->blocks;

        zq40emu::UnitConfig config;
        config.version.ser = 61001;
        auto& unit = bed.plug(config);
        QTRY_COMPARE_WITH_TIMEOUT(window.deviceRegistry().all().size(), size_t(1), 5000);
        QDevice* record = window.deviceRegistry().all().begin()->second;
        QCOMPARE(record->pDeviceInfo->ser, 61001u);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const auto& r : unit.received())
                    if (r.msgId() == OUSB_MSG_STATUS && r.tag() == 0 && r.bytes[5] == 0x80)
                        return true;
                return false;
            }(),
            5000);

        // The unit's reports go to its own record, which the window shows.
        unit.pushBlock(zq40::HIDR_DEVICE_NAME);
        QTRY_COMPARE(record->blocks.deviceName[0], uint8_t(0)); // the emulated unit's blocks start zeroed
        QCOMPARE(window.currentDevice(), record);

        bed.unplug(unit);
        QTRY_VERIFY_WITH_TIMEOUT(window.deviceRegistry().all().empty(), 5000);
        QCOMPARE(window.currentDevice()->blocks, offlineBefore);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
    }
};

QTEST_MAIN(MainWindowBusTest)
#include "mainwindow_bus_test.moc"
