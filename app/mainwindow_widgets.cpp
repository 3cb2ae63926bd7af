// The window's controls by zone or input number, so that the handlers share
// one body for all six.
#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <array>

namespace {

template <typename T, size_t N>
T* pick(const std::array<T*, N>& all, int number)
{
    return number >= 1 && number <= int(N) ? all[size_t(number - 1)] : nullptr;
}

} // namespace

QSlider* MainWindow::levelSlider(int zone) const
{
    return pick(std::array{ui->hSlider_level_zone_1, ui->hSlider_level_zone_2, ui->hSlider_level_zone_3,
                           ui->hSlider_level_zone_4, ui->hSlider_level_zone_5, ui->hSlider_level_zone_6},
                zone);
}

QSpinBox* MainWindow::minimumBox(int zone) const
{
    return pick(std::array{ui->spinBox_level_min_zone_1, ui->spinBox_level_min_zone_2, ui->spinBox_level_min_zone_3,
                           ui->spinBox_level_min_zone_4, ui->spinBox_level_min_zone_5, ui->spinBox_level_min_zone_6},
                zone);
}

QSpinBox* MainWindow::maximumBox(int zone) const
{
    return pick(std::array{ui->spinBox_level_max_zone_1, ui->spinBox_level_max_zone_2, ui->spinBox_level_max_zone_3,
                           ui->spinBox_level_max_zone_4, ui->spinBox_level_max_zone_5, ui->spinBox_level_max_zone_6},
                zone);
}

QComboBox* MainWindow::sourceBox(int zone) const
{
    return pick(std::array{ui->comboBox_zone1_source, ui->comboBox_zone2_source, ui->comboBox_zone3_source,
                           ui->comboBox_zone4_source, ui->comboBox_zone5_source, ui->comboBox_zone6_source},
                zone);
}

QLabel* MainWindow::levelLabel(int zone) const
{
    return pick(std::array{ui->lbl_level_value_zone1, ui->lbl_level_value_zone2, ui->lbl_level_value_zone3,
                           ui->lbl_level_value_zone4, ui->lbl_level_value_zone5, ui->lbl_level_value_zone6},
                zone);
}

QGroupBox* MainWindow::zoneBox(int zone) const
{
    return pick(std::array{ui->groupBox_zone_1, ui->groupBox_zone_2, ui->groupBox_zone_3, ui->groupBox_zone_4,
                           ui->groupBox_zone_5, ui->groupBox_zone_6},
                zone);
}

QLineEdit* MainWindow::zoneNameEdit(int zone) const
{
    return pick(std::array{ui->lineEdit_zone1, ui->lineEdit_zone2, ui->lineEdit_zone3, ui->lineEdit_zone4,
                           ui->lineEdit_zone5, ui->lineEdit_zone6},
                zone);
}

QLineEdit* MainWindow::programNameEdit(int input) const
{
    return pick(std::array{ui->lineEdit_pgm_1, ui->lineEdit_pgm_2, ui->lineEdit_pgm_3, ui->lineEdit_pgm_4,
                           ui->lineEdit_pgm_5, ui->lineEdit_pgm_6},
                input);
}

QSlider* MainWindow::programLevelSlider(int input) const
{
    return pick(std::array{ui->vSlider_pgm1_level, ui->vSlider_pgm2_level, ui->vSlider_pgm3_level,
                           ui->vSlider_pgm4_level, ui->vSlider_pgm5_level, ui->vSlider_pgm6_level},
                input);
}

QCheckBox* MainWindow::priorityBox(int zone) const
{
    return pick(std::array{ui->checkBox_priority_en_zone_1, ui->checkBox_priority_en_zone_2,
                           ui->checkBox_priority_en_zone_3, ui->checkBox_priority_en_zone_4,
                           ui->checkBox_priority_en_zone_5, ui->checkBox_priority_en_zone_6},
                zone);
}

