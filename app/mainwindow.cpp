#include "mainwindow.h"

#include "form_font.h"
#include "orlousb.h"
#include "ui_mainwindow.h"
#include "version.h"

#include <QCloseEvent>

#include <initializer_list>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , dialog(nullptr)
    , registry(this, this)
    , ui(new Ui::MainWindow)
    , remoteStatus(*ui, [this](bool enabled) { setParameterControlsEnabled(enabled); })
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
    for (QWidget* marker :
         std::initializer_list<QWidget*>{ui->label_zones_linked_1, ui->frame_linked_1, ui->label_zones_linked_2,
                                         ui->frame_linked_2, ui->label_zones_linked_3, ui->frame_linked_3})
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
    // Being the first entry it becomes current, and device selection shows
    // the offline record and runs the first refresh.
    ui->comboBox_deviceList->addItem(tr(" -- Offline -- "), QVariant::fromValue(&offlineDevice));

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

    // Units found arrive later, one by one, once the event loop runs.
    ousb_EnumerateDevices();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::fallBackToOfflineDevice()
{
    pCurrentDevice = &offlineDevice;
    setWindowTitle(tr("Orlo ZQ40 - Offline"));
    onUpdateAllParameters(zq40::HIDR_ALL);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing asks nothing and saves nothing. The priority dialog is a window
    // of its own: the program must end here even while it is open.
    event->accept();
    QCoreApplication::quit();
}
