// How units and children are presented, and what the firmware button
// decides: the slot table, child versions and their text, the state of each
// slot, of the unit as a whole and in the words scripts read, and which
// devices an update reaches.
#include "child_update_rules.h"
#include "presentation.h"
#include "qdevice.h"
#include "report_codec.h"
#include "unit_records.h"

#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

using namespace zq40;

Q_DECLARE_METATYPE(zq40::RemoteState)
Q_DECLARE_METATYPE(zq40::UnitState)

namespace {

ousb_child_device_info_t child(uint32_t model, uint32_t ver, uint32_t revision = 0)
{
    return childRecord(model, ver, revision);
}

enum Slot { pager, zone1, zone2, zone3, zone4, zone5, zone6, master };

} // namespace

class PresentationTest : public QObject {
    Q_OBJECT

private slots:
    void slotsInDisplayOrder();
    void expectedVersionsAreTheCatalogues();
    void versionText();
    void versionAndRevisionAreLittleEndianWords();
    void slotState_data();
    void slotState();
    void mainUnitNeedsTheExactVersion();
    void unitState_data();
    void unitState();
    void statesInWords();
    void mainUnitStep();
    void childUpdatesFollowTheSlotsAndTheMajorVersion();
    void selectorReadsTheChildIdLittleEndian();
};

void PresentationTest::slotsInDisplayOrder()
{
    const char* labels[] = {"lbl_dr_status_value_pager", "lbl_dr_status_value_1", "lbl_dr_status_value_2",
                            "lbl_dr_status_value_3",     "lbl_dr_status_value_4", "lbl_dr_status_value_5",
                            "lbl_dr_status_value_6",     "lbl_dr_status_value_m"};
    for (size_t i = 0; i < kRemoteSlots.size(); ++i) {
        QCOMPARE(kRemoteSlots[i].key, uint16_t(257 + i));
        QCOMPARE(kRemoteSlots[i].label, labels[i]);
    }
    QVERIFY(kRemoteSlots[pager].pagingStation);
    for (int s = zone1; s <= master; ++s)
        QVERIFY(!kRemoteSlots[s].pagingStation);
}

void PresentationTest::expectedVersionsAreTheCatalogues()
{
    QCOMPARE(carriedFirmware(601), version(1, 1, 1, 47));
    QCOMPARE(carriedFirmware(502), version(1, 2, 0, 6));
    QCOMPARE(carriedFirmware(200), version(1, 3, 0, 26));
    QCOMPARE(carriedFirmware(202), version(1, 4, 0, 35));
}

void PresentationTest::versionText()
{
    ousb_child_device_info_t c = child(202, 0, 0);
    const uint8_t bytes[] = {3, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 35, 0, 4, 1};
    std::memcpy(c.info, bytes, sizeof bytes);
    QCOMPARE(childVersionText(c), QStringLiteral("1.4.0.35 r.3"));
    // Unsigned throughout: top bits set in either word.
    QCOMPARE(childVersionText(child(200, version(255, 128, 0, 200), 0xFFFFFFFF)),
             QStringLiteral("255.128.0.200 r.4294967295"));
    QCOMPARE(childVersionText(child(200, 0, 0)), QStringLiteral("0.0.0.0 r.0"));
}

void PresentationTest::versionAndRevisionAreLittleEndianWords()
{
    const ousb_child_device_info_t c = child(200, version(1, 3, 0, 26), 0x01020304);
    QCOMPARE(childVersion(c), version(1, 3, 0, 26));
    QCOMPARE(childRevision(c), 0x01020304u);
    QCOMPARE(int(c.info[8]), 26);
    QCOMPARE(int(c.info[11]), 1);
}

