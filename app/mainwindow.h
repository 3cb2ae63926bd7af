// The program's one window: the form of the control panel, the record it
// shows while working offline, the device list and the handlers of the
// controls. Its code is split by concern: mainwindow_states.cpp (device list
// and presentations), mainwindow_send.cpp, mainwindow_refresh.cpp, the edit
// slots in mainwindow_inputs.cpp, mainwindow_zones.cpp, mainwindow_levels.cpp,
// mainwindow_names.cpp and mainwindow_priority.cpp, then mainwindow_links.cpp
// and mainwindow_widgets.cpp.
#pragma once

#include "dialog.h"
#include "parameter_blocks.h"
#include "qdevices.h"
#include "remote_status.h"
#include "value_text.h"

#include <QMainWindow>
#include <QString>

#include <vector>

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

class MainWindow : public QMainWindow, public DeviceView {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The configuration file named on the command line. The path is kept
    // while the file exists (the first unit listed then does not replace the
    // offline view); a path that names no file is forgotten, silently.
    void openConfigFromPath(const QString& path);
    const QString& startupConfig() const { return startupConfigPath; }

    // The registry's view of the window.
    QDevice* currentDevice() const override { return pCurrentDevice; }
    void fallBackToOfflineDevice() override;

    const QDevices& deviceRegistry() const { return registry; }

    // Sends one block of the current device, or of `device`, as a parameter
    // write, then lets pending events run.
    void sendParameters(zq40::hidr_t code);
    void sendParametersTo(zq40::hidr_t code, QDevice* device);

    // Copies every linked group's fader position and source from one zone
    // into the others and recomputes all six levels; with `report` set and
    // any link present, tells the user that settings may have changed.
    void conformToLinkedZones(QDevice* device, bool report);

public slots:
    // Registry events.
    void onNewDeviceOnline(QDevice* pDevice);
    void onNewDeviceBootStatus(QDevice* pDevice);
    void onDeviceOffline(QDevice* pDevice);
    void onUpdateDeviceName(QDevice* pDevice);
    // Copies the stored block `code` (all of them for HIDR_ALL) into the
    // controls; nothing is stored or sent meanwhile.
    void onUpdateAllParameters(zq40::hidr_t code);
    // Shows the link markers of the current device's linked groups.
    void onUpdateLinked();
    // Redraws the remotes and the paging station of the current device.
    void onUpdateRemotesList();
    // The priority dialog's values: stored and sent as block 3 while
    // controlsLive is set; the defaults are always handed back to it.
    void OnPgm6SetThreshold(int value);
    void OnPgm6SetHoldTime(int value);
    void OnPgm6LoadDefault();

    void on_comboBox_deviceList_currentIndexChanged(int index);

    // Configuration files (mainwindow_config.cpp).
    void on_pushButton_open_config_pressed();
    void on_pushButton_save_config_pressed();
    void on_pushButton_new_config_pressed();

    // The firmware update flow (mainwindow_firmware.cpp): the main unit
    // first, its outdated children on a later press.
    void on_pushButton_firmware_pressed();
    // The library's progress during an update, through the bridge.
    void OnUpdaterProgress(uint8_t progress, obin_updater_error_t error);

