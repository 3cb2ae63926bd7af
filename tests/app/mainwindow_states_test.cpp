// The device list without units: the offline entry stays whatever the
// registry reports, and a received name block for a unit not shown changes
// neither the title nor the list.
#include "mainwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace zq40;

class MainWindowStatesTest : public QObject {
    Q_OBJECT

private slots:
    void offlineEntryIsNeverRemoved()
    {
        MainWindow window;
        auto* list = window.findChild<QComboBox*>(QStringLiteral("comboBox_deviceList"));
        QVERIFY(list);
        window.onDeviceOffline(window.currentDevice());
        window.onDeviceOffline(nullptr);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->itemText(0), QStringLiteral(" -- Offline -- "));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
    }

    void unknownUnitNameChangesNothing()
    {
        MainWindow window;
        QDevice stranger;
        ousb_device_info_t info{};
        info.ser = 77;
        stranger.pDeviceInfo = &info;
        window.onUpdateDeviceName(&stranger);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
    }

    void fullRefreshRewritesEveryName()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        b.setLabel(zoneLabel(5), "Deck");
        b.setLabel(groupLabel(2, 5), "Middle");
        // Block 4 holds zones 1 to 3 only; every name is redrawn all the same.
        window.onUpdateAllParameters(HIDR_ZONE_LABELS_1);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("lineEdit_zone5"))->text(), QStringLiteral("Deck"));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("lineEdit_zone25"))->text(), QStringLiteral("Middle"));
    }
};

QTEST_MAIN(MainWindowStatesTest)
#include "mainwindow_states_test.moc"
