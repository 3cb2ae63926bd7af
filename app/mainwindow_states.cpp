// The device list and the three presentations of the chosen record:
// working offline, online and firmware mismatch.
#include "mainwindow.h"

#include "firmware_catalogue.h"
#include "latin1_text.h"
#include "orlousb.h"
#include "parameter_reports.h"
#include "ui_mainwindow.h"

#include <QStyle>

#include <cstring>

namespace {

// The main-unit firmware this program is made for: 1.1.1.47. Only an exact
// match is online; any other version, older or newer, is a mismatch.
constexpr uint32_t kRequiredFirmware = 0x0101012F;

QString versionText(uint32_t version)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(version >> 24)
        .arg((version >> 16) & 0xFF)
        .arg((version >> 8) & 0xFF)
        .arg(version & 0xFF);
}

bool runsRequiredFirmware(const QDevice& device)
{
    return device.pDeviceInfo && device.pDeviceInfo->word5 == kRequiredFirmware;
}

QVariant entryData(QDevice* device)
{
    return QVariant::fromValue(device);
}

bool sendRequest(ousb_handle_t handle, const zq40::Report& bytes)
{
    hid_report_t report{};
    std::memcpy(&report, bytes.data(), bytes.size());
    return ousb_WriteReport(handle, &report);
}

} // namespace

void MainWindow::on_comboBox_deviceList_currentIndexChanged(int)
{
    QComboBox* list = ui->comboBox_deviceList;
    if (list->count() == 0)
        return;
    QDevice* chosen = list->currentData().value<QDevice*>();
    pCurrentDevice = chosen ? chosen : &offlineDevice;
    if (pCurrentDevice == &offlineDevice)
        showWorkingOffline();
    else if (runsRequiredFirmware(*pCurrentDevice))
        showOnline();
    else
        showFirmwareMismatch();
    onUpdateAllParameters(zq40::HIDR_ALL);
    // The children's versions settle the presentation.
    onUpdateRemotesList();
}

void MainWindow::onNewDeviceOnline(QDevice* pDevice)
{
    QComboBox* list = ui->comboBox_deviceList;
    if (!pDevice || list->findData(entryData(pDevice), Qt::UserRole, Qt::MatchExactly) >= 0)
        return;
    const char* product = pDevice->pDeviceInfo ? pDevice->pDeviceInfo->name : nullptr;
    list->addItem(QString::fromLatin1(product ? product : ""), entryData(pDevice));
    // A file opened at start-up stays on screen for the first unit.
    if (!startupConfigPath.isEmpty()) {
        startupConfigPath.clear();
        return;
    }
    if (pCurrentDevice == &offlineDevice)
        list->setCurrentIndex(list->count() - 1);
}

void MainWindow::onDeviceOffline(QDevice* pDevice)
{
    QComboBox* list = ui->comboBox_deviceList;
    const int index = list->findData(entryData(pDevice), Qt::UserRole, Qt::MatchExactly);
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
    QComboBox* list = ui->comboBox_deviceList;
    const int index = list->findData(entryData(pDevice), Qt::UserRole, Qt::MatchExactly);
    if (index > 0) {
        list->setItemText(index,
                          QStringLiteral("%1 (%2)")
                              .arg(latin1ToQString(pDevice->blocks.deviceNameText()))
                              .arg(pDevice->pDeviceInfo->ser));
    }
    if (pDevice == pCurrentDevice)
        setWindowTitle(onlineTitle(*pDevice));
}

void MainWindow::onNewDeviceBootStatus(QDevice* pDevice)
{
    // A unit in its bootloader knows no parameters.
    if (!pDevice || pDevice->bootloaderActive != 0)
        return;
    // Back on the carried firmware: the settings saved before the update
    // go to the unit before it is asked for its blocks.
    if (pDevice->pDeviceInfo && pDevice->pDeviceInfo->word5 == zq40::firmware::catalogueVersion(601))
        restoreFirmwareBackup(pDevice);
    if (sendRequest(pDevice->devHandle, zq40::parameterRequest()))
        pDevice->awaitEveryBlock();
    sendRequest(pDevice->devHandle, zq40::childEnumerationRequest());
}

QString MainWindow::onlineTitle(const QDevice& device) const
{
    const uint32_t serial = device.pDeviceInfo ? device.pDeviceInfo->ser : 0;
    return tr("%1 - (%2) - Working Online").arg(latin1ToQString(device.blocks.deviceNameText())).arg(serial);
}

void MainWindow::showUnitIdentity(const ousb_device_info_t& info)
{
    ui->lbl_fw_version_value->setText(versionText(info.ver));
    ui->lbl_serial_value->setText(QString::number(info.ser));
    ui->lbl_hw_revision_value->setText(QString::number(info.word1));
}

void MainWindow::showWorkingOffline()
{
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

void MainWindow::showOnline()
{
    const ousb_device_info_t& info = *pCurrentDevice->pDeviceInfo;
    // What a configuration saved from this record names as its firmware.
    pCurrentDevice->firmwareVersion = info.ver;
    setWindowTitle(onlineTitle(*pCurrentDevice));
    showUnitIdentity(info);
    ui->label_connected->setText(tr("Connected"));
    ui->pushButton_firmware->hide();
    ui->label_update_fw->hide();
    ui->label_fw_update_status->hide();
    ui->progressBar_fw->hide();
    ui->pushButton_open_config->setText(tr("Load Config"));
    setConnectedState(QStringLiteral("true"));
    setParameterControlsEnabled(true);
}

void MainWindow::showFirmwareMismatch()
{
    setWindowTitle(tr("Orlo ZQ40 - Firmware Mismatch"));
    if (pCurrentDevice->pDeviceInfo)
        showUnitIdentity(*pCurrentDevice->pDeviceInfo);
    ui->label_connected->setText(tr("FW Mismatch"));
    ui->pushButton_firmware->show();
    ui->label_update_fw->show();
    setConnectedState(QStringLiteral("mismatch"));
    // Settings of a unit on other firmware may lie elsewhere: no editing.
    setParameterControlsEnabled(false);
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
             ui->groupBox_input_levels, ui->groupBox_page1_settings, ui->groupBox_page2_settings, ui->groupBox_zone_1,
             ui->groupBox_zone_2, ui->groupBox_zone_3, ui->groupBox_zone_4, ui->groupBox_zone_5, ui->groupBox_zone_6,
             ui->groupBox_zoneNames, ui->groupBox_deviceName, ui->groupBox_pager_status, ui->groupBox_groupNames,
             ui->pushButton_new_config, ui->pushButton_open_config, ui->pushButton_save_config})
        w->setEnabled(enabled);
}
