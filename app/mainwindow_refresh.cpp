// Copying stored blocks into the controls. Signals stay connected: each
// control that moves redraws its own value label, and controlsLive keeps
// its slot from storing or sending.
#include "mainwindow.h"

#include "latin1_text.h"
#include "level_conversion.h"
#include "ui_mainwindow.h"

using namespace zq40;

void MainWindow::onUpdateAllParameters(hidr_t code)
{
    controlsLive = false;
    if (pCurrentDevice) {
        if (code == HIDR_ALL || code == HIDR_ZONE_PARAMS)
            refreshZoneSettings();
        if (code == HIDR_ALL || code == HIDR_ZONE_LEVELS)
            refreshZoneLevels();
        if (code == HIDR_ALL || code == HIDR_INPUTS_PAGING)
            refreshInputsPaging();
        if (code == HIDR_ALL || (code >= HIDR_ZONE_LABELS_1 && code <= HIDR_DEVICE_NAME))
            refreshNames();
        if (code == HIDR_ALL || code == HIDR_PGM_LABELS_1 || code == HIDR_PGM_LABELS_2)
            refreshProgramNames();
        if (code == HIDR_ALL || code == HIDR_ZONE_LINKS)
            onUpdateLinked();
    }
    controlsLive = true;
}

void MainWindow::refreshZoneSettings()
{
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (ZoneSetting s : {ZoneSetting::EQLo, ZoneSetting::EQMid, ZoneSetting::EQHi}) {
        for (int zone = 1; zone <= kZones; ++zone)
            settingSlider(zone, s)->setValue(b.get(zoneSetting(zone, s)));
    }
    for (int zone = 1; zone <= kZones; ++zone)
        priorityBox(zone)->setChecked(b.flag(zoneSetting(zone, ZoneSetting::PriorityEnable)));
    for (ZoneSetting s : {ZoneSetting::PageLevel, ZoneSetting::DuckerDepth}) {
        for (int zone = 1; zone <= kZones; ++zone)
            settingSlider(zone, s)->setValue(b.get(zoneSetting(zone, s)));
    }
    for (int zone = 1; zone <= kZones; ++zone) {
        const int hertz = b.get(zoneSetting(zone, ZoneSetting::HighPassFreq));
        settingSlider(zone, ZoneSetting::HighPassFreq)->setValue(highPassSliderValue(uint8_t(hertz)));
    }
    for (int zone = 1; zone <= kZones; ++zone)
        settingSlider(zone, ZoneSetting::LimiterValue)->setValue(b.get(zoneSetting(zone, ZoneSetting::LimiterValue)));
}

void MainWindow::refreshZoneLevels()
{
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (int zone = 1; zone <= kZones; ++zone)
        sourceBox(zone)->setCurrentIndex(b.get(zoneLevel(zone, ZoneLevel::Source)));
    // The limits follow the received values first, so that neither box
    // clamps a stored value to limits left over from an earlier edit.
    for (int zone = 1; zone <= kZones; ++zone)
        limitZoneRange(zone, b.get(zoneLevel(zone, ZoneLevel::MinLevel)), b.get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        minimumBox(zone)->setValue(b.get(zoneLevel(zone, ZoneLevel::MinLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        maximumBox(zone)->setValue(b.get(zoneLevel(zone, ZoneLevel::MaxLevel)));
    for (int zone = 1; zone <= kZones; ++zone)
        levelSlider(zone)->setValue(levelSliderValue(b.levelPosition(zone)));
}

void MainWindow::refreshInputsPaging()
{
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (int input = 1; input <= kPgmInputs; ++input)
        programLevelSlider(input)->setValue(b.get(pgmLevel(input)));
    ui->comboBox_page1_prio->setCurrentIndex(b.get(kPage1Priority) - 1);
    ui->checkBox_page1_thresh_mode->setChecked(b.flag(kPage1ThreshEn));
    ui->vSlider_page1_thresh_value->setValue(b.get(kPage1Threshold));
    ui->vSlider_page1_eq_lo->setValue(b.get(kPage1EQLo));
    ui->vSlider_page1_eq_hi->setValue(b.get(kPage1EQHi));
    ui->comboBox_page1_chime->setCurrentIndex(b.get(kPage1ChimeLevel));
    ui->comboBox_page1_chime->setEnabled(!b.flag(kPage1ThreshEn));
    ui->comboBox_page2_prio->setCurrentIndex(b.get(kPage2Priority) - 1);
    ui->checkBox_page2_phantom->setChecked(b.flag(kPage2PhantomPwr));
    ui->checkBox_page2_pad->setChecked(b.flag(kPage2Pad));
    ui->vSlider_page2_trim_level_value->setValue(b.get(kPage2Trim));
    ui->vSlider_page2_eq_lo->setValue(b.get(kPage2EQLo));
    ui->vSlider_page2_eq_hi->setValue(b.get(kPage2EQHi));
    ui->comboBox_page2_chime->setCurrentIndex(b.get(kPage2ChimeLevel));
    for (int group = 1; group <= 2; ++group) {
        for (int zone = 1; zone <= kZones; ++zone)
            groupMemberBox(group, zone)->setChecked(b.groupHasZone(group, zone));
    }
    ui->checkBox_group_disable->setChecked(b.flag(kDisableGroupStore));
    showPriorityValuesInDialog();
}

void MainWindow::refreshNames()
{
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (int zone = 1; zone <= kZones; ++zone)
        zoneNameEdit(zone)->setText(latin1ToQString(b.label(zoneLabel(zone))));
    for (const ZoneRange& range : kGroupRanges)
        groupNameEdit(range.first, range.last)->setText(latin1ToQString(b.label(groupLabel(range.first, range.last))));
    ui->lineEdit_deviceName->setText(latin1ToQString(b.deviceNameText()));
    for (int zone = 1; zone <= kZones; ++zone)
        zoneBox(zone)->setTitle(latin1ToQString(b.label(zoneLabel(zone))));
}

void MainWindow::refreshProgramNames()
{
    const ParameterBlocks& b = pCurrentDevice->blocks;
    for (int input = 1; input <= kPgmInputs; ++input)
        programNameEdit(input)->setText(latin1ToQString(b.label(pgmLabel(input))));
}
