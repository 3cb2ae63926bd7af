// The form's entry points, bound by object name: each hands its control's
// value to the view that owns the control.
#include "mainwindow.h"

#include "level_conversion.h"
#include "ui_mainwindow.h"

using namespace zq40;

#define PGM_SLOTS(n)                                                                              \
    void MainWindow::on_vSlider_pgm##n##_level_valueChanged(int value)                            \
    {                                                                                             \
        inputs.valueEdited(ui->lbl_pgm##n##_lvl_value, ValueLabel::PgmLevel, value, pgmLevel(n)); \
    }                                                                                             \
    void MainWindow::on_lineEdit_pgm_##n##_editingFinished()                                      \
    {                                                                                             \
        names.programNameEdited(n);                                                               \
    }
PGM_SLOTS(1)
PGM_SLOTS(2)
PGM_SLOTS(3)
PGM_SLOTS(4)
PGM_SLOTS(5)
PGM_SLOTS(6)
#undef PGM_SLOTS

void MainWindow::on_vSlider_page1_eq_lo_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page1_eq_lo_value, ValueLabel::EQ, value, kPage1EQLo);
}

void MainWindow::on_vSlider_page1_eq_hi_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page1_eq_hi_value, ValueLabel::EQ, value, kPage1EQHi);
}

void MainWindow::on_vSlider_page2_eq_lo_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page2_eq_lo_value, ValueLabel::EQ, value, kPage2EQLo);
}

void MainWindow::on_vSlider_page2_eq_hi_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page2_eq_hi_value, ValueLabel::EQ, value, kPage2EQHi);
}

void MainWindow::on_vSlider_page1_thresh_value_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page1_thresh_value, ValueLabel::Threshold, value, kPage1Threshold);
}

void MainWindow::on_vSlider_page2_trim_level_value_valueChanged(int value)
{
    inputs.valueEdited(ui->lbl_page2_trim_level_value, ValueLabel::Trim, value, kPage2Trim);
}

void MainWindow::on_comboBox_page1_prio_currentIndexChanged(int index)
{
    inputs.fieldEdited(kPage1Priority, index + 1);
}

void MainWindow::on_comboBox_page2_prio_currentIndexChanged(int index)
{
    inputs.fieldEdited(kPage2Priority, index + 1);
}

void MainWindow::on_comboBox_page1_chime_currentIndexChanged(int index)
{
    inputs.page1ChimeEdited(index);
}

void MainWindow::on_comboBox_page2_chime_currentIndexChanged(int index)
{
    inputs.fieldEdited(kPage2ChimeLevel, index);
}

void MainWindow::on_checkBox_page1_thresh_mode_stateChanged(int)
{
    inputs.thresholdModeEdited(ui->checkBox_page1_thresh_mode->isChecked());
}

void MainWindow::on_checkBox_page2_pad_stateChanged(int)
{
    inputs.fieldEdited(kPage2Pad, ui->checkBox_page2_pad->isChecked() ? 1 : 0);
}

void MainWindow::on_checkBox_page2_phantom_stateChanged(int)
{
    inputs.fieldEdited(kPage2PhantomPwr, ui->checkBox_page2_phantom->isChecked() ? 1 : 0);
}

void MainWindow::on_checkBox_group_disable_stateChanged(int)
{
    inputs.fieldEdited(kDisableGroupStore, ui->checkBox_group_disable->isChecked() ? 1 : 0);
}