QCheckBox* MainWindow::groupMemberBox(int group, int zone) const
{
    if (group == 1)
        return pick(std::array{ui->checkBox_group1_z_1, ui->checkBox_group1_z_2, ui->checkBox_group1_z_3,
                               ui->checkBox_group1_z_4, ui->checkBox_group1_z_5, ui->checkBox_group1_z_6},
                    zone);
    return pick(std::array{ui->checkBox_group2_z_1, ui->checkBox_group2_z_2, ui->checkBox_group2_z_3,
                           ui->checkBox_group2_z_4, ui->checkBox_group2_z_5, ui->checkBox_group2_z_6},
                zone);
}

QLineEdit* MainWindow::groupNameEdit(int first, int last) const
{
    // In the order of zq40::kGroupRanges.
    const std::array all{ui->lineEdit_zone16, ui->lineEdit_zone15, ui->lineEdit_zone14, ui->lineEdit_zone13,
                         ui->lineEdit_zone12, ui->lineEdit_zone26, ui->lineEdit_zone25, ui->lineEdit_zone24,
                         ui->lineEdit_zone23, ui->lineEdit_zone36, ui->lineEdit_zone35, ui->lineEdit_zone34,
                         ui->lineEdit_zone46, ui->lineEdit_zone45, ui->lineEdit_zone56};
    for (size_t i = 0; i < zq40::kGroupRanges.size(); ++i) {
        if (zq40::kGroupRanges[i].first == first && zq40::kGroupRanges[i].last == last)
            return all[i];
    }
    return nullptr;
}

QSlider* MainWindow::settingSlider(int zone, zq40::ZoneSetting setting) const
{
    using zq40::ZoneSetting;
    switch (setting) {
    case ZoneSetting::EQLo:
        return pick(std::array{ui->hSlider_eq_lo_zone1, ui->hSlider_eq_lo_zone2, ui->hSlider_eq_lo_zone3,
                               ui->hSlider_eq_lo_zone4, ui->hSlider_eq_lo_zone5, ui->hSlider_eq_lo_zone6},
                    zone);
    case ZoneSetting::EQMid:
        return pick(std::array{ui->hSlider_eq_mid_zone1, ui->hSlider_eq_mid_zone2, ui->hSlider_eq_mid_zone3,
                               ui->hSlider_eq_mid_zone4, ui->hSlider_eq_mid_zone5, ui->hSlider_eq_mid_zone6},
                    zone);
    case ZoneSetting::EQHi:
        return pick(std::array{ui->hSlider_eq_hi_zone1, ui->hSlider_eq_hi_zone2, ui->hSlider_eq_hi_zone3,
                               ui->hSlider_eq_hi_zone4, ui->hSlider_eq_hi_zone5, ui->hSlider_eq_hi_zone6},
                    zone);
    case ZoneSetting::PageLevel:
        return pick(std::array{ui->hSlider_page_level_zone1, ui->hSlider_page_level_zone2, ui->hSlider_page_level_zone3,
                               ui->hSlider_page_level_zone4, ui->hSlider_page_level_zone5,
                               ui->hSlider_page_level_zone6},
                    zone);
    case ZoneSetting::DuckerDepth:
        return pick(std::array{ui->hSlider_ducker_depth_zone1, ui->hSlider_ducker_depth_zone2,
                               ui->hSlider_ducker_depth_zone3, ui->hSlider_ducker_depth_zone4,
                               ui->hSlider_ducker_depth_zone5, ui->hSlider_ducker_depth_zone6},
                    zone);
    case ZoneSetting::HighPassFreq:
        return pick(std::array{ui->hSlider_hpf_zone1, ui->hSlider_hpf_zone2, ui->hSlider_hpf_zone3,
                               ui->hSlider_hpf_zone4, ui->hSlider_hpf_zone5, ui->hSlider_hpf_zone6},
                    zone);
    case ZoneSetting::LimiterValue:
        return pick(std::array{ui->hSlider_limiter_zone1, ui->hSlider_limiter_zone2, ui->hSlider_limiter_zone3,
                               ui->hSlider_limiter_zone4, ui->hSlider_limiter_zone5, ui->hSlider_limiter_zone6},
                    zone);
    case ZoneSetting::PriorityEnable:
        break;
    }
    return nullptr;
}
