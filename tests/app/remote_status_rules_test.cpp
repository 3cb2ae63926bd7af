// The remote status decisions: slot table, child versions and their text,
// the state of each slot and of the unit as a whole.
#include "remote_status_rules.h"

#include <QTest>

#include <cstring>

using namespace zq40;

Q_DECLARE_METATYPE(zq40::RemoteState)
Q_DECLARE_METATYPE(zq40::UnitState)

namespace {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

ousb_child_device_info_t child(uint32_t model, uint32_t ver, uint32_t revision = 0)
{
    ousb_child_device_info_t c;
    std::memset(&c, 0, sizeof c);
    c.model = model;
    for (int i = 0; i < 4; ++i) {
        c.info[i] = uint8_t(revision >> 8 * i);
        c.info[8 + i] = uint8_t(ver >> 8 * i);
    }
    return c;
}

enum Slot { pager, zone1, zone2, zone3, zone4, zone5, zone6, master };

} // namespace

class RemoteStatusRulesTest : public QObject {
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
};

void RemoteStatusRulesTest::slotsInDisplayOrder()
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

void RemoteStatusRulesTest::expectedVersionsAreTheCatalogues()
{
    QCOMPARE(expectedVersion(601), version(1, 1, 1, 47));
    QCOMPARE(expectedVersion(502), version(1, 2, 0, 6));
    QCOMPARE(expectedVersion(200), version(1, 3, 0, 26));
    QCOMPARE(expectedVersion(202), version(1, 4, 0, 35));
}

void RemoteStatusRulesTest::versionText()
{
    ousb_child_device_info_t c = child(202, 0, 0);
    const uint8_t bytes[] = {3, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 35, 0, 4, 1};
    std::memcpy(c.info, bytes, sizeof bytes);
    QCOMPARE(childVersionText(c), std::string("1.4.0.35 r.3"));
    // Unsigned throughout: top bits set in either word.
    QCOMPARE(childVersionText(child(200, version(255, 128, 0, 200), 0xFFFFFFFF)),
             std::string("255.128.0.200 r.4294967295"));
    QCOMPARE(childVersionText(child(200, 0, 0)), std::string("0.0.0.0 r.0"));
}

void RemoteStatusRulesTest::versionAndRevisionAreLittleEndianWords()
{
    const ousb_child_device_info_t c = child(200, version(1, 3, 0, 26), 0x01020304);
    QCOMPARE(childVersion(c), version(1, 3, 0, 26));
    QCOMPARE(childRevision(c), 0x01020304u);
    QCOMPARE(int(c.info[8]), 26);
    QCOMPARE(int(c.info[11]), 1);
}

void RemoteStatusRulesTest::slotState_data()
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

void RemoteStatusRulesTest::slotState()
{
    QFETCH(int, slot);
    QFETCH(bool, present);
    QFETCH(uint, model);
    QFETCH(uint, ver);
    QFETCH(RemoteState, state);
    const ousb_child_device_info_t c = child(model, ver, 7);
    QCOMPARE(remoteState(kRemoteSlots[slot], present ? &c : nullptr), state);
}

void RemoteStatusRulesTest::mainUnitNeedsTheExactVersion()
{
    QVERIFY(!mainUnitMismatch(version(1, 1, 1, 47)));
    QVERIFY(mainUnitMismatch(version(1, 1, 1, 46)));
    QVERIFY(mainUnitMismatch(version(1, 1, 1, 48)));
    QVERIFY(mainUnitMismatch(0));
}

void RemoteStatusRulesTest::unitState_data()
{
    QTest::addColumn<bool>("mismatch");
    QTest::addColumn<bool>("childMismatch");
    QTest::addColumn<uint>("word1");
    QTest::addColumn<UnitState>("unit");
    QTest::addColumn<int>("controls"); // 1 enable, 0 disable, -1 leave

    QTest::newRow("all current") << false << false << 1u << UnitState::Connected << 1;
    QTest::newRow("all current, revision 2") << false << false << 2u << UnitState::Connected << 1;
    QTest::newRow("unit old, revision 0") << true << false << 0u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("unit old, revision 1") << true << false << 1u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("child old, revision 1") << true << true << 1u << UnitState::FirmwareMismatch << 0;
    QTest::newRow("unit old, revision 2") << true << false << 2u << UnitState::Unchanged << -1;
    QTest::newRow("unit old, top revision") << true << false << 0xFFFFFFFFu << UnitState::Unchanged << -1;
    QTest::newRow("child old, revision 2") << true << true << 2u << UnitState::Unchanged << 0;
}

void RemoteStatusRulesTest::unitState()
{
    QFETCH(bool, mismatch);
    QFETCH(bool, childMismatch);
    QFETCH(uint, word1);
    QFETCH(UnitState, unit);
    QFETCH(int, controls);
    QCOMPARE(zq40::unitState(mismatch, word1), unit);
    const std::optional<bool> enabled = controlsEnabledAfterPass(unit, childMismatch);
    QCOMPARE(enabled.has_value() ? int(*enabled) : -1, controls);
}

QTEST_APPLESS_MAIN(RemoteStatusRulesTest)
#include "remote_status_rules_test.moc"
