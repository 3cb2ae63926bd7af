// The window with emulated units that misbehave or go away at awkward
// moments, and units whose children decide the presentation: after each case
// the device list holds the offline entry and exactly the registry's records,
// and the window shows one of them.
#include "window_on_bus.h"

#include "dialog.h"
#include "report_codec.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <memory>

using namespace zq40;
using namespace window_on_bus;

namespace {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

Dialog* priorityDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<Dialog*>(w))
            return d;
    return nullptr;
}

} // namespace

class MainWindowFaultsBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;

    // Plugs a unit and waits until its blocks reached its record; null when
    // they did not come.
    zq40emu::Unit* plugAndShow(MainWindow& window, const zq40emu::UnitConfig& config)
    {
        zq40emu::Unit& unit = bed->plug(config);
        const bool shown = QTest::qWaitFor(
            [&] {
                QDevice* record = recordOf(window, config.version.ser);
                return record && record->blocks.deviceNameText() == "Hall";
            },
            5000);
        return shown ? &unit : nullptr;
    }

private slots:
    void initTestCase() { bed = std::make_unique<zq40emu::Testbed>(); }

    void cleanup() { unplugAll(*bed); }

    void cleanupTestCase() { bed.reset(); }

    void childrenDecideThePresentation()
    {
        MainWindow window;
        zq40emu::UnitConfig config = unitConfig(62001, kRequiredFirmware);
        config.version.word1 = 1;
        config.children = {zq40emu::pagingStation(version(1, 2, 0, 6)),
                           zq40emu::remote(260, zq40emu::kRemoteModel200, version(1, 3, 0, 25)),
                           zq40emu::remote(264, zq40emu::kRemoteModel200, version(1, 3, 0, 26))};
        zq40emu::Unit* shown = plugAndShow(window, config);
        QVERIFY(shown);
        auto& unit = *shown;

        auto* pager = child<QLabel>(window, "lbl_dr_status_value_pager");
        auto* zone3 = child<QLabel>(window, "lbl_dr_status_value_3");
        auto* master = child<QLabel>(window, "lbl_dr_status_value_m");
        QTRY_COMPARE_WITH_TIMEOUT(zone3->text(), QStringLiteral("FW Mismatch (Tilo1)"), 5000);
        QTRY_COMPARE(pager->text(), QStringLiteral("Calla2 Online"));
        QTRY_COMPARE(master->text(), QStringLiteral("Unsupported"));
        QCOMPARE(zone3->toolTip(), QStringLiteral("1.3.0.25 r.1"));
        QCOMPARE(zone3->property("online").toString(), QStringLiteral("mismatch"));
        QCOMPARE(master->property("online").toString(), QStringLiteral("mismatch"));
        QCOMPARE(child<QLabel>(window, "lbl_dr_status_value_1")->text(), QStringLiteral("Not Connected"));
        // An outdated remote on a unit of revision 1 calls for an update.
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("FW Mismatch"));
        QCOMPARE(connectedState(window), QStringLiteral("mismatch"));
        QVERIFY(!child<QPushButton>(window, "pushButton_firmware")->isHidden());
        QVERIFY(!child<QGroupBox>(window, "groupBox_zone_1")->isEnabled());

        // The outdated remote leaves: the master's "Unsupported" alone does
        // not keep the unit from being connected.
        unit.disconnectChild(260);
        QTRY_COMPARE_WITH_TIMEOUT(zone3->text(), QStringLiteral("Not Connected"), 5000);
        QCOMPARE(master->text(), QStringLiteral("Unsupported"));
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("Connected"));
        QCOMPARE(connectedState(window), QStringLiteral("true"));
        QVERIFY(child<QPushButton>(window, "pushButton_firmware")->isHidden());
        QVERIFY(child<QGroupBox>(window, "groupBox_zone_1")->isEnabled());

        // A model the library does not know, and a key no slot shows.
        unit.connectChild(zq40emu::remote(259, 999, version(1, 0, 0, 1)));
        unit.connectChild(zq40emu::remote(300, zq40emu::kRemoteModel200, version(1, 0, 0, 1)));
        auto* zone2 = child<QLabel>(window, "lbl_dr_status_value_2");
        QTRY_COMPARE_WITH_TIMEOUT(zone2->text(), QStringLiteral("Unsupported"), 5000);
        QCOMPARE(zone2->toolTip(), QStringLiteral("1.0.0.1 r.1"));
        QTRY_COMPARE_WITH_TIMEOUT(window.currentDevice()->children.size(), qsizetype(4), 5000);
        for (const char* name :
             {"lbl_dr_status_value_1", "lbl_dr_status_value_4", "lbl_dr_status_value_5", "lbl_dr_status_value_6"})
            QCOMPARE(child<QLabel>(window, name)->text(), QStringLiteral("Not Connected"));
        QCOMPARE(child<QLabel>(window, "label_connected")->text(), QStringLiteral("Connected"));

        bed->unplug(unit);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        QCOMPARE(zone2->text(), QStringLiteral("n/a"));
        QCOMPARE(master->text(), QStringLiteral("n/a"));
    }

    // A unit whose status query hangs is listed and shown from its version
    // alone; it is never asked for its blocks.
    void unitThatNeverAnswersItsStatus()
    {
        MainWindow window;
        zq40emu::UnitConfig config = unitConfig(62002, kRequiredFirmware);
        config.faults.ignoredMsgIds = {OUSB_MSG_STATUS};
        auto& unit = bed->plug(config);
        QTRY_VERIFY_WITH_TIMEOUT(recordOf(window, 62002) != nullptr, 5000);
        QTRY_COMPARE(window.currentDevice(), recordOf(window, 62002));
        QVERIFY(unit.waitForReceived(
            [](const auto& all) {
                for (const auto& r : all)
                    if (r.msgId() == OUSB_MSG_STATUS)
                        return true;
                return false;
            },
            std::chrono::seconds(5)));
        QTest::qWait(300);
        QVERIFY(writesOf(unit, OUSB_MSG_PARAMETER_REPORT).empty());
        QCOMPARE(child<QLabel>(window, "lbl_serial_value")->text(), QStringLiteral("62002"));
        QCOMPARE(connectedState(window), QStringLiteral("true"));
        QVERIFY(listMatchesRegistry(window));

        bed->unplug(unit);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
    }

    // A name filling its whole block is shown in full, and no further.
    void nameWithoutNul()
    {
        MainWindow window;
        ParameterBlocks blocks = hallBlocks();
        std::fill(blocks.deviceName.begin(), blocks.deviceName.end(), uint8_t('N'));
        auto& unit = bed->plug(unitConfig(62003, kRequiredFirmware, blocks));
        const QString name(int(blocks.deviceName.size()), QLatin1Char('N'));
        QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), name + QStringLiteral(" - (62003) - Working Online"), 5000);
        QCOMPARE(child<QComboBox>(window, "comboBox_deviceList")->currentText(), name + QStringLiteral(" (62003)"));
        // The name's edit box holds as many characters as a name may have.
        auto* edit = child<QLineEdit>(window, "lineEdit_deviceName");
        QTRY_COMPARE(edit->text(), name.left(edit->maxLength()));
        bed->unplug(unit);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
    }

    // The cable goes at the status request, the parameter request or the
    // child enumeration of a unit's start, while its blocks and children
    // are still on their way. The library asks for the version first and
    // for the children once the unit is announced.
    void pulledWhileItsBlocksArrive_data()
    {
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("lastMsgId");
        QTest::newRow("at the status request") << 2 << int(OUSB_MSG_STATUS);
        QTest::newRow("at the parameter request") << 4 << int(OUSB_MSG_PARAMETER_REPORT);
        QTest::newRow("at the child enumeration") << 5 << int(OUSB_MSG_ENUMERATE_CHILDREN);
    }

    void pulledWhileItsBlocksArrive()
    {
        QFETCH(int, writes);
        QFETCH(int, lastMsgId);
        MainWindow window;
        const ParameterBlocks offlineBefore = window.currentDevice()->blocks;
        zq40emu::UnitConfig config = unitConfig(62004, kRequiredFirmware);
        config.faults.unplugAfterReports = writes;
        auto& unit = bed->plug(config);
        QTRY_VERIFY_WITH_TIMEOUT(unit.receivedCount() >= size_t(writes) && !unit.plugged(), 5000);
        QCOMPARE(int(unit.received()[size_t(writes) - 1].msgId()), lastMsgId);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        QCOMPARE(window.currentDevice()->blocks, offlineBefore);
        QCOMPARE(child<QSlider>(window, "hSlider_eq_lo_zone2")->value(),
                 int(offlineBefore.get(zoneSetting(2, ZoneSetting::EQLo))));
    }

    // The cable goes in the middle of a fader sweep: the writes after it
    // fail at once and the window falls back to the offline record.
    void pulledInTheMiddleOfAnEdit()
    {
        MainWindow window;
        const ParameterBlocks offlineBefore = window.currentDevice()->blocks;
        zq40emu::Unit* shown = plugAndShow(window, unitConfig(62005, kRequiredFirmware));
        QVERIFY(shown);
        auto& unit = *shown;
        zq40emu::Faults yank;
        yank.unplugAfterReports = 3;
        unit.setFaults(yank);
        auto* fader = child<QSlider>(window, "hSlider_level_zone_5");
        QElapsedTimer sweep;
        sweep.start();
        for (int step = 1; step <= 20; ++step)
            fader->setValue(step * 5);
        // A write to a unit that is gone fails at once rather than waiting
        // out the library's time limit.
        QVERIFY2(sweep.elapsed() < 4000, qPrintable(QString::number(sweep.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        // The window may have fallen back while the sweep went on: its last
        // steps then moved the offline fader, and nothing else.
        const ParameterBlocks& offline = window.currentDevice()->blocks;
        ParameterBlocks expected = offlineBefore;
        expected.setLevelPosition(5, offline.levelPosition(5));
        expected.updateLevel(5);
        QCOMPARE(offline, expected);
        QCOMPARE(fader->value(), int(offline.levelPosition(5)));

        // Edits now belong to the offline record and stay on the host.
        fader->setValue(40);
        QCOMPARE(window.currentDevice()->blocks.levelPosition(5), 40.0f);
    }

    // The priority dialog outlives the unit it was editing: afterwards it
    // shows and edits the offline record.
    void pulledWhileThePriorityDialogIsOpen()
    {
        MainWindow window;
        zq40emu::Unit* shown = plugAndShow(window, unitConfig(62006, kRequiredFirmware));
        QVERIFY(shown);
        auto& unit = *shown;
        Dialog* dialog = priorityDialog();
        QVERIFY(dialog);
        dialog->show();
        auto* threshold = dialog->findChild<QSlider*>("vSlider_pgm6_thresh_value");
        QVERIFY(threshold);
        unit.clearReceived();
        threshold->setValue(-30);
        const auto writes = parameterWritesAfterEdit(unit);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].bytes[kCodeOffset], uint8_t(HIDR_INPUTS_PAGING));

        bed->unplug(unit);
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        const ParameterBlocks& offline = window.currentDevice()->blocks;
        QCOMPARE(threshold->value(), int(offline.get(kPriorityThreshold)));
        threshold->setValue(-12);
        QCOMPARE(offline.get(kPriorityThreshold), -12);
        QVERIFY(dialog->isVisible());
        dialog->hide();
    }
};

QTEST_MAIN(MainWindowFaultsBusTest)
#include "mainwindow_faults_bus_test.moc"