    // The edit slots: each stores its field in the current device's block
    // and sends the block, while controlsLive is set.
    void on_vSlider_pgm1_level_valueChanged(int value);
    void on_vSlider_pgm2_level_valueChanged(int value);
    void on_vSlider_pgm3_level_valueChanged(int value);
    void on_vSlider_pgm4_level_valueChanged(int value);
    void on_vSlider_pgm5_level_valueChanged(int value);
    void on_vSlider_pgm6_level_valueChanged(int value);
    void on_vSlider_page1_eq_lo_valueChanged(int value);
    void on_vSlider_page1_eq_hi_valueChanged(int value);
    void on_vSlider_page2_eq_lo_valueChanged(int value);
    void on_vSlider_page2_eq_hi_valueChanged(int value);
    void on_vSlider_page1_thresh_value_valueChanged(int value);
    void on_vSlider_page2_trim_level_value_valueChanged(int value);
    void on_comboBox_page1_prio_currentIndexChanged(int index);
    void on_comboBox_page2_prio_currentIndexChanged(int index);
    void on_comboBox_page1_chime_currentIndexChanged(int index);
    void on_comboBox_page2_chime_currentIndexChanged(int index);
    void on_checkBox_page1_thresh_mode_stateChanged(int state);
    void on_checkBox_page2_pad_stateChanged(int state);
    void on_checkBox_page2_phantom_stateChanged(int state);
    void on_checkBox_group_disable_stateChanged(int state);
    void on_checkBox_group1_z_1_stateChanged(int state);
    void on_checkBox_group1_z_2_stateChanged(int state);
    void on_checkBox_group1_z_3_stateChanged(int state);
    void on_checkBox_group1_z_4_stateChanged(int state);
    void on_checkBox_group1_z_5_stateChanged(int state);
    void on_checkBox_group1_z_6_stateChanged(int state);
    void on_checkBox_group2_z_1_stateChanged(int state);
    void on_checkBox_group2_z_2_stateChanged(int state);
    void on_checkBox_group2_z_3_stateChanged(int state);
    void on_checkBox_group2_z_4_stateChanged(int state);
    void on_checkBox_group2_z_5_stateChanged(int state);
    void on_checkBox_group2_z_6_stateChanged(int state);
    void on_hSlider_eq_lo_zone1_valueChanged(int value);
    void on_hSlider_eq_lo_zone2_valueChanged(int value);
    void on_hSlider_eq_lo_zone3_valueChanged(int value);
    void on_hSlider_eq_lo_zone4_valueChanged(int value);
    void on_hSlider_eq_lo_zone5_valueChanged(int value);
    void on_hSlider_eq_lo_zone6_valueChanged(int value);
    void on_hSlider_eq_mid_zone1_valueChanged(int value);
    void on_hSlider_eq_mid_zone2_valueChanged(int value);
    void on_hSlider_eq_mid_zone3_valueChanged(int value);
    void on_hSlider_eq_mid_zone4_valueChanged(int value);
    void on_hSlider_eq_mid_zone5_valueChanged(int value);
    void on_hSlider_eq_mid_zone6_valueChanged(int value);
    void on_hSlider_eq_hi_zone1_valueChanged(int value);
    void on_hSlider_eq_hi_zone2_valueChanged(int value);
    void on_hSlider_eq_hi_zone3_valueChanged(int value);
    void on_hSlider_eq_hi_zone4_valueChanged(int value);
    void on_hSlider_eq_hi_zone5_valueChanged(int value);
    void on_hSlider_eq_hi_zone6_valueChanged(int value);
    void on_hSlider_page_level_zone1_valueChanged(int value);
    void on_hSlider_page_level_zone2_valueChanged(int value);
    void on_hSlider_page_level_zone3_valueChanged(int value);
    void on_hSlider_page_level_zone4_valueChanged(int value);
    void on_hSlider_page_level_zone5_valueChanged(int value);
    void on_hSlider_page_level_zone6_valueChanged(int value);
    void on_hSlider_ducker_depth_zone1_valueChanged(int value);
    void on_hSlider_ducker_depth_zone2_valueChanged(int value);
    void on_hSlider_ducker_depth_zone3_valueChanged(int value);
    void on_hSlider_ducker_depth_zone4_valueChanged(int value);
    void on_hSlider_ducker_depth_zone5_valueChanged(int value);
    void on_hSlider_ducker_depth_zone6_valueChanged(int value);
    void on_hSlider_hpf_zone1_valueChanged(int value);
    void on_hSlider_hpf_zone2_valueChanged(int value);
    void on_hSlider_hpf_zone3_valueChanged(int value);
    void on_hSlider_hpf_zone4_valueChanged(int value);
    void on_hSlider_hpf_zone5_valueChanged(int value);
    void on_hSlider_hpf_zone6_valueChanged(int value);
    void on_hSlider_limiter_zone1_valueChanged(int value);
    void on_hSlider_limiter_zone2_valueChanged(int value);
    void on_hSlider_limiter_zone3_valueChanged(int value);
    void on_hSlider_limiter_zone4_valueChanged(int value);
    void on_hSlider_limiter_zone5_valueChanged(int value);
    void on_hSlider_limiter_zone6_valueChanged(int value);
    void on_checkBox_priority_en_zone_1_stateChanged(int state);
    void on_checkBox_priority_en_zone_2_stateChanged(int state);
    void on_checkBox_priority_en_zone_3_stateChanged(int state);
    void on_checkBox_priority_en_zone_4_stateChanged(int state);
    void on_checkBox_priority_en_zone_5_stateChanged(int state);
    void on_checkBox_priority_en_zone_6_stateChanged(int state);
    void on_hSlider_level_zone_1_valueChanged(int value);
    void on_hSlider_level_zone_2_valueChanged(int value);
    void on_hSlider_level_zone_3_valueChanged(int value);
    void on_hSlider_level_zone_4_valueChanged(int value);
    void on_hSlider_level_zone_5_valueChanged(int value);
    void on_hSlider_level_zone_6_valueChanged(int value);
    void on_spinBox_level_min_zone_1_valueChanged(int value);
    void on_spinBox_level_min_zone_2_valueChanged(int value);
    void on_spinBox_level_min_zone_3_valueChanged(int value);
    void on_spinBox_level_min_zone_4_valueChanged(int value);
    void on_spinBox_level_min_zone_5_valueChanged(int value);
    void on_spinBox_level_min_zone_6_valueChanged(int value);
    void on_spinBox_level_max_zone_1_valueChanged(int value);
    void on_spinBox_level_max_zone_2_valueChanged(int value);
    void on_spinBox_level_max_zone_3_valueChanged(int value);
    void on_spinBox_level_max_zone_4_valueChanged(int value);
    void on_spinBox_level_max_zone_5_valueChanged(int value);
    void on_spinBox_level_max_zone_6_valueChanged(int value);
    void on_comboBox_zone1_source_currentIndexChanged(int index);
    void on_comboBox_zone2_source_currentIndexChanged(int index);
    void on_comboBox_zone3_source_currentIndexChanged(int index);
    void on_comboBox_zone4_source_currentIndexChanged(int index);
    void on_comboBox_zone5_source_currentIndexChanged(int index);
    void on_comboBox_zone6_source_currentIndexChanged(int index);
    void on_lineEdit_zone1_editingFinished();
    void on_lineEdit_zone2_editingFinished();
    void on_lineEdit_zone3_editingFinished();
    void on_lineEdit_zone4_editingFinished();
    void on_lineEdit_zone5_editingFinished();
    void on_lineEdit_zone6_editingFinished();
    void on_lineEdit_zone16_editingFinished();
    void on_lineEdit_zone15_editingFinished();
    void on_lineEdit_zone14_editingFinished();
    void on_lineEdit_zone13_editingFinished();
    void on_lineEdit_zone12_editingFinished();
    void on_lineEdit_zone26_editingFinished();
    void on_lineEdit_zone25_editingFinished();
    void on_lineEdit_zone24_editingFinished();
    void on_lineEdit_zone23_editingFinished();
    void on_lineEdit_zone36_editingFinished();
    void on_lineEdit_zone35_editingFinished();
    void on_lineEdit_zone34_editingFinished();
    void on_lineEdit_zone46_editingFinished();
    void on_lineEdit_zone45_editingFinished();
    void on_lineEdit_zone56_editingFinished();
    void on_lineEdit_pgm_1_editingFinished();
    void on_lineEdit_pgm_2_editingFinished();
    void on_lineEdit_pgm_3_editingFinished();
    void on_lineEdit_pgm_4_editingFinished();
    void on_lineEdit_pgm_5_editingFinished();
    void on_lineEdit_pgm_6_editingFinished();
    void on_lineEdit_deviceName_editingFinished();
    // The priority check boxes' menu opens the program-6 priority dialog.
    void on_checkBox_priority_en_zone_1_customContextMenuRequested(const QPoint& pos);
    void on_checkBox_priority_en_zone_2_customContextMenuRequested(const QPoint& pos);
    void on_checkBox_priority_en_zone_3_customContextMenuRequested(const QPoint& pos);
    void on_checkBox_priority_en_zone_4_customContextMenuRequested(const QPoint& pos);
    void on_checkBox_priority_en_zone_5_customContextMenuRequested(const QPoint& pos);
    void on_checkBox_priority_en_zone_6_customContextMenuRequested(const QPoint& pos);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The three presentations of the chosen record.
    void showWorkingOffline();
    void showOnline();
    void showFirmwareMismatch();
    // The version and serial labels of the connection frame.
    void showUnitIdentity(const ousb_device_info_t& info);
    // "<device name> - (<serial>) - Working Online".
    QString onlineTitle(const QDevice& device) const;
    // Sets the "connected" property of the connection frame ("true", "false"
    // or "mismatch") and restyles the frame so the matching rule applies.
    void setConnectedState(const QString& state);
    // Enables or disables every parameter group box and the three
    // configuration buttons.
    void setParameterControlsEnabled(bool enabled);

