// The window's state where it follows from what the window showed before:
// what the remotes pass and the fall back leave alone, and the open-config
// text a unit on other firmware keeps.
#include "presentation.h"
#include "qdevice.h"
#include "unit_records.h"

#include <QTest>

using namespace zq40;

namespace {

const uint32_t currentUnit = version(1, 1, 1, 47);

// Nothing a remotes pass sets: what it leaves shows as it was.
WindowState marked()
{
    WindowState s;
    s.title = QStringLiteral("title");
    s.openConfigText = QStringLiteral("open");
    s.frame.label = ConnectionLabel::Offline;
    s.frame.connection = Connection::No;
    s.frame.updateOffered = true;
    s.frame.serial = QStringLiteral("serial");
    return s;
}

WindowState passed(const QDevice& record, bool updateRunning = false)
{
    return windowState(marked(), WindowEvent::RemotesPassed, record, updateRunning);
}

} // namespace

class WindowStateTest : public QObject {
    Q_OBJECT

private slots:
    void remotesPassLeavesWhatItDoesNotDecide()
    {
        QVERIFY(passed(QDevice()) == marked());
        Unit withoutRecord(currentUnit, 1);
        withoutRecord.device.pDeviceInfo = nullptr;
        QVERIFY(passed(withoutRecord.device) == marked());

        Unit oldChild(currentUnit, 1);
        oldChild.attach(258, 200, version(1, 3, 0, 25));
        QVERIFY(passed(oldChild.device, true) == marked());

        Unit oldUnit(version(1, 1, 1, 48), 2);
        oldUnit.attach(263, 202, version(1, 4, 0, 35));
        QVERIFY(passed(oldUnit.device) == marked());

        WindowState expected = marked();
        oldUnit.attach(257, 200, version(1, 3, 0, 26));
        expected.frame.connection = Connection::Mismatch;
        QVERIFY(passed(oldUnit.device) == expected);

        Unit revision2(currentUnit, 2);
        revision2.attach(258, 200, version(1, 3, 0, 25));
        expected = marked();
        expected.editingAllowed = false;
        QVERIFY(passed(revision2.device) == expected);
    }

    void fallBackChangesOnlyTheTitle()
    {
        WindowState expected = marked();
        expected.title = QStringLiteral("Orlo ZQ40 - Offline");
        QVERIFY(windowState(marked(), WindowEvent::FellBackOffline, QDevice(), false) == expected);
    }

    void otherFirmwareKeepsTheOpenConfigText()
    {
        Unit online(currentUnit, 1);
        Unit other(version(1, 1, 1, 46), 1);
        const WindowState offline = windowState({}, WindowEvent::RecordChosen, QDevice(), false);
        const WindowState fromOffline = windowState(offline, WindowEvent::RecordChosen, other.device, false);
        QCOMPARE(fromOffline.openConfigText, QStringLiteral("Open Config"));
        QVERIFY(!fromOffline.editingAllowed);

        const WindowState unit = windowState(offline, WindowEvent::RecordChosen, online.device, false);
        const WindowState fromUnit = windowState(unit, WindowEvent::RecordChosen, other.device, false);
        QCOMPARE(fromUnit.openConfigText, QStringLiteral("Load Config"));
        QCOMPARE(fromUnit.title, QStringLiteral("Orlo ZQ40 - Firmware Mismatch"));
    }
};

QTEST_APPLESS_MAIN(WindowStateTest)
#include "window_state_test.moc"
