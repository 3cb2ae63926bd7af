#include "mainwindow.h"

#include "form_font.h"
#include "orlousb.h"
#include "ui_mainwindow.h"
#include "version.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QStyle>

#include <initializer_list>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    // INTEGRATION: the priority dialog is constructed first.
    , registry(this, this)
    , ui(new Ui::MainWindow)
{

    useFormFont();
    // Builds the widgets, sets every text through the translation layer
    // (retranslateUi), selects the first tab and binds the on_<object>_<signal>
    // handlers by name. The title reads "Orlo ZQ40 - Offline" until the
    // offline entry is selected below.
    ui->setupUi(this);

    // Once more after the form: whatever a handler stored while the form was
    // built is undone. Working offline, nothing is linked.
    offlineDevice.blocks.setDefaultParameters(false);
    offlineDevice.blocks.clearZoneLinks();

    // The link markers show only for linked zones; the frames must never
    // catch clicks meant for the controls under them.
    for (QWidget* marker : std::initializer_list<QWidget*>{ui->label_zones_linked_1, ui->frame_linked_1,
                                                           ui->label_zones_linked_2, ui->frame_linked_2,
                                                           ui->label_zones_linked_3, ui->frame_linked_3})
        marker->hide();
    for (QFrame* frame : {ui->frame_linked_1, ui->frame_linked_2, ui->frame_linked_3})
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);

    setConnectedState(QStringLiteral("false"));

    for (QSpinBox* minimum : {ui->spinBox_level_min_zone_1, ui->spinBox_level_min_zone_2, ui->spinBox_level_min_zone_3,
                              ui->spinBox_level_min_zone_4, ui->spinBox_level_min_zone_5, ui->spinBox_level_min_zone_6})
        minimum->setSpecialValueText(tr("Off"));

    ui->label_fw_update_status->hide();
    ui->label_update_fw->hide();
    ui->progressBar_fw->hide();

    const QString version =
        QStringLiteral("%1.%2.%3").arg(zq40::versionMajor).arg(zq40::versionMinor).arg(zq40::versionBuild);
    ui->label_version->setText(tr("Version %1").arg(version));

    // The offline entry is never removed; entries are found by their data.
    // INTEGRATION: once the device-selection handler
    // on_comboBox_deviceList_currentIndexChanged exists, adding this first
    // entry runs it and the direct call below goes.
    ui->comboBox_deviceList->addItem(tr(" -- Offline -- "), QVariant::fromValue(&offlineDevice));
    showWorkingOffline();

    // INTEGRATION: the ten direct connections, in this order: registry
    // DoNewDeviceOnline, DoNewDeviceBootStatus, DoDeviceOffline,
    // DoUpdateAllParameters, DoUpdateDeviceName, DoUpdateRemotesList to the
    // slots of the same names (on for Do); the bridge's DoUpdaterProgress to
    // OnUpdaterProgress; the dialog's DoSetPgm6Threshold, DoSetPgm6HoldTime
    // and DoLoadPgm6Default to OnPgm6SetThreshold, OnPgm6SetHoldTime and
    // OnPgm6LoadDefault.

    // Units found arrive later, one by one, once the event loop runs.
    ousb_EnumerateDevices();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::openConfigFromPath(const QString& path)
{
    startupConfigPath = path;
    if (!QFileInfo::exists(path)) {
        startupConfigPath.clear();
        return;
    }
    // INTEGRATION: read the file into offlineDevice with loadName true, then
    // onUpdateAllParameters(HIDR_ALL). Nothing is sent, nothing is shown.
}

void MainWindow::fallBackToOfflineDevice()
{
    pCurrentDevice = &offlineDevice;
    setWindowTitle(tr("Orlo ZQ40 - Offline"));
    // INTEGRATION: onUpdateAllParameters(HIDR_ALL) redraws every control
    // from the offline record once the control bindings exist.
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing asks nothing and saves nothing. The priority dialog is a window
    // of its own: the program must end here even while it is open.
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::showWorkingOffline()
{
    // INTEGRATION: this is the offline branch of device selection; the
    // selection handler sets pCurrentDevice from the entry's data first and
    // afterwards calls onUpdateAllParameters(HIDR_ALL) and onUpdateRemotesList().
    setWindowTitle(tr("Orlo ZQ40 - Working Offline"));
    ui->lbl_fw_version_value->clear();
    ui->lbl_serial_value->clear();
    ui->lbl_hw_revision_value->clear();
    ui->label_connected->setText(tr("<font color='Gray'>Offline</font>"));
    ui->frame_connected->setPalette(ui->frame_connected->style()->standardPalette());
    ui->pushButton_firmware->hide();
    ui->label_update_fw->hide();
    ui->label_fw_update_status->hide();
    ui->progressBar_fw->hide();
    ui->pushButton_open_config->setText(tr("Open Config"));
    setConnectedState(QStringLiteral("false"));
    setParameterControlsEnabled(true);
}

void MainWindow::setConnectedState(const QString& state)
{
    QFrame* frame = ui->frame_connected;
    frame->setProperty("connected", state);
    frame->style()->unpolish(frame);
    frame->style()->polish(frame);
    frame->update();
}

void MainWindow::setParameterControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->groupBox_input_levels, ui->groupBox_page1_settings, ui->groupBox_page2_settings,
             ui->groupBox_zone_1, ui->groupBox_zone_2, ui->groupBox_zone_3, ui->groupBox_zone_4, ui->groupBox_zone_5,
             ui->groupBox_zone_6, ui->groupBox_zoneNames, ui->groupBox_deviceName, ui->groupBox_pager_status,
             ui->groupBox_groupNames, ui->pushButton_new_config, ui->pushButton_open_config,
             ui->pushButton_save_config})
        w->setEnabled(enabled);
}
