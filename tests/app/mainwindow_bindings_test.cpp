// The window's controls against the offline record: a refresh shows the
// record and stores nothing, every kind of edit stores its field, and the
// level, source, range and chime rules and the link markers.
#include "mainwindow.h"

#include "form_child.h"
#include "value_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using namespace zq40;

namespace {

QSlider* slider(QWidget& w, const QString& name)
{
    return child<QSlider>(w, name);
}

QString text(ValueLabel kind, int value)
{
    return QString::fromStdString(valueText(kind, value));
}

// Links the given pairs in the offline record and shows them.
ParameterBlocks& linkOffline(MainWindow& window, std::initializer_list<int> lowerZones)
{
    ParameterBlocks& b = window.currentDevice()->blocks;
    for (int lower : lowerZones)
        b.setZonesLinked(lower, true);
    window.onUpdateAllParameters(HIDR_ALL);
    return b;
}

} // namespace

class MainWindowBindingsTest : public QObject {
    Q_OBJECT

private slots:
    void refreshShowsTheRecordAndStoresNothing()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        b.set(zoneSetting(3, ZoneSetting::EQMid), -5);
        b.set(zoneSetting(2, ZoneSetting::HighPassFreq), 80);
        b.set(pgmLevel(4), -12);
        b.setLevelPosition(5, 42.9f);
        b.updateLevel(5);
        b.set(zoneLevel(1, ZoneLevel::Source), 4);
        b.setLabel(zoneLabel(6), "Patio");
        b.setLabel(pgmLabel(2), "Radio");
        const ParameterBlocks before = b;