    // Refresh steps, one per group of blocks.
    void refreshZoneSettings();
    void refreshZoneLevels();
    void refreshInputsPaging();
    void refreshNames();
    void refreshProgramNames();

    // The shared steps of the edit slots.
    bool live() const { return controlsLive && pCurrentDevice; }
    void editValue(QLabel* label, zq40::ValueLabel kind, int value, zq40::Field field);
    void editByte(zq40::Field field, int value);
    void editGroupZone(int group, int zone, bool member);
    void editZoneLevel(int zone, int value);
    void editZoneSource(int zone, int index);
    void editZoneMinimum(int zone, int value);
    void editZoneMaximum(int zone, int value);
    // After a range edit: the fader shows the new position, one block goes out.
    void showZoneFaderAndSend(int zone);
    void editZoneName(int zone);
    void editGroupName(QLineEdit* edit, int first, int last);
    void editProgramName(int input);
    void updateZoneLevelLabel(int zone);
    void showPriorityMenu();
    // Zones joined to `zone` by unbroken links: those below, walking down,
    // then those above, walking up.
    std::vector<int> linkedZonesOf(int zone) const;
    // Keeps each zone's minimum and maximum spin boxes from crossing.
    void limitZoneRange(int zone, int minimum, int maximum);

    // The controls of zone 1 to 6 and program input 1 to 6.
    QSlider* levelSlider(int zone) const;
    QSpinBox* minimumBox(int zone) const;
    QSpinBox* maximumBox(int zone) const;
    QComboBox* sourceBox(int zone) const;
    QLabel* levelLabel(int zone) const;
    QGroupBox* zoneBox(int zone) const;
    QLineEdit* zoneNameEdit(int zone) const;
    QLineEdit* programNameEdit(int input) const;
    QSlider* programLevelSlider(int input) const;
    QCheckBox* priorityBox(int zone) const;
    QCheckBox* groupMemberBox(int group, int zone) const;
    QLineEdit* groupNameEdit(int first, int last) const;
    // One zone setting's slider and value label; null for settings without.
    QSlider* settingSlider(int zone, zq40::ZoneSetting setting) const;

