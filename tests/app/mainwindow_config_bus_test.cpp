// The configuration buttons with a unit shown: what a file or the factory
// defaults make of the unit's record, and which blocks reach the unit in
// which order; a unit that leaves in the middle leaves the window whole.
#include "window_on_bus.h"

#include "modal_answers.h"
#include "zone_links.h"

#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace zq40;
using namespace window_on_bus;

namespace {

ParameterBlocks unlinkedBlocks()
{
    ParameterBlocks b = hallBlocks();
    b.clearZoneLinks();
    return b;
}

// The codes of the parameter blocks the unit received, in order.
std::vector<hidr_t> writtenCodes(const zq40emu::Unit& unit)
{
    std::vector<hidr_t> codes;
    for (const auto& r : writesOf(unit, OUSB_MSG_PARAMETER_WRITE))
        codes.push_back(hidr_t(r.bytes[kCodeOffset]));
    return codes;
}

template <size_t N>
std::vector<hidr_t> asVector(const std::array<hidr_t, N>& codes)
{
    return {codes.begin(), codes.end()};
}

void press(QWidget& window, const char* button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace

class MainWindowConfigBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;
    QTemporaryDir files;

    zq40emu::Unit* plugAndShow(MainWindow& window, const zq40emu::UnitConfig& config)
    {
        zq40emu::Unit& unit = bed->plug(config);
        const bool shown = QTest::qWaitFor(
            [&] {
                QDevice* record = recordOf(window, config.version.ser);
                return record && window.currentDevice() == record && record->blocks.deviceNameText() == "Hall" &&
                    unit.receivedCount() >= 3;
            },
            5000);
        QTest::qWait(100);
        unit.clearReceived();
        return shown ? &unit : nullptr;
    }

    QString fileWith(const char* name, const QByteArray& elements)
    {
        const QString path = files.filePath(QString::fromLatin1(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("<Parameters>" + elements + "</Parameters>");
        return path;
    }

private slots:
    void initTestCase()
    {
        // The file dialogs keep their history in the user's settings.
        QVERIFY(files.isValid());
        qputenv("XDG_CONFIG_HOME", files.path().toLocal8Bit());
        bed = std::make_unique<zq40emu::Testbed>();
    }

    void cleanup() { unplugAll(*bed); }

    void cleanupTestCase() { bed.reset(); }

    // A file naming one zone: defaults everywhere else, the unit's name kept,
    // fourteen blocks with the links last.
    void openOntoAUnit()
    {
        MainWindow window;
        ModalAnswers answers;
        zq40emu::Unit* unit = plugAndShow(window, unitConfig(63001, kRequiredFirmware, unlinkedBlocks()));
        QVERIFY(unit);
        answers.chooseFile(fileWith("zone2.zq40", R"(<Zone2 EQMid="-3" Source="4"/>)"));
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen, QStringList{"Select Config File"}); // no "Linked Zones" message

        ParameterBlocks expected = unlinkedBlocks();
        expected.setDefaultParameters(true);
        expected.set(zoneSetting(2, ZoneSetting::EQMid), -3);
        expected.set(zoneLevel(2, ZoneLevel::Source), 4);
        const ParameterBlocks& record = window.currentDevice()->blocks;
        QCOMPARE(record.deviceNameText(), std::string("Hall"));
        QCOMPARE(record, expected);
        QVERIFY(unit->waitForReceived([](const auto& all) { return all.size() >= 14; }, std::chrono::seconds(5)));
        QTest::qWait(100);
        QCOMPARE(writtenCodes(*unit), asVector(kOpenConfigSends));
        for (uint8_t code : zq40emu::kBlockCodes) {
            const auto block = record.block(code);
            QCOMPARE(unit->block(code), std::vector<uint8_t>(block.begin(), block.end()));
        }
        QCOMPARE(child<QSlider>(window, "hSlider_eq_mid_zone2")->value(), -3);
    }

    // Zones 1-2 linked on the unit: zone 2 follows zone 1, and the user is
    // told that settings may have been adjusted.
    void openOntoLinkedZones()
    {
        MainWindow window;
        ModalAnswers answers;
        ParameterBlocks blocks = unlinkedBlocks();
        blocks.setZonesLinked(1, true);
        zq40emu::Unit* unit = plugAndShow(window, unitConfig(63002, kRequiredFirmware, blocks));
        QVERIFY(unit);
        answers.chooseFile(
            fileWith("linked.zq40", R"(<Zone1 Source="2" Level="-10"/><Zone2 Source="5" Level="-30"/>)"));
        answers.press(QMessageBox::Ok);
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(),
                 QStringLiteral("Linked Zones: Some settings may have been adjusted to match Linked Zones."));
        const ParameterBlocks& record = window.currentDevice()->blocks;
        QCOMPARE(record.get(zoneLevel(2, ZoneLevel::Source)), record.get(zoneLevel(1, ZoneLevel::Source)));
        QCOMPARE(record.get(zoneLevel(2, ZoneLevel::Source)), 2);
        QCOMPARE(record.levelPosition(2), record.levelPosition(1));
        QVERIFY(record.zonesLinked(1));
        QVERIFY(unit->waitForReceived([](const auto& all) { return all.size() >= 14; }, std::chrono::seconds(5)));
        QCOMPARE(writtenCodes(*unit).back(), HIDR_ZONE_LINKS);
    }

    void newOnAUnit()
    {
        MainWindow window;
        ModalAnswers answers;
        zq40emu::Unit* unit = plugAndShow(window, unitConfig(63003, kRequiredFirmware));
        QVERIFY(unit);
        QDevice* record = window.currentDevice();

        // " No, Work Offline ": a fresh offline record, the unit untouched.
        answers.press(QStringLiteral(" No, Work Offline "));
        press(window, "pushButton_new_config");
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), QStringLiteral(": Would you like to restore Factory Defaults?"));
        QCOMPARE(child<QComboBox>(window, "comboBox_deviceList")->currentIndex(), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlo ZQ40 - Working Offline"));
        QCOMPARE(window.currentDevice()->blocks.deviceNameText(), std::string("Orlo ZQ40"));
        QVERIFY(!anyZonesLinked(window.currentDevice()->blocks));
        QCOMPARE(record->blocks, hallBlocks());
        QTest::qWait(100);
        QVERIFY(writesOf(*unit, OUSB_MSG_PARAMETER_WRITE).empty());

        // Back to the unit; Yes: factory defaults with the name kept.
        child<QComboBox>(window, "comboBox_deviceList")->setCurrentIndex(1);
        QCOMPARE(window.currentDevice(), record);
        answers.press(QMessageBox::Yes);
        press(window, "pushButton_new_config");
        QVERIFY(answers.allAnswered());
        ParameterBlocks expected = hallBlocks();
        expected.setDefaultParameters(true);
        QCOMPARE(record->blocks, expected);
        QCOMPARE(record->blocks.deviceNameText(), std::string("Hall"));
        QVERIFY(unit->waitForReceived([](const auto& all) { return all.size() >= 14; }, std::chrono::seconds(5)));
        QTest::qWait(100);
        QCOMPARE(writtenCodes(*unit), asVector(kNewConfigSends));

        // Cancel does nothing.
        unit->clearReceived();
        answers.press(QMessageBox::Cancel);
        press(window, "pushButton_new_config");
        QTest::qWait(100);
        QVERIFY(writesOf(*unit, OUSB_MSG_PARAMETER_WRITE).empty());
        QCOMPARE(window.currentDevice(), record);
    }

    // The cable goes after the fifth of the fourteen sends.
    void unitPulledDuringOpen()
    {
        MainWindow window;
        ModalAnswers answers;
        zq40emu::Unit* unit = plugAndShow(window, unitConfig(63004, kRequiredFirmware, unlinkedBlocks()));
        QVERIFY(unit);
        const ParameterBlocks offlineBefore =
            window.findChild<QComboBox*>("comboBox_deviceList")->itemData(0).value<QDevice*>()->blocks;
        zq40emu::Faults yank;
        yank.unplugAfterReports = 5;
        unit->setFaults(yank);
        answers.chooseFile(fileWith("pulled.zq40", R"(<Zone3 EQLo="2"/>)"));
        press(window, "pushButton_open_config");
        QVERIFY(answers.allAnswered());
        QTRY_VERIFY_WITH_TIMEOUT(backOffline(window), 5000);
        // The rest of the file went nowhere: the offline record is as it was.
        QCOMPARE(window.currentDevice()->blocks, offlineBefore);
    }
};

QTEST_MAIN(MainWindowConfigBusTest)
#include "mainwindow_config_bus_test.moc"