        window.onUpdateAllParameters(HIDR_ALL);
        QCOMPARE(b, before);
        QCOMPARE(slider(window, "hSlider_eq_mid_zone3")->value(), -5);
        QCOMPARE(child<QLabel>(window, "lbl_eq_mid_value_zone_3")->text(), text(ValueLabel::EQ, -5));
        QCOMPARE(slider(window, "hSlider_hpf_zone2")->value(), 8);
        QCOMPARE(slider(window, "vSlider_pgm4_level")->value(), -12);
        QCOMPARE(slider(window, "hSlider_level_zone_5")->value(), 42);
        QCOMPARE(child<QComboBox>(window, "comboBox_zone1_source")->currentIndex(), 4);
        QCOMPARE(child<QLineEdit>(window, "lineEdit_zone6")->text(), QStringLiteral("Patio"));
        QCOMPARE(child<QGroupBox>(window, "groupBox_zone_6")->title(), QStringLiteral("Patio"));
        QCOMPARE(child<QLineEdit>(window, "lineEdit_pgm_2")->text(), QStringLiteral("Radio"));
    }

    void editsStoreTheirFields()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        slider(window, "hSlider_eq_lo_zone4")->setValue(5);
        QCOMPARE(b.get(zoneSetting(4, ZoneSetting::EQLo)), 5);
        QCOMPARE(child<QLabel>(window, "lbl_eq_lo_value_zone_4")->text(), text(ValueLabel::EQ, 5));
        slider(window, "hSlider_hpf_zone1")->setValue(6);
        QCOMPARE(b.get(zoneSetting(1, ZoneSetting::HighPassFreq)), 60);
        slider(window, "vSlider_page2_trim_level_value")->setValue(-3);
        QCOMPARE(b.get(kPage2Trim), -3);
        child<QComboBox>(window, "comboBox_page2_prio")->setCurrentIndex(1);
        QCOMPARE(b.get(kPage2Priority), 2);
        auto* priority = child<QCheckBox>(window, "checkBox_priority_en_zone_5");
        priority->setChecked(!priority->isChecked());
        QCOMPARE(b.flag(zoneSetting(5, ZoneSetting::PriorityEnable)), priority->isChecked());

        const int others = b.get(kGroup2Zones) & ~0x10;
        child<QCheckBox>(window, "checkBox_group2_z_4")->setChecked(true);
        QCOMPARE(b.get(kGroup2Zones) & 0xFF, others | 0x10);
    }

    void nameEditsStoreLatin1AndRetitleTheZone()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        auto* zone = child<QLineEdit>(window, "lineEdit_zone2");
        zone->setText(QStringLiteral("Caf\u00e9"));
        emit zone->editingFinished();
        QCOMPARE(b.label(zoneLabel(2)), std::string("Caf\xe9"));
        QCOMPARE(child<QGroupBox>(window, "groupBox_zone_2")->title(), QStringLiteral("Caf\u00e9"));

        auto* group = child<QLineEdit>(window, "lineEdit_zone46");
        group->setText(QStringLiteral("Back"));
        emit group->editingFinished();
        QCOMPARE(b.label(groupLabel(4, 6)), std::string("Back"));

        auto* device = child<QLineEdit>(window, "lineEdit_deviceName");
        device->setText(QStringLiteral("Hall"));
        emit device->editingFinished();
        QCOMPARE(b.deviceNameText(), std::string("Hall"));
    }

    void thresholdModeSilencesTheChime()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        auto* chime = child<QComboBox>(window, "comboBox_page1_chime");
        auto* mode = child<QCheckBox>(window, "checkBox_page1_thresh_mode");
        mode->setChecked(false);
        chime->setCurrentIndex(3);
        QCOMPARE(b.get(kPage1ChimeLevel), 3);

        mode->setChecked(true);
        QCOMPARE(b.get(kPage1ThreshEn), 1);
        QCOMPARE(b.get(kPage1ChimeLevel), 0);
        QCOMPARE(chime->currentIndex(), 0);
        QVERIFY(!chime->isEnabled());

        chime->setCurrentIndex(2);
        QCOMPARE(chime->currentIndex(), 0);
        QCOMPARE(b.get(kPage1ChimeLevel), 0);

        mode->setChecked(false);
        QVERIFY(chime->isEnabled());
        QCOMPARE(b.get(kPage1ThreshEn), 0);
    }

    void linkedFadersShareThePosition()
    {
        MainWindow window;
        ParameterBlocks& b = linkOffline(window, {1, 2});
        b.set(zoneLevel(3, ZoneLevel::MinLevel), -20);
        b.set(zoneLevel(3, ZoneLevel::MaxLevel), 0);
        const float zone4 = b.levelPosition(4);

        slider(window, "hSlider_level_zone_2")->setValue(70);
        for (int zone : {1, 2, 3})
            QCOMPARE(b.levelPosition(zone), 70.0f);
        QCOMPARE(b.levelPosition(4), zone4);
        QCOMPARE(b.get(zoneLevel(2, ZoneLevel::Level)), -5); // -40 + 50 * 0.7
        QCOMPARE(b.get(zoneLevel(3, ZoneLevel::Level)), -6); // -20 + 20 * 0.7
        // The linked faders and labels follow at once.
        QCOMPARE(slider(window, "hSlider_level_zone_1")->value(), 70);
        QCOMPARE(slider(window, "hSlider_level_zone_3")->value(), 70);
        QCOMPARE(child<QLabel>(window, "lbl_level_value_zone3")->text(), text(ValueLabel::ZoneLevel, -6));
        QCOMPARE(child<QLabel>(window, "lbl_level_value_zone2")->text(), text(ValueLabel::ZoneLevel, -5));
    }

    void linkedSourcesFollow()
    {
        MainWindow window;
        ParameterBlocks& b = linkOffline(window, {4, 5});
        child<QComboBox>(window, "comboBox_zone6_source")->setCurrentIndex(3);
        for (int zone : {4, 5, 6}) {
            QCOMPARE(b.get(zoneLevel(zone, ZoneLevel::Source)), 3);
            QCOMPARE(child<QComboBox>(window, QStringLiteral("comboBox_zone%1_source").arg(zone))->currentIndex(), 3);
        }
        QVERIFY(b.get(zoneLevel(3, ZoneLevel::Source)) != 3);
    }

    void minimumMovesTheLevelUnderTheFader()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        b.set(zoneLevel(1, ZoneLevel::MinLevel), -40);
        b.set(zoneLevel(1, ZoneLevel::MaxLevel), 10);
        b.setLevelPosition(1, 60.0f);
        b.updateLevel(1);
        window.onUpdateAllParameters(HIDR_ZONE_LEVELS);

        child<QSpinBox>(window, "spinBox_level_min_zone_1")->setValue(-20);
        QCOMPARE(b.get(zoneLevel(1, ZoneLevel::MinLevel)), -20);
        QCOMPARE(b.get(zoneLevel(1, ZoneLevel::Level)), -2);
        QCOMPARE(slider(window, "hSlider_level_zone_1")->value(), 60);
        QCOMPARE(child<QLabel>(window, "lbl_level_value_zone1")->text(), text(ValueLabel::ZoneLevel, -2));
    }

    void zoneSixMinimumKeepsTheLevel_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("slider");
        QTest::newRow("raised") << -5 << -5 << 0;
        QTest::newRow("kept") << -20 << -10 << 33;
    }

    void zoneSixMinimumKeepsTheLevel()
    {
        QFETCH(int, minimum);
        QFETCH(int, level);
        QFETCH(int, slider);
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        b.set(zoneLevel(6, ZoneLevel::MinLevel), -40);
        b.set(zoneLevel(6, ZoneLevel::MaxLevel), 10);
        b.set(zoneLevel(6, ZoneLevel::Level), -10);
        b.updatePosition(6);
        window.onUpdateAllParameters(HIDR_ZONE_LEVELS);

        child<QSpinBox>(window, "spinBox_level_min_zone_6")->setValue(minimum);
        QCOMPARE(b.get(zoneLevel(6, ZoneLevel::Level)), level);
        QCOMPARE(::slider(window, "hSlider_level_zone_6")->value(), slider);
    }

    void rangeBoxesKeepTheirMutualLimits()
    {
        MainWindow window;
        ParameterBlocks& b = window.currentDevice()->blocks;
        auto* minimum = child<QSpinBox>(window, "spinBox_level_min_zone_3");
        auto* maximum = child<QSpinBox>(window, "spinBox_level_max_zone_3");
        minimum->setValue(-40);
        QCOMPARE(maximum->minimum(), -39);
        minimum->setValue(-20);
        QCOMPARE(maximum->minimum(), -20);
        maximum->setValue(-5);
        QCOMPARE(minimum->maximum(), -5);
        QCOMPARE(b.get(zoneLevel(3, ZoneLevel::MaxLevel)), -5);

        // Received values outside the limits of the last edit show as they
        // are, and the limits follow them.
        b.set(zoneLevel(3, ZoneLevel::MinLevel), 0);
        b.set(zoneLevel(3, ZoneLevel::MaxLevel), 8);
        window.onUpdateAllParameters(HIDR_ZONE_LEVELS);
        QCOMPARE(minimum->value(), 0);
        QCOMPARE(maximum->value(), 8);
        QCOMPARE(maximum->minimum(), 0);
        QCOMPARE(minimum->maximum(), 8);
        QCOMPARE(b.get(zoneLevel(3, ZoneLevel::MinLevel)), 0);
    }

    void markersShowTheLinkedGroups()
    {
        MainWindow window;
        linkOffline(window, {1, 2, 3, 4, 5});
        auto* label1 = child<QLabel>(window, "label_zones_linked_1");
        auto* frame1 = child<QFrame>(window, "frame_linked_1");
        QCOMPARE(label1->text(), QStringLiteral("Zones 1-6 Linked"));
        QVERIFY(!label1->isHidden());
        QCOMPARE(label1->width(), 888);
        QCOMPARE(frame1->width(), 876);
        QVERIFY(child<QLabel>(window, "label_zones_linked_2")->isHidden());
        QVERIFY(child<QFrame>(window, "frame_linked_3")->isHidden());

        window.currentDevice()->blocks.clearZoneLinks();
        linkOffline(window, {1, 3, 5});
        const int labelX[] = {9, 303, 597};
        for (int k = 1; k <= 3; ++k) {
            auto* label = child<QLabel>(window, QStringLiteral("label_zones_linked_%1").arg(k));
            auto* frame = child<QFrame>(window, QStringLiteral("frame_linked_%1").arg(k));
            QVERIFY(!label->isHidden());
            QCOMPARE(label->x(), labelX[k - 1]);
            QCOMPARE(label->y(), 471);
            QCOMPARE(label->width(), 296);
            QCOMPARE(frame->geometry(), QRect(labelX[k - 1] + 5, 26, 284, 121));
        }
        QCOMPARE(child<QLabel>(window, "label_zones_linked_3")->text(), QStringLiteral("Zones 5-6 Linked"));

        window.currentDevice()->blocks.clearZoneLinks();
        window.onUpdateAllParameters(HIDR_ZONE_LINKS);
        QVERIFY(child<QLabel>(window, "label_zones_linked_1")->isHidden());
        QVERIFY(child<QFrame>(window, "frame_linked_1")->isHidden());
    }
};

QTEST_MAIN(MainWindowBindingsTest)
#include "mainwindow_bindings_test.moc"