void PresentationTest::slotState_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("present");
    QTest::addColumn<uint>("model");
    QTest::addColumn<uint>("ver");
    QTest::addColumn<RemoteState>("state");

    const auto N = RemoteState::NotConnected;
    const auto U = RemoteState::Unsupported;
    const auto F = RemoteState::FirmwareMismatch;
    const auto O = RemoteState::Online;
    QTest::newRow("nothing on the pager's key") << int(pager) << false << 0u << 0u << N;
    QTest::newRow("nothing on the master's key") << int(master) << false << 0u << 0u << N;
    QTest::newRow("pager current") << int(pager) << true << 502u << version(1, 2, 0, 6) << O;
    QTest::newRow("pager one below") << int(pager) << true << 502u << version(1, 2, 0, 5) << F;
    QTest::newRow("pager newer") << int(pager) << true << 502u << version(1, 3, 0, 0) << O;
    QTest::newRow("remote on the pager's key") << int(pager) << true << 202u << version(1, 4, 0, 35) << U;
    QTest::newRow("200 on zone 3, one below") << int(zone3) << true << 200u << version(1, 3, 0, 25) << F;
    QTest::newRow("200 on zone 3, current") << int(zone3) << true << 200u << version(1, 3, 0, 26) << O;
    QTest::newRow("200 on zone 3, 1.4.0.0") << int(zone3) << true << 200u << version(1, 4, 0, 0) << O;
    QTest::newRow("200 on zone 1, far below") << int(zone1) << true << 200u << version(0, 9, 9, 99) << F;
    QTest::newRow("202 on zone 6, one below") << int(zone6) << true << 202u << version(1, 4, 0, 34) << F;
    QTest::newRow("202 on zone 6, current") << int(zone6) << true << 202u << version(1, 4, 0, 35) << O;
    // A 200 needs only 1.3.0.26, not the 202's 1.4.0.35.
    QTest::newRow("200 judged by its own model") << int(zone2) << true << 200u << version(1, 3, 5, 0) << O;
    QTest::newRow("pager on a zone key") << int(zone4) << true << 502u << version(1, 2, 0, 6) << U;
    QTest::newRow("unknown model on a zone key") << int(zone5) << true << 999u << version(9, 9, 9, 9) << U;
    QTest::newRow("200 on the master's key") << int(master) << true << 200u << version(1, 3, 0, 26) << U;
    QTest::newRow("202 on the master's key") << int(master) << true << 202u << version(1, 4, 0, 35) << O;
    QTest::newRow("202 master below") << int(master) << true << 202u << version(1, 4, 0, 0) << F;
    // Compared unsigned: a top byte of 128 or more is newer, not negative.
    QTest::newRow("top byte set") << int(zone1) << true << 202u << version(200, 0, 0, 0) << O;
}

void PresentationTest::slotState()
{
    QFETCH(int, slot);
    QFETCH(bool, present);
    QFETCH(uint, model);
    QFETCH(uint, ver);
    QFETCH(RemoteState, state);
    const ousb_child_device_info_t c = child(model, ver, 7);
    QCOMPARE(remoteState(kRemoteSlots[slot], present ? &c : nullptr), state);
}

void PresentationTest::mainUnitNeedsTheExactVersion()
{
    for (uint32_t word5 : {version(1, 1, 1, 47), version(1, 1, 1, 46), version(1, 1, 1, 48), 0u}) {
        Unit unit(word5, 1);
        QCOMPARE(runsCarriedFirmware(unit.info), word5 == version(1, 1, 1, 47));
        QCOMPARE(presentationOf(unit.device),
                 word5 == version(1, 1, 1, 47) ? Presentation::Online : Presentation::FirmwareMismatch);
    }
    QDevice offline;
    QCOMPARE(presentationOf(offline), Presentation::WorkingOffline);
}

void PresentationTest::unitState_data()
{
    QTest::addColumn<uint>("word5");
    QTest::addColumn<uint>("remote"); // version of a model 200 remote on key 258; 0 for none
    QTest::addColumn<uint>("word1");
    QTest::addColumn<UnitState>("unit");
    QTest::addColumn<int>("controls"); // 1 enable, 0 disable, -1 leave

    const uint current = version(1, 1, 1, 47);
    const uint old = version(1, 1, 1, 46);
    const uint oldRemote = version(1, 3, 0, 25);
    QTest::newRow("all current") << current << 0u << 1u << UnitState::Connected << 1;
    QTest::newRow("all current, revision 2") << current << 0u << 2u << UnitState::Connected << 1;
    QTest::newRow("unit old, revision 0") << old << 0u << 0u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("unit old, revision 1") << old << 0u << 1u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("child old, revision 1") << current << oldRemote << 1u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("unit old, revision 2") << old << 0u << 2u << UnitState::Unchanged << -1;
    QTest::newRow("unit old, top revision") << old << 0u << 0xFFFFFFFFu << UnitState::Unchanged << -1;
    QTest::newRow("child old, revision 2") << current << oldRemote << 2u << UnitState::Unchanged << 0;
}

void PresentationTest::unitState()
{
    QFETCH(uint, word5);
    QFETCH(uint, remote);
    QFETCH(uint, word1);
    QFETCH(UnitState, unit);
    QFETCH(int, controls);
    Unit u(word5, word1);
    if (remote)
        u.attach(258, 200, remote);
    const RemotesPass pass = remotesPass(u.device);
    QCOMPARE(pass.unit, unit);
    QCOMPARE(pass.controlsEnabled.has_value() ? int(*pass.controlsEnabled) : -1, controls);
    QCOMPARE(pass.childMismatch, remote != 0);
}