#define GROUP_SLOTS(n)                                                          \
    void MainWindow::on_checkBox_group1_z_##n##_stateChanged(int)               \
    {                                                                           \
        inputs.groupMemberEdited(1, n, ui->checkBox_group1_z_##n->isChecked()); \
    }                                                                           \
    void MainWindow::on_checkBox_group2_z_##n##_stateChanged(int)               \
    {                                                                           \
        inputs.groupMemberEdited(2, n, ui->checkBox_group2_z_##n->isChecked()); \
    }
GROUP_SLOTS(1)
GROUP_SLOTS(2)
GROUP_SLOTS(3)
GROUP_SLOTS(4)
GROUP_SLOTS(5)
GROUP_SLOTS(6)
#undef GROUP_SLOTS

#define ZONE_SLOTS(n)                                                                                                  \
    void MainWindow::on_hSlider_eq_lo_zone##n##_valueChanged(int value)                                                \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_eq_lo_value_zone_##n, ValueLabel::EQ, n, ZoneSetting::EQLo, value);                \
    }                                                                                                                  \
    void MainWindow::on_hSlider_eq_mid_zone##n##_valueChanged(int value)                                               \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_eq_mid_value_zone_##n, ValueLabel::EQ, n, ZoneSetting::EQMid, value);              \
    }                                                                                                                  \
    void MainWindow::on_hSlider_eq_hi_zone##n##_valueChanged(int value)                                                \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_eq_hi_value_zone_##n, ValueLabel::EQ, n, ZoneSetting::EQHi, value);                \
    }                                                                                                                  \
    void MainWindow::on_hSlider_page_level_zone##n##_valueChanged(int value)                                           \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_pagelevel_value_zone##n, ValueLabel::PageLevel, n, ZoneSetting::PageLevel, value); \
    }                                                                                                                  \
    void MainWindow::on_hSlider_ducker_depth_zone##n##_valueChanged(int value)                                         \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_ducker_value_zone##n, ValueLabel::DuckerDepth, n, ZoneSetting::DuckerDepth,        \
                            value);                                                                                    \
    }                                                                                                                  \
    void MainWindow::on_hSlider_limiter_zone##n##_valueChanged(int value)                                              \
    {                                                                                                                  \
        zones.settingEdited(ui->lbl_limiter_value_zone##n, ValueLabel::LimiterValue, n, ZoneSetting::LimiterValue,     \
                            value);                                                                                    \
    }                                                                                                                  \
    void MainWindow::on_hSlider_hpf_zone##n##_valueChanged(int value)                                                  \
    {                                                                                                                  \
        zones.highPassEdited(ui->lbl_hpf_value_zone##n, n, value);                                                     \
    }                                                                                                                  \
    void MainWindow::on_checkBox_priority_en_zone_##n##_stateChanged(int)                                              \
    {                                                                                                                  \
        zones.priorityEdited(n, ui->checkBox_priority_en_zone_##n->isChecked());                                       \
    }                                                                                                                  \
    void MainWindow::on_checkBox_priority_en_zone_##n##_customContextMenuRequested(const QPoint&)                      \
    {                                                                                                                  \
        showPriorityMenu();                                                                                            \
    }                                                                                                                  \
    void MainWindow::on_hSlider_level_zone_##n##_valueChanged(int value)                                               \
    {                                                                                                                  \
        zones.faderMoved(n, value);                                                                                    \
    }                                                                                                                  \
    void MainWindow::on_comboBox_zone##n##_source_currentIndexChanged(int index)                                       \
    {                                                                                                                  \
        zones.sourceChosen(n, index);                                                                                  \
    }                                                                                                                  \
    void MainWindow::on_spinBox_level_min_zone_##n##_valueChanged(int value)                                           \
    {                                                                                                                  \
        zones.minimumEdited(n, value);                                                                                 \
    }                                                                                                                  \
    void MainWindow::on_spinBox_level_max_zone_##n##_valueChanged(int value)                                           \
    {                                                                                                                  \
        zones.maximumEdited(n, value);                                                                                 \
    }                                                                                                                  \
    void MainWindow::on_lineEdit_zone##n##_editingFinished()                                                           \
    {                                                                                                                  \
        names.zoneNameEdited(n);                                                                                       \
    }
ZONE_SLOTS(1)
ZONE_SLOTS(2)
ZONE_SLOTS(3)
ZONE_SLOTS(4)
ZONE_SLOTS(5)
ZONE_SLOTS(6)
#undef ZONE_SLOTS

#define GROUP_NAME_SLOT(a, b)                                   \
    void MainWindow::on_lineEdit_zone##a##b##_editingFinished() \
    {                                                           \
        names.groupNameEdited(a, b);                            \
    }
GROUP_NAME_SLOT(1, 6)
GROUP_NAME_SLOT(1, 5)
GROUP_NAME_SLOT(1, 4)
GROUP_NAME_SLOT(1, 3)
GROUP_NAME_SLOT(1, 2)
GROUP_NAME_SLOT(2, 6)
GROUP_NAME_SLOT(2, 5)
GROUP_NAME_SLOT(2, 4)
GROUP_NAME_SLOT(2, 3)
GROUP_NAME_SLOT(3, 6)
GROUP_NAME_SLOT(3, 5)
GROUP_NAME_SLOT(3, 4)
GROUP_NAME_SLOT(4, 6)
GROUP_NAME_SLOT(4, 5)
GROUP_NAME_SLOT(5, 6)
#undef GROUP_NAME_SLOT

void MainWindow::on_lineEdit_deviceName_editingFinished()
{
    names.deviceNameEdited();
}
