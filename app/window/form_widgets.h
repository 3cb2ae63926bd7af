// The window's controls by zone or input number, so that the views share one
// body for all six.
#pragma once

#include "parameter_fields.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace Ui {
class MainWindow;
}

namespace form {

QSlider* levelSlider(const Ui::MainWindow& f, int zone);
QSpinBox* minimumBox(const Ui::MainWindow& f, int zone);
QSpinBox* maximumBox(const Ui::MainWindow& f, int zone);
QComboBox* sourceBox(const Ui::MainWindow& f, int zone);
QLabel* levelLabel(const Ui::MainWindow& f, int zone);
QGroupBox* zoneBox(const Ui::MainWindow& f, int zone);
QLineEdit* zoneNameEdit(const Ui::MainWindow& f, int zone);
QLineEdit* programNameEdit(const Ui::MainWindow& f, int input);
QSlider* programLevelSlider(const Ui::MainWindow& f, int input);
QCheckBox* priorityBox(const Ui::MainWindow& f, int zone);
QCheckBox* groupMemberBox(const Ui::MainWindow& f, int group, int zone);
QLineEdit* groupNameEdit(const Ui::MainWindow& f, int first, int last);
// One zone setting's slider; null for settings without one.
QSlider* settingSlider(const Ui::MainWindow& f, int zone, zq40::ZoneSetting setting);

} // namespace form
