// The program's one window: the form of the control panel over the panel's
// core. Its slots are the form's entry points and delegate to the core and
// to the views that draw parts of the form: the controls of the inputs, the
// zones and the names, the link markers, the connection frame and the
// remotes panel. The slots' bodies are in mainwindow_slots.cpp.
#pragma once

#include "connection_frame.h"
#include "control_state.h"
#include "dialog.h"
#include "dialog_prompter.h"
#include "inputs_view.h"
#include "link_markers.h"
#include "names_view.h"
#include "panel_core.h"
#include "presentation.h"
#include "remote_status.h"
#include "zones_view.h"

#include <QMainWindow>
#include <QString>

#include <optional>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The configuration file named on the command line, into the offline
    // record. The path is kept while the file exists (the first unit listed
    // then does not replace the offline view); a path that names no file is
    // forgotten, silently.
    void openConfigFromPath(const QString& path);
    const QString& startupConfig() const { return core.session().startupConfig(); }

    zq40::PanelCore& panel() { return core; }
    const QDevices& deviceRegistry() const { return core.session().registry(); }
    QDevice* currentDevice() const { return core.session().currentDevice(); }

public slots:
    // Registry events.
    void onNewDeviceOnline(QDevice* pDevice);
    void onNewDeviceBootStatus(QDevice* pDevice);
    void onDeviceOffline(QDevice* pDevice);
    void onUpdateDeviceName(QDevice* pDevice);
    // Copies the stored block `code` (all of them for HIDR_ALL) into the
    // controls; nothing is stored or sent meanwhile.
    void onUpdateAllParameters(zq40::hidr_t code);
    // Shows the link markers of the current record's linked groups.
    void onUpdateLinked();
    // Redraws the remotes and the paging station of the current record.
    void onUpdateRemotesList();
    // The priority dialog's values: stored and sent as block 3 while
    // controlsLive is set; the defaults are always handed back to it.
    void OnPgm6SetThreshold(int value);
    void OnPgm6SetHoldTime(int value);
    void OnPgm6LoadDefault();

    void on_comboBox_deviceList_currentIndexChanged(int index);

    // Configuration files.
    void on_pushButton_open_config_pressed();
    void on_pushButton_save_config_pressed();
    void on_pushButton_new_config_pressed();

    // The firmware update: the main unit first, its outdated children on a
    // later press.
    void on_pushButton_firmware_pressed();
    // The library's progress during an update, through the bridge.
    void OnUpdaterProgress(uint8_t progress, obin_updater_error_t error);

    // The edit slots: each shows its value and edits the current record.
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
    // The one writer of the title, of what may be edited, of the open-config
    // text and of the connection frame's presentation: the state the core
    // decides after `event`.
    void apply(zq40::WindowEvent event);
    void showPriorityMenu();
    void showFirmwareOutcome(const zq40::FirmwareFlow::Outcome& outcome);
    // The device list's entry of `record`; -1 when it has none.
    int entryOf(QDevice* record) const;

    // Construction order matters, see the constructor.
    // The program-6 priority dialog: a window of its own, shown on demand.
    Dialog dialog;
    DialogPrompter prompter;
    // The session with the units (the registry, the offline record, the
    // current record) and the configuration and firmware flows.
    zq40::PanelCore core;
    Ui::MainWindow* ui;
    ControlState controls;
    InputsView inputs;
    ZonesView zones;
    NamesView names;
    LinkMarkers linkMarkers;
    ConnectionFrame frame;
    // Made with the form: it holds the form's labels.
    std::optional<RemoteStatusView> remotes;
    // The core's state after the last event, as the window shows it.
    zq40::WindowState presented;
    // Closing was asked for during a firmware update: done when it ends.
    bool closeAfterUpdate = false;
};