void PresentationTest::statesInWords()
{
    Unit current(version(1, 1, 1, 47), 1);
    current.attach(257, 502, version(1, 2, 0, 5));
    current.attach(258, 202, version(1, 4, 0, 35));
    current.attach(264, 200, version(1, 3, 0, 26));
    current.attach(300, 202, version(1, 4, 0, 35));
    QCOMPARE(unitFirmwareName(unitFirmware(current.device)), "current");
    QCOMPARE(childFirmwareName(childFirmware(*current.childInfos[0])), "outdated");
    QCOMPARE(childFirmwareName(childFirmware(*current.childInfos[1])), "current");
    QCOMPARE(childFirmwareName(childFirmware(*current.childInfos[2])), "unsupported"); // 200 on the master's key
    QCOMPARE(childFirmwareName(childFirmware(*current.childInfos[3])), "unsupported"); // no slot shows key 300

    Unit old(version(1, 1, 1, 48), 5);
    QCOMPARE(unitFirmwareName(unitFirmware(old.device)), "outdated");
    Unit unknownHardware(version(1, 1, 1, 46), 6);
    QCOMPARE(unitFirmwareName(unitFirmware(unknownHardware.device)), "newer-software-needed");
    unknownHardware.device.bootloaderActive = 1;
    QCOMPARE(unitFirmwareName(unitFirmware(unknownHardware.device)), "bootloader");
}

void PresentationTest::mainUnitStep()
{
    using firmware::MainUnitStep;
    const uint32_t carried = version(1, 1, 1, 47);
    QCOMPARE(firmware::mainUnitStep(carried, 3, carried), MainUnitStep::Current);
    // Current even on hardware newer than this program knows.
    QCOMPARE(firmware::mainUnitStep(carried, 6, carried), MainUnitStep::Current);
    QCOMPARE(firmware::mainUnitStep(version(1, 1, 1, 46), 3, carried), MainUnitStep::Update);
    QCOMPARE(firmware::mainUnitStep(version(1, 1, 1, 48), 5, carried), MainUnitStep::Update);
    QCOMPARE(firmware::mainUnitStep(version(1, 1, 1, 46), 6, carried), MainUnitStep::NewerSoftwareRequired);
}

void PresentationTest::childUpdatesFollowTheSlotsAndTheMajorVersion()
{
    using firmware::childNeedsUpdate;
    // Each slot's models, one below the carried version.
    QVERIFY(childNeedsUpdate(257, 502, version(1, 2, 0, 5)));
    QVERIFY(!childNeedsUpdate(257, 200, version(1, 3, 0, 25)));
    for (uint16_t key = 258; key <= 263; ++key) {
        QVERIFY(childNeedsUpdate(key, 200, version(1, 3, 0, 25)));
        QVERIFY(childNeedsUpdate(key, 202, version(1, 4, 0, 34)));
        QVERIFY(!childNeedsUpdate(key, 502, version(1, 2, 0, 5)));
    }
    QVERIFY(childNeedsUpdate(264, 202, version(1, 4, 0, 34)));
    QVERIFY(!childNeedsUpdate(264, 200, version(1, 3, 0, 25)));
    QVERIFY(!childNeedsUpdate(256, 202, version(1, 4, 0, 34)));
    QVERIFY(!childNeedsUpdate(265, 202, version(1, 4, 0, 34)));
    // Never downgraded, never crossed over to another major version.
    QVERIFY(childNeedsUpdate(258, 202, version(1, 0, 0, 0)));
    QVERIFY(!childNeedsUpdate(258, 202, version(1, 4, 0, 35)));
    QVERIFY(!childNeedsUpdate(258, 202, version(1, 4, 0, 36)));
    QVERIFY(!childNeedsUpdate(258, 202, version(2, 0, 0, 1)));
    QVERIFY(!childNeedsUpdate(258, 202, version(0, 9, 0, 0)));
    QVERIFY(!childNeedsUpdate(258, 999, 0));
    QCOMPARE(firmware::kChildUpdateOrder.front(), uint16_t(257));
    QCOMPARE(firmware::kChildUpdateOrder.back(), uint16_t(264));
}

void PresentationTest::selectorReadsTheChildIdLittleEndian()
{
    ousb_child_device_info_t c = child(200, 0);
    c.childID[0] = 0x01; // key 258: high byte first on the wire
    c.childID[1] = 0x02;
    QCOMPARE(childKey(c), uint16_t(0x0102));
    QCOMPARE(childSelector(c), uint16_t(0x0201));
}

QTEST_APPLESS_MAIN(PresentationTest)
#include "presentation_test.moc"
