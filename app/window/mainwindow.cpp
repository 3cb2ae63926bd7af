#include "mainwindow.h"
#include "service_units.h"

#include "firmware_catalogue.h"
#include "form_font.h"
#include "form_widgets.h"
#include "latin1_text.h"
#include "orlousb.h"
#include "presentation.h"
#include "ui_mainwindow.h"
#include "version.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMenu>

using namespace zq40;

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , dialog(nullptr)
    , prompter(this)
    , core(prompter)
    , ui(new Ui::MainWindow)
    , controls(core.session())
    , inputs(*ui, controls, dialog)
    , zones(*ui, controls)
    , names(*ui, controls)
    , linkMarkers(*ui)
    , frame(*ui)
{
    useFormFont();
    // Builds the widgets, sets every text through the translation layer
    // (retranslateUi), selects the first tab and binds the on_<object>_<signal>
    // handlers by name. The title reads "Orlo ZQ40 - Offline" until the
    // offline entry is selected below.
    ui->setupUi(this);
    remotes.emplace(RemoteStatusView::Labels{
        ui->lbl_dr_status_value_pager, ui->lbl_dr_status_value_1, ui->lbl_dr_status_value_2, ui->lbl_dr_status_value_3,
        ui->lbl_dr_status_value_4, ui->lbl_dr_status_value_5, ui->lbl_dr_status_value_6, ui->lbl_dr_status_value_m});

    // Once more after the form: whatever a handler stored while the form was
    // built is undone. Working offline, nothing is linked.
    QDevice& offline = core.session().offlineRecord();
    offline.blocks.setDefaultParameters(false);
    offline.blocks.clearZoneLinks();

    linkMarkers.setUp();
    frame.setUp();
    for (int zone = 1; zone <= kZones; ++zone)
        form::minimumBox(*ui, zone)->setSpecialValueText(tr("Off"));
    ui->label_version->setText(tr("Version %1").arg(QString::fromLatin1(kVersion)));
    ui->label_version->setToolTip(
        tr("Firmware catalogue: %1").arg(QString::fromStdString(firmware::catalogueOrigin())));

    // The offline entry is never removed; entries are found by their data.
    // Being the first entry it becomes current, and device selection shows
    // the offline record and runs the first refresh.
    ui->comboBox_deviceList->addItem(tr(" -- Offline -- "), QVariant::fromValue(&offline));

    QDevices& registry = core.session().registry();
    connect(&registry, &QDevices::DoNewDeviceOnline, this, &MainWindow::onNewDeviceOnline, Qt::DirectConnection);
    connect(&registry, &QDevices::DoNewDeviceBootStatus, this, &MainWindow::onNewDeviceBootStatus,
            Qt::DirectConnection);
    connect(&registry, &QDevices::DoDeviceOffline, this, &MainWindow::onDeviceOffline, Qt::DirectConnection);
    connect(&registry, &QDevices::DoUpdateAllParameters, this, &MainWindow::onUpdateAllParameters,
            Qt::DirectConnection);
    connect(&registry, &QDevices::DoUpdateDeviceName, this, &MainWindow::onUpdateDeviceName, Qt::DirectConnection);
    connect(&registry, &QDevices::DoUpdateRemotesList, this, &MainWindow::onUpdateRemotesList);
    // The library reports an update's progress on the thread that runs the
    // update, this one: the slot runs inside the update call.
    connect(&registry.bridge(), &QDeviceManager::DoUpdaterProgress, this, &MainWindow::OnUpdaterProgress);
    connect(&dialog, &Dialog::DoSetPgm6Threshold, this, &MainWindow::OnPgm6SetThreshold);
    connect(&dialog, &Dialog::DoSetPgm6HoldTime, this, &MainWindow::OnPgm6SetHoldTime);
    connect(&dialog, &Dialog::DoLoadPgm6Default, this, &MainWindow::OnPgm6LoadDefault);

    // What the core asks of the window.
    UnitSession& session = core.session();
    connect(&session, &UnitSession::DoUpdateAllParameters, this, &MainWindow::onUpdateAllParameters);
    connect(&session, &UnitSession::DoFellBackOffline, this, [this] { apply(WindowEvent::FellBackOffline); });
    connect(&session, &UnitSession::DoSelectRecord, this,
            [this](QDevice* record) { ui->comboBox_deviceList->setCurrentIndex(entryOf(record)); });
    FirmwareFlow& firmware = core.firmware();
    connect(&firmware, &FirmwareFlow::DoUpdateStarting, this,
            [this](const QString& status) { frame.showUpdateStarting(status); });
    connect(&firmware, &FirmwareFlow::DoChildRestarting, this, [this](quint16 key) { remotes->showRestarting(key); });

    // The units are ours while the window runs, even where the service holds them.
    if (const QString why = borrowUnitsIfServiceHolds("zq40panel"); !why.isEmpty())
        qWarning("zq40panel: %s", qPrintable(why));
    // Units found arrive later, one by one, once the event loop runs.
    ousb_EnumerateDevices();
}

