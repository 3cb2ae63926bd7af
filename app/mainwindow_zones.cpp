// Edit slots of the zone settings (block 1): EQ, page level, ducker,
// high-pass filter, limiter and program-6 priority.
#include "mainwindow.h"

#include "level_conversion.h"
#include "ui_mainwindow.h"

using namespace zq40;

#define ZONE_SETTING_SLOTS(n)                                                                                          \
    void MainWindow::on_hSlider_eq_lo_zone##n##_valueChanged(int value)                                                \
    {                                                                                                                  \
        editValue(ui->lbl_eq_lo_value_zone_##n, ValueLabel::EQ, value, zoneSetting(n, ZoneSetting::EQLo));             \
    }                                                                                                                  \
    void MainWindow::on_hSlider_eq_mid_zone##n##_valueChanged(int value)                                               \
    {                                                                                                                  \
        editValue(ui->lbl_eq_mid_value_zone_##n, ValueLabel::EQ, value, zoneSetting(n, ZoneSetting::EQMid));           \
    }                                                                                                                  \
    void MainWindow::on_hSlider_eq_hi_zone##n##_valueChanged(int value)                                                \
    {                                                                                                                  \
        editValue(ui->lbl_eq_hi_value_zone_##n, ValueLabel::EQ, value, zoneSetting(n, ZoneSetting::EQHi));             \
    }                                                                                                                  \
    void MainWindow::on_hSlider_page_level_zone##n##_valueChanged(int value)                                           \
    {                                                                                                                  \
        editValue(ui->lbl_pagelevel_value_zone##n, ValueLabel::PageLevel, value,                                       \
                  zoneSetting(n, ZoneSetting::PageLevel));                                                             \
    }                                                                                                                  \
    void MainWindow::on_hSlider_ducker_depth_zone##n##_valueChanged(int value)                                         \
    {                                                                                                                  \
        editValue(ui->lbl_ducker_value_zone##n, ValueLabel::DuckerDepth, value,                                        \
                  zoneSetting(n, ZoneSetting::DuckerDepth));                                                           \
    }                                                                                                                  \
    void MainWindow::on_hSlider_limiter_zone##n##_valueChanged(int value)                                              \
    {                                                                                                                  \
        editValue(ui->lbl_limiter_value_zone##n, ValueLabel::LimiterValue, value,                                      \
                  zoneSetting(n, ZoneSetting::LimiterValue));                                                          \
    }                                                                                                                  \
    void MainWindow::on_hSlider_hpf_zone##n##_valueChanged(int value)                                                  \
    {                                                                                                                  \
        /* The slider counts tens of hertz. */                                                                         \
        ui->lbl_hpf_value_zone##n->setText(QString::fromStdString(valueText(ValueLabel::HighPassSlider, value)));      \
        editByte(zoneSetting(n, ZoneSetting::HighPassFreq), highPassFromSlider(value));                                \
    }                                                                                                                  \
    void MainWindow::on_checkBox_priority_en_zone_##n##_stateChanged(int)                                              \
    {                                                                                                                  \
        editByte(zoneSetting(n, ZoneSetting::PriorityEnable), ui->checkBox_priority_en_zone_##n->isChecked() ? 1 : 0); \
    }

ZONE_SETTING_SLOTS(1)
ZONE_SETTING_SLOTS(2)
ZONE_SETTING_SLOTS(3)
ZONE_SETTING_SLOTS(4)
ZONE_SETTING_SLOTS(5)
ZONE_SETTING_SLOTS(6)
#undef ZONE_SETTING_SLOTS
