// The firmware button's decisions: the main unit's step, which children by
// key and model take the carried firmware, and the selector of a child.
#include "child_update_rules.h"

#include <QTest>

using namespace zq40::firmware;

namespace {

constexpr uint32_t version(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

constexpr uint32_t kCarried601 = version(1, 1, 1, 47);
constexpr uint32_t kCarried200 = version(1, 3, 0, 26);
constexpr uint32_t kCarried202 = version(1, 4, 0, 35);
constexpr uint32_t kCarried502 = version(1, 2, 0, 6);

} // namespace

class ChildUpdateRulesTest : public QObject {
    Q_OBJECT

private slots:
    void mainUnitOnTheCarriedFirmwareIsCurrent()
    {
        QCOMPARE(mainUnitStep(kCarried601, 3, kCarried601), MainUnitStep::Current);
        // Current even on hardware newer than this program knows.
        QCOMPARE(mainUnitStep(kCarried601, 6, kCarried601), MainUnitStep::Current);
    }

    void anyOtherMainUnitFirmwareIsUpdatedUpToHardwareFive()
    {
        QCOMPARE(mainUnitStep(version(1, 1, 1, 46), 3, kCarried601), MainUnitStep::Update);
        QCOMPARE(mainUnitStep(version(1, 1, 1, 48), 5, kCarried601), MainUnitStep::Update);
        QCOMPARE(mainUnitStep(version(1, 1, 1, 46), 6, kCarried601), MainUnitStep::NewerSoftwareRequired);
    }

    void theCatalogueCarriesTheVersionsTheRulesUse()
    {
        QVERIFY(childNeedsUpdate(258, 200, kCarried200 - 1));
        QVERIFY(!childNeedsUpdate(258, 200, kCarried200));
        QVERIFY(childNeedsUpdate(264, 202, kCarried202 - 1));
        QVERIFY(childNeedsUpdate(257, 502, kCarried502 - 1));
        QVERIFY(!childNeedsUpdate(257, 502, kCarried502));
    }

    void pagingStationKeyTakesModel502Only()
    {
        QVERIFY(keyTakesModel(257, 502));
        QVERIFY(!keyTakesModel(257, 200));
        QVERIFY(!keyTakesModel(257, 202));
        QVERIFY(!childNeedsUpdate(257, 200, version(1, 3, 0, 25), kCarried200));
    }

    void zoneRemoteKeysTakeModels200And202()
    {
        for (uint16_t key = 258; key <= 263; ++key) {
            QVERIFY(keyTakesModel(key, 200));
            QVERIFY(keyTakesModel(key, 202));
            QVERIFY(!keyTakesModel(key, 502));
        }
        QVERIFY(childNeedsUpdate(258, 200, version(1, 3, 0, 25), kCarried200));
        QVERIFY(!childNeedsUpdate(258, 502, version(1, 2, 0, 5), kCarried502));
    }

    void masterRemoteKeyTakesModel202Only()
    {
        QVERIFY(childNeedsUpdate(264, 202, version(1, 4, 0, 34), kCarried202));
        QVERIFY(!childNeedsUpdate(264, 200, version(1, 3, 0, 25), kCarried200));
        QVERIFY(!keyTakesModel(264, 502));
    }

    void keysOutsideTheWalkAreLeftAlone()
    {
        QVERIFY(!keyTakesModel(256, 202));
        QVERIFY(!keyTakesModel(265, 202));
        QCOMPARE(kChildUpdateOrder.front(), uint16_t(257));
        QCOMPARE(kChildUpdateOrder.back(), uint16_t(264));
    }

    void onlyLowerVersionsOfTheSameMajorAreUpdated()
    {
        QVERIFY(versionNeedsUpdate(version(1, 4, 0, 34), kCarried202));
        QVERIFY(versionNeedsUpdate(version(1, 0, 0, 0), kCarried202));
        // Not lower: never downgraded.
        QVERIFY(!versionNeedsUpdate(kCarried202, kCarried202));
        QVERIFY(!versionNeedsUpdate(version(1, 4, 0, 36), kCarried202));
        // Another major: never crossed over, either way.
        QVERIFY(!versionNeedsUpdate(version(2, 0, 0, 1), kCarried202));
        QVERIFY(!versionNeedsUpdate(version(0, 9, 0, 0), kCarried202));
        QVERIFY(!childNeedsUpdate(258, 202, version(2, 0, 0, 1), kCarried202));
    }

    void unknownModelsAreNeverUpdated()
    {
        QVERIFY(!childNeedsUpdate(258, 999, 0));
        QVERIFY(!childNeedsUpdate(258, 999, version(1, 0, 0, 0)));
    }

    void selectorReadsTheChildIdLittleEndian()
    {
        const uint8_t id[2] = {0x01, 0x02}; // key 258: high byte first on the wire
        QCOMPARE(childSelector(id), uint16_t(0x0201));
    }
};

QTEST_APPLESS_MAIN(ChildUpdateRulesTest)
#include "child_update_rules_test.moc"