MainWindow::~MainWindow()
{
    delete ui;
}

int MainWindow::entryOf(QDevice* record) const
{
    return ui->comboBox_deviceList->findData(QVariant::fromValue(record), Qt::UserRole, Qt::MatchExactly);
}

void MainWindow::openConfigFromPath(const QString& path)
{
    core.configs().openFromPath(path);
}

void MainWindow::on_comboBox_deviceList_currentIndexChanged(int)
{
    QComboBox* list = ui->comboBox_deviceList;
    if (list->count() == 0)
        return;
    core.session().setCurrent(list->currentData().value<QDevice*>());
    apply(WindowEvent::RecordChosen);
    onUpdateAllParameters(HIDR_ALL);
    // The children's versions settle the presentation.
    onUpdateRemotesList();
}

void MainWindow::apply(WindowEvent event)
{
    presented = zq40::windowState(presented, event, *core.session().currentDevice(), core.firmware().running());
    setWindowTitle(presented.title);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->groupBox_input_levels, ui->groupBox_page1_settings, ui->groupBox_page2_settings, ui->groupBox_zone_1,
             ui->groupBox_zone_2, ui->groupBox_zone_3, ui->groupBox_zone_4, ui->groupBox_zone_5, ui->groupBox_zone_6,
             ui->groupBox_zoneNames, ui->groupBox_deviceName, ui->groupBox_pager_status, ui->groupBox_groupNames,
             ui->pushButton_new_config, ui->pushButton_open_config, ui->pushButton_save_config})
        w->setEnabled(presented.editingAllowed);
    ui->pushButton_open_config->setText(presented.openConfigText);
    frame.show(presented.frame);
}

void MainWindow::onNewDeviceOnline(QDevice* pDevice)
{
    QComboBox* list = ui->comboBox_deviceList;
    if (!pDevice || entryOf(pDevice) >= 0)
        return;
    const char* product = pDevice->pDeviceInfo ? pDevice->pDeviceInfo->name : nullptr;
    list->addItem(QString::fromLatin1(product ? product : ""), QVariant::fromValue(pDevice));
    if (core.session().showNewUnit())
        list->setCurrentIndex(list->count() - 1);
}

void MainWindow::onDeviceOffline(QDevice* pDevice)
{
    QComboBox* list = ui->comboBox_deviceList;
    const int index = entryOf(pDevice);
    if (index <= 0)
        return;
    if (index == list->currentIndex())
        list->setCurrentIndex(0);
    list->removeItem(index);
}

void MainWindow::onUpdateDeviceName(QDevice* pDevice)
{
    if (!pDevice || !pDevice->pDeviceInfo)
        return;
    const int index = entryOf(pDevice);
    if (index > 0)
        ui->comboBox_deviceList->setItemText(index,
                                             QStringLiteral("%1 (%2)")
                                                 .arg(latin1ToQString(pDevice->blocks.deviceNameText()))
                                                 .arg(pDevice->pDeviceInfo->ser));
    if (pDevice == core.session().currentDevice())
        apply(WindowEvent::NameArrived);
}

void MainWindow::onNewDeviceBootStatus(QDevice* pDevice)
{
    core.unitReportedStatus(pDevice);
}