    // Construction order matters, see the constructor.
    // The program-6 priority dialog: a window of its own, shown on demand.
    Dialog dialog;
    // The registry of connected units; it owns the bridge from the library.
    QDevices registry;
    // The record edited while working offline: factory defaults, no links.
    QDevice offlineDevice;
    // The record the controls show: offlineDevice or a unit's record.
    QDevice* pCurrentDevice = &offlineDevice;
    QString startupConfigPath;
    // Clear while the program moves controls itself, so that their slots
    // neither store nor send. Clear until the first refresh, which the
    // constructor runs: nothing the form does while it is built is sent.
    bool controlsLive = false;

    Ui::MainWindow* ui;
    // The remotes panel; it reads the form's labels at every pass.
    RemoteStatusPanel remoteStatus;

    // Hands the current record's threshold and hold time to the dialog.
    void showPriorityValuesInDialog();

    // Configuration files (mainwindow_config.cpp).
    // The folder the open and save dialogs start in.
    static QString configFolder();

    // Firmware update flow (mainwindow_firmware.cpp).
    // For a unit back on the carried firmware: loads the settings backed up
    // before its update, sends them and deletes the backup.
    void restoreFirmwareBackup(QDevice* pDevice);
    // One press of the button: the unit itself, or else its children.
    void updateMainUnit(QDevice* unit);
    void updateChildren(QDevice* unit);
    // The status text and an empty progress bar in place of the unit's
    // identity labels.
    void showUpdateProgress(const QString& status);
    void setIdentityLabelsVisible(bool visible);
    // "Firmware Update Failed", and the identity labels back in their place
    // once the unit is no longer shown.
    void showUpdateFailed(bool unitStillShown);
    // The child's status line reads "Not Connected" until it is back.
    void showChildRestarting(quint16 key);
    // Set for the whole flow: a second press cannot start another update.
    bool firmwareFlowRunning = false;
    // After a failed update the identity labels come back with the next
    // change of the shown record.
    QMetaObject::Connection identityLabelsReturn;
};
