#include "form_widgets.h"

#include "ui_mainwindow.h"

#include <array>

namespace {

template <typename T, size_t N>
T* pick(const std::array<T*, N>& all, int number)
{
    return number >= 1 && number <= int(N) ? all[size_t(number - 1)] : nullptr;
}

} // namespace

namespace form {

QSlider* levelSlider(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.hSlider_level_zone_1, f.hSlider_level_zone_2, f.hSlider_level_zone_3,
                           f.hSlider_level_zone_4, f.hSlider_level_zone_5, f.hSlider_level_zone_6},
                zone);
}

QSpinBox* minimumBox(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.spinBox_level_min_zone_1, f.spinBox_level_min_zone_2, f.spinBox_level_min_zone_3,
                           f.spinBox_level_min_zone_4, f.spinBox_level_min_zone_5, f.spinBox_level_min_zone_6},
                zone);
}

QSpinBox* maximumBox(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.spinBox_level_max_zone_1, f.spinBox_level_max_zone_2, f.spinBox_level_max_zone_3,
                           f.spinBox_level_max_zone_4, f.spinBox_level_max_zone_5, f.spinBox_level_max_zone_6},
                zone);
}

QComboBox* sourceBox(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.comboBox_zone1_source, f.comboBox_zone2_source, f.comboBox_zone3_source,
                           f.comboBox_zone4_source, f.comboBox_zone5_source, f.comboBox_zone6_source},
                zone);
}

QLabel* levelLabel(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.lbl_level_value_zone1, f.lbl_level_value_zone2, f.lbl_level_value_zone3,
                           f.lbl_level_value_zone4, f.lbl_level_value_zone5, f.lbl_level_value_zone6},
                zone);
}

QGroupBox* zoneBox(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.groupBox_zone_1, f.groupBox_zone_2, f.groupBox_zone_3, f.groupBox_zone_4,
                           f.groupBox_zone_5, f.groupBox_zone_6},
                zone);
}

QLineEdit* zoneNameEdit(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.lineEdit_zone1, f.lineEdit_zone2, f.lineEdit_zone3, f.lineEdit_zone4, f.lineEdit_zone5,
                           f.lineEdit_zone6},
                zone);
}

QLineEdit* programNameEdit(const Ui::MainWindow& f, int input)
{
    return pick(std::array{f.lineEdit_pgm_1, f.lineEdit_pgm_2, f.lineEdit_pgm_3, f.lineEdit_pgm_4, f.lineEdit_pgm_5,
                           f.lineEdit_pgm_6},
                input);
}

QSlider* programLevelSlider(const Ui::MainWindow& f, int input)
{
    return pick(std::array{f.vSlider_pgm1_level, f.vSlider_pgm2_level, f.vSlider_pgm3_level, f.vSlider_pgm4_level,
                           f.vSlider_pgm5_level, f.vSlider_pgm6_level},
                input);
}

QCheckBox* priorityBox(const Ui::MainWindow& f, int zone)
{
    return pick(std::array{f.checkBox_priority_en_zone_1, f.checkBox_priority_en_zone_2, f.checkBox_priority_en_zone_3,
                           f.checkBox_priority_en_zone_4, f.checkBox_priority_en_zone_5, f.checkBox_priority_en_zone_6},
                zone);
}

QCheckBox* groupMemberBox(const Ui::MainWindow& f, int group, int zone)
{
    if (group == 1)
        return pick(std::array{f.checkBox_group1_z_1, f.checkBox_group1_z_2, f.checkBox_group1_z_3,
                               f.checkBox_group1_z_4, f.checkBox_group1_z_5, f.checkBox_group1_z_6},
                    zone);
    return pick(std::array{f.checkBox_group2_z_1, f.checkBox_group2_z_2, f.checkBox_group2_z_3, f.checkBox_group2_z_4,
                           f.checkBox_group2_z_5, f.checkBox_group2_z_6},
                zone);
}

QLineEdit* groupNameEdit(const Ui::MainWindow& f, int first, int last)
{
    // In the order of zq40::kGroupRanges.
    const std::array all{f.lineEdit_zone16, f.lineEdit_zone15, f.lineEdit_zone14, f.lineEdit_zone13, f.lineEdit_zone12,
                         f.lineEdit_zone26, f.lineEdit_zone25, f.lineEdit_zone24, f.lineEdit_zone23, f.lineEdit_zone36,
                         f.lineEdit_zone35, f.lineEdit_zone34, f.lineEdit_zone46, f.lineEdit_zone45, f.lineEdit_zone56};
    for (size_t i = 0; i < zq40::kGroupRanges.size(); ++i) {
        if (zq40::kGroupRanges[i].first == first && zq40::kGroupRanges[i].last == last)
            return all[i];
    }
    return nullptr;
}

QSlider* settingSlider(const Ui::MainWindow& f, int zone, zq40::ZoneSetting setting)
{
    using zq40::ZoneSetting;
    switch (setting) {
    case ZoneSetting::EQLo:
        return pick(std::array{f.hSlider_eq_lo_zone1, f.hSlider_eq_lo_zone2, f.hSlider_eq_lo_zone3,
                               f.hSlider_eq_lo_zone4, f.hSlider_eq_lo_zone5, f.hSlider_eq_lo_zone6},
                    zone);
    case ZoneSetting::EQMid:
        return pick(std::array{f.hSlider_eq_mid_zone1, f.hSlider_eq_mid_zone2, f.hSlider_eq_mid_zone3,
                               f.hSlider_eq_mid_zone4, f.hSlider_eq_mid_zone5, f.hSlider_eq_mid_zone6},
                    zone);
    case ZoneSetting::EQHi:
        return pick(std::array{f.hSlider_eq_hi_zone1, f.hSlider_eq_hi_zone2, f.hSlider_eq_hi_zone3,
                               f.hSlider_eq_hi_zone4, f.hSlider_eq_hi_zone5, f.hSlider_eq_hi_zone6},
                    zone);
    case ZoneSetting::PageLevel:
        return pick(std::array{f.hSlider_page_level_zone1, f.hSlider_page_level_zone2, f.hSlider_page_level_zone3,
                               f.hSlider_page_level_zone4, f.hSlider_page_level_zone5, f.hSlider_page_level_zone6},
                    zone);
    case ZoneSetting::DuckerDepth:
        return pick(std::array{f.hSlider_ducker_depth_zone1, f.hSlider_ducker_depth_zone2, f.hSlider_ducker_depth_zone3,
                               f.hSlider_ducker_depth_zone4, f.hSlider_ducker_depth_zone5,
                               f.hSlider_ducker_depth_zone6},
                    zone);
    case ZoneSetting::HighPassFreq:
        return pick(std::array{f.hSlider_hpf_zone1, f.hSlider_hpf_zone2, f.hSlider_hpf_zone3, f.hSlider_hpf_zone4,
                               f.hSlider_hpf_zone5, f.hSlider_hpf_zone6},
                    zone);
    case ZoneSetting::LimiterValue:
        return pick(std::array{f.hSlider_limiter_zone1, f.hSlider_limiter_zone2, f.hSlider_limiter_zone3,
                               f.hSlider_limiter_zone4, f.hSlider_limiter_zone5, f.hSlider_limiter_zone6},
                    zone);
    case ZoneSetting::PriorityEnable:
        break;
    }
    return nullptr;
}

} // namespace form