void MainWindow::onUpdateAllParameters(hidr_t code)
{
    controls.controlsLive = false;
    if (code == HIDR_ALL || code == HIDR_ZONE_PARAMS)
        zones.refreshSettings();
    if (code == HIDR_ALL || code == HIDR_ZONE_LEVELS)
        zones.refreshLevels();
    if (code == HIDR_ALL || code == HIDR_INPUTS_PAGING)
        inputs.refresh();
    if (code == HIDR_ALL || (code >= HIDR_ZONE_LABELS_1 && code <= HIDR_DEVICE_NAME))
        names.refreshNames();
    if (code == HIDR_ALL || code == HIDR_PGM_LABELS_1 || code == HIDR_PGM_LABELS_2)
        names.refreshProgramNames();
    if (code == HIDR_ALL || code == HIDR_ZONE_LINKS)
        onUpdateLinked();
    controls.controlsLive = true;
}

void MainWindow::onUpdateLinked()
{
    linkMarkers.show(core.session().currentDevice()->blocks);
}

void MainWindow::onUpdateRemotesList()
{
    const QDevice& record = *core.session().currentDevice();
    // Children leave and return during an update: the slots follow them.
    if (presentationOf(record) == Presentation::WorkingOffline)
        remotes->showOffline();
    else
        remotes->show(record);
    apply(WindowEvent::RemotesPassed);
}

void MainWindow::on_pushButton_open_config_pressed()
{
    core.configs().open();
}

void MainWindow::on_pushButton_save_config_pressed()
{
    core.configs().save();
}

void MainWindow::on_pushButton_new_config_pressed()
{
    core.configs().newConfig();
}

void MainWindow::on_pushButton_firmware_pressed()
{
    FirmwareFlow& firmware = core.firmware();
    QDevice* shown = core.session().currentDevice();
    if (firmware.running() || presentationOf(*shown) == Presentation::WorkingOffline)
        return;
    frame.showUpdateRunning(true);
    const FirmwareFlow::Outcome outcome = firmware.update(shown);
    frame.showUpdateRunning(false);
    showFirmwareOutcome(outcome);
    if (closeAfterUpdate)
        close();
}

void MainWindow::showFirmwareOutcome(const FirmwareFlow::Outcome& outcome)
{
    using Result = FirmwareFlow::Result;
    switch (outcome.result) {
    case Result::NotStarted:
    case Result::TestFirmwareRefused:
    case Result::NewerSoftwareRequired:
    case Result::BackupFailed:
        break;
    case Result::UnitFailed:
    case Result::ChildrenFailed:
        frame.showUpdateFailed(outcome.unitStillShown);
        break;
    case Result::UnitUpdated:
        frame.showUnitUpdated();
        break;
    case Result::ChildrenUpdated:
        if (!outcome.unitStillShown) {
            frame.showUpdateFailed(false);
            break;
        }
        apply(WindowEvent::ChildrenUpdated);
        break;
    }
}

void MainWindow::OnUpdaterProgress(uint8_t progress, obin_updater_error_t error)
{
    frame.showProgress(progress, error != 0);
    FirmwareFlow::letEventsRun();
}

void MainWindow::OnPgm6SetThreshold(int value)
{
    if (controls.live())
        core.session().edit(ParameterChange::of(kPriorityThreshold, value));
}

void MainWindow::OnPgm6SetHoldTime(int value)
{
    if (controls.live())
        core.session().edit(ParameterChange::of(kPriorityHoldTimeSecs, value));
}

void MainWindow::OnPgm6LoadDefault()
{
    if (controls.live())
        core.session().edit(ParameterChange::priorityDefaults());
    inputs.showPriorityInDialog();
}

void MainWindow::showPriorityMenu()
{
    QMenu menu(this);
    QAction* settings = menu.addAction(tr("Set Pgm 6 Threshold and Hold Time"));
    // At the mouse cursor, wherever the request came from.
    if (menu.exec(QCursor::pos()) == settings) {
        inputs.showPriorityInDialog();
        dialog.show(); // never modal: the window stays live beside it
        dialog.raise();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // During a firmware update the window stays, so that nobody takes it
    // for finished and pulls the unit; it closes when the update ends.
    if (core.firmware().running()) {
        closeAfterUpdate = true;
        frame.showClosingAfterUpdate();
        event->ignore();
        return;
    }
    // Closing asks nothing and saves nothing. The priority dialog is a window
    // of its own: the program must end here even while it is open.
    event->accept();
    QCoreApplication::quit();
}
