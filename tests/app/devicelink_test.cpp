// The bridge and the registry against emulated units: which units are
// accepted, what is asked of them, how their reports are stored, children,
// and a shown unit that goes away.
#include "qdevices.h"

#include <zq40emu/zq40emu.h>

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

using namespace std::chrono_literals;

class FakeView final : public DeviceView {
public:
    QDevice* currentDevice() const override { return current; }
    void fallBackToOfflineDevice() override
    {
        journal.push_back("fallback");
        current = &offline;
    }
    QDevice offline;
    QDevice* current = &offline;
    QStringList journal;
};

zq40emu::Report parameterReport(uint8_t code, uint8_t fill)
{
    zq40emu::Report r{};
    r.bytes[0] = zq40emu::msg::kParamBlock;
    r.bytes[5] = 58;
    r.bytes[6] = code;
    for (size_t i = 7; i < r.bytes.size(); ++i)
        r.bytes[i] = uint8_t(fill + i);
    return r;
}

} // namespace

class DeviceLinkTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zq40emu::Testbed> bed;
    std::unique_ptr<FakeView> view;
    std::unique_ptr<QDevices> registry;
    uint32_t nextSerial = 50001;

    zq40emu::Unit& plug(uint32_t perID = 601, std::vector<zq40emu::ChildConfig> children = {})
    {
        zq40emu::UnitConfig config;
        config.version.perID = perID;
        config.version.ser = nextSerial++;
        config.status = 7;
        config.children = std::move(children);
        return bed->plug(config);
    }

    // Null when the unit was not taken in within 5 s.
    QDevice* waitForRecord(const zq40emu::Unit& unit)
    {
        QDevice* found = nullptr;
        QDeadlineTimer deadline(5000);
        while (!(found = recordOf(unit)) && !deadline.hasExpired())
            QTest::qWait(10);
        return found;
    }

    QDevice* recordOf(const zq40emu::Unit& unit)
    {
        for (const auto& [handle, device] : registry->all())
            if (device->pDeviceInfo && device->pDeviceInfo->ser == unit.config().version.ser)
                return device;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        bed = std::make_unique<zq40emu::Testbed>();
        view = std::make_unique<FakeView>();
        registry = std::make_unique<QDevices>(nullptr, view.get());
        ousb_EnumerateDevices();
    }

    void cleanup()
    {
        for (zq40emu::Unit* unit : bed->units())
            bed->unplug(*unit);
        QTRY_VERIFY_WITH_TIMEOUT(registry->all().empty(), 5000);
        view->current = &view->offline;
        view->journal.clear();
    }

    void acceptsTheMainUnitAndAsksItsStatus()
    {
        QSignalSpy online(registry.get(), &QDevices::DoNewDeviceOnline);
        QSignalSpy status(registry.get(), &QDevices::DoNewDeviceBootStatus);
        auto& unit = plug();
        QDevice* device = waitForRecord(unit);
        QVERIFY(device);
        QTRY_COMPARE(online.count(), 1);
        QCOMPARE(online.at(0).at(0).value<QDevice*>(), device);
        QTRY_COMPARE_WITH_TIMEOUT(status.count(), 1, 5000);
        QCOMPARE(device->status, uint8_t(7));
        QCOMPARE(device->bootloaderActive, uint8_t(0));

        bool asked = false;
        for (const auto& r : unit.received())
            if (r.msgId() == OUSB_MSG_STATUS) {
                QCOMPARE(r.tag(), 0u);
                QCOMPARE(int(r.bytes[5]), 0x80);
                asked = true;
            }
        QVERIFY(asked);
        // A new record holds the factory defaults, name included.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(device->blocks.deviceName.data())), QByteArray("Orlo ZQ40"));
    }

    void ignoresOtherUnits()
    {
        QSignalSpy online(registry.get(), &QDevices::DoNewDeviceOnline);
        auto& unit = plug(600);
        // The library asks for children after the connect has been handled
        // here: keep the event loop running while waiting.
        QTRY_VERIFY_WITH_TIMEOUT(
            !unit.received().empty() && unit.received().back().msgId() == OUSB_MSG_ENUMERATE_CHILDREN, 5000);
        unit.pushBlock(zq40::HIDR_ZONE_PARAMS);
        QTest::qWait(200);
        QCOMPARE(online.count(), 0);
        QVERIFY(registry->all().empty());
        for (const auto& r : unit.received())
            QVERIFY(r.msgId() != OUSB_MSG_STATUS);
    }

    void storesEveryBlockByItsCode()
    {
        auto& unit = plug();
        QDevice* device = waitForRecord(unit);
        QVERIFY(device);
        view->current = device;
        QSignalSpy updates(registry.get(), &QDevices::DoUpdateAllParameters);
        QSignalSpy names(registry.get(), &QDevices::DoUpdateDeviceName);

        const uint8_t codes[] = {1, 2, 3, 11, 14, 16, 15, 20, 0};
        for (uint8_t code : codes)
            unit.sendReport(parameterReport(code, code));
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), int(std::size(codes)), 5000);
        for (size_t i = 0; i < std::size(codes); ++i)
            QCOMPARE(int(updates.at(int(i)).at(0).value<zq40::hidr_t>()), int(codes[i]));
        QCOMPARE(names.count(), 1);

        auto expect = [](uint8_t fill, size_t i) { return uint8_t(fill + 7 + i); };
        QCOMPARE(device->blocks.zoneParams[47], expect(1, 47));
        QCOMPARE(device->blocks.inputsPaging[44], expect(3, 44));
        QCOMPARE(device->blocks.deviceName[29], expect(11, 29));
        QCOMPARE(device->blocks.zoneLinks[7], expect(14, 7));
        // Code 16 arrived after code 2: both land in the zone levels copy.
        QCOMPARE(device->blocks.zoneLevels[0], expect(16, 0));
        QCOMPARE(device->blocks.zoneLevels[47], expect(16, 47));
    }

    void storesReportsOfAnUnshownUnitQuietly()
    {
        auto& unit = plug();
        QDevice* device = waitForRecord(unit);
        QVERIFY(device);
        QSignalSpy updates(registry.get(), &QDevices::DoUpdateAllParameters);
        QSignalSpy names(registry.get(), &QDevices::DoUpdateDeviceName);
        unit.sendReport(parameterReport(11, 40));
        QTRY_COMPARE(names.count(), 1);
        QCOMPARE(updates.count(), 0);
        QCOMPARE(device->blocks.deviceName[0], uint8_t(47));

        zq40emu::Report own = parameterReport(1, 9);
        own.bytes[0] = OUSB_MSG_PARAMETER_WRITE; // the program's own message changes nothing
        const auto before = device->blocks.zoneParams;
        unit.sendReport(own);
        unit.sendReport(parameterReport(11, 41));
        QTRY_COMPARE(names.count(), 2);
        QCOMPARE(device->blocks.zoneParams, before);
    }

    void keepsChildrenByKey()
    {
        auto& unit = plug(601, {zq40emu::pagingStation(0x01020006), zq40emu::remote(258, 200, 0x01030019)});
        QDevice* device = waitForRecord(unit);
        QVERIFY(device);
        QSignalSpy remotes(registry.get(), &QDevices::DoUpdateRemotesList);
        ousb_EnumerateChildDevices(device->devHandle);
        QTRY_COMPARE_WITH_TIMEOUT(device->children.size(), 2, 5000);
        // The key reads childID byte 0 as the high byte, as the unit sends it.
        QVERIFY(device->children.contains(257));
        QVERIFY(device->children.contains(258));
        QCOMPARE(device->children.value(258)->parentDevHandle, device->devHandle);

        remotes.clear();
        unit.disconnectChild(258);
        QTRY_COMPARE(remotes.count(), 1);
        QCOMPARE(device->children.size(), 1);
        // A child that is not listed (the library passes only known ones):
        // still a signal; for a unit that is not listed, none.
        ousb_child_device_info_t stranger{};
        stranger.childID[0] = 0x09;
        registry->OnChildDeviceDisconnect(device->devHandle, &stranger);
        QCOMPARE(remotes.count(), 2);
        int elsewhere = 0;
        registry->OnChildDeviceDisconnect(&elsewhere, &stranger);
        QCOMPARE(remotes.count(), 2);
    }

    void shownUnitThatGoesAwayFallsBackToOffline()
    {
        auto& unit = plug();
        QDevice* device = waitForRecord(unit);
        QVERIFY(device);
        view->current = device;
        QSignalSpy offline(registry.get(), &QDevices::DoDeviceOffline);
        connect(registry.get(), &QDevices::DoDeviceOffline, this, [this] { view->journal.push_back("offline"); });
        bed->unplug(unit);
        QTRY_COMPARE_WITH_TIMEOUT(offline.count(), 1, 5000);
        QCOMPARE(view->journal, QStringList({"fallback", "offline"}));
        QCOMPARE(view->current, &view->offline);
        QVERIFY(registry->all().empty());
    }

    void lateEventsAfterTheRegistryAreHarmless()
    {
        auto& unit = plug();
        QVERIFY(waitForRecord(unit));
        unit.flood(200);
        registry.reset(); // while reports are still arriving
        QTest::qWait(300);
        bed->unplug(unit);
        QTest::qWait(200);
        registry = std::make_unique<QDevices>(nullptr, view.get());
        auto& again = plug();
        ousb_EnumerateDevices();
        QVERIFY(waitForRecord(again));
    }
};

QTEST_GUILESS_MAIN(DeviceLinkTest)
#include "devicelink_test.moc"
