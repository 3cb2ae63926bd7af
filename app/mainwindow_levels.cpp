// Edit slots of the zone levels (block 16): level fader, source and the
// minimum and maximum. Fader and source edits spread to linked zones.
#include "mainwindow.h"

#include "level_conversion.h"
#include "ui_mainwindow.h"

#include <algorithm>

using namespace zq40;

std::vector<int> MainWindow::linkedZonesOf(int zone) const
{
    std::vector<int> zones;
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (int z = zone - 1; z >= 1 && b.zonesLinked(z); --z)
        zones.push_back(z);
    for (int z = zone + 1; z <= kZones && b.zonesLinked(z - 1); ++z)
        zones.push_back(z);
    return zones;
}

void MainWindow::updateZoneLevelLabel(int zone)
{
    const int level = pCurrentDevice ? pCurrentDevice->blocks.get(zoneLevel(zone, ZoneLevel::Level)) : 0;
    levelLabel(zone)->setText(QString::fromStdString(valueText(ValueLabel::ZoneLevel, level)));
}

void MainWindow::limitZoneRange(int zone, int minimum, int maximum)
{
    // The maximum never reaches "Off", the minimum's bottom value.
    QSpinBox* maxBox = maximumBox(zone);
    QSpinBox* minBox = minimumBox(zone);
    const int maxFloor = minimum == -40 ? -39 : minimum;
    maxBox->setMinimum(std::min(maxFloor, maxBox->maximum()));
    minBox->setMaximum(std::max(maximum, minBox->minimum()));
}

void MainWindow::editZoneLevel(int zone, int value)
{
    if (live()) {
        ParameterBlocks& b = pCurrentDevice->blocks;
        b.setLevelPosition(zone, float(value));
        b.updateLevel(zone);
        controlsLive = false;
        // Linked zones share the position, each keeping its own dB span.
        // Their faders move at once: the stored values are already theirs.
        for (int other : linkedZonesOf(zone)) {
            b.setLevelPosition(other, float(value));
            b.updateLevel(other);
            levelSlider(other)->setValue(value);
        }
        sendParameters(HIDR_ZONE_LEVELS);
        controlsLive = true;
    }
    updateZoneLevelLabel(zone);
}

void MainWindow::editZoneSource(int zone, int index)
{
    if (!live())
        return;
    ParameterBlocks& b = pCurrentDevice->blocks;
    b.set(zoneLevel(zone, ZoneLevel::Source), index);
    controlsLive = false;
    for (int other : linkedZonesOf(zone)) {
        sourceBox(other)->setCurrentIndex(index);
        b.set(zoneLevel(other, ZoneLevel::Source), index);
    }
    sendParameters(HIDR_ZONE_LEVELS);
    controlsLive = true;
}

void MainWindow::showZoneFaderAndSend(int zone)
{
    // The fader moves without its slot storing or sending anything.
    controlsLive = false;
    levelSlider(zone)->setValue(levelSliderValue(pCurrentDevice->blocks.levelPosition(zone)));
    updateZoneLevelLabel(zone);
    sendParameters(HIDR_ZONE_LEVELS);
    controlsLive = true;
}

void MainWindow::editZoneMinimum(int zone, int value)
{
    if (!live()) {
        updateZoneLevelLabel(zone);
        return;
    }
    ParameterBlocks& b = pCurrentDevice->blocks;
    limitZoneRange(zone, value, b.get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    b.set(zoneLevel(zone, ZoneLevel::MinLevel), value);
    if (zone == kZones) {
        // Zone 6 keeps its level in dB, raised to the new minimum when
        // needed, and its fader follows.
        const int maximum = b.get(zoneLevel(zone, ZoneLevel::MaxLevel));
        int level = b.get(zoneLevel(zone, ZoneLevel::Level));
        if (value >= level) {
            level = value;
            b.set(zoneLevel(zone, ZoneLevel::Level), level);
        }
        b.setLevelPosition(zone, positionFromLevel(value, maximum, level));
    } else {
        // The fader stays and the level in dB follows.
        b.updateLevel(zone);
    }
    showZoneFaderAndSend(zone);
}

void MainWindow::editZoneMaximum(int zone, int value)
{
    if (!live()) {
        updateZoneLevelLabel(zone);
        return;
    }
    ParameterBlocks& b = pCurrentDevice->blocks;
    limitZoneRange(zone, b.get(zoneLevel(zone, ZoneLevel::MinLevel)), value);
    b.set(zoneLevel(zone, ZoneLevel::MaxLevel), value);
    b.updateLevel(zone);
    showZoneFaderAndSend(zone);
}

#define ZONE_LEVEL_SLOTS(n)                                                      \
    void MainWindow::on_hSlider_level_zone_##n##_valueChanged(int value)         \
    {                                                                            \
        editZoneLevel(n, value);                                                 \
    }                                                                            \
    void MainWindow::on_comboBox_zone##n##_source_currentIndexChanged(int index) \
    {                                                                            \
        editZoneSource(n, index);                                                \
    }                                                                            \
    void MainWindow::on_spinBox_level_min_zone_##n##_valueChanged(int value)     \
    {                                                                            \
        editZoneMinimum(n, value);                                               \
    }                                                                            \
    void MainWindow::on_spinBox_level_max_zone_##n##_valueChanged(int value)     \
    {                                                                            \
        editZoneMaximum(n, value);                                               \
    }
ZONE_LEVEL_SLOTS(1)
ZONE_LEVEL_SLOTS(2)
ZONE_LEVEL_SLOTS(3)
ZONE_LEVEL_SLOTS(4)
ZONE_LEVEL_SLOTS(5)
ZONE_LEVEL_SLOTS(6)
#undef ZONE_LEVEL_SLOTS
