// The firmware button: the shown unit first, its outdated children on a later
// press; the library's progress meanwhile; and, when a unit returns on the
// carried firmware, the restore of the settings saved before its update.
#include "mainwindow.h"

#include "child_update_rules.h"
#include "firmware_backup.h"
#include "firmware_catalogue.h"
#include "orlousb.h"
#include "parameter_reports.h"
#include "remote_status_rules.h"
#include "ui_mainwindow.h"

#include <QMessageBox>
#include <QPointer>
#include <QStyle>

#include <cstring>
#include <initializer_list>
#include <thread>
#include <vector>

using namespace zq40;

namespace {

// The library converts the container in place: each update gets a copy.
std::vector<uint8_t> catalogueCopy()
{
    const auto catalogue = firmware::catalogue();
    return {catalogue.begin(), catalogue.end()};
}

// Modal, but the caller goes on at once: a registry slot must not hold the
// library's worker while a person reads.
void warnLater(QWidget* parent, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

bool writeBlock(ousb_handle_t handle, hidr_t code, const ParameterBlocks& blocks)
{
    const Report bytes = parameterWrite(code, blocks);
    hid_report_t report{};
    std::memcpy(&report, bytes.data(), bytes.size());
    return ousb_WriteReport(handle, &report) != 0;
}

} // namespace

void MainWindow::on_pushButton_firmware_pressed()
{
    QDevice* shown = pCurrentDevice;
    if (firmwareFlowRunning || !shown || shown == &offlineDevice || !shown->devHandle || !shown->pDeviceInfo)
        return;
    firmwareFlowRunning = true;
    ui->pushButton_firmware->setEnabled(false);
    // Children leave and return during an update: the remotes panel redraws
    // their lines only, and the update's own display stays.
    remoteStatus.setFirmwareUpdateRunning(true);

    const uint32_t carried = firmware::catalogueVersion(kMainUnitModel);
    if (shown->pDeviceInfo->word5 == carried)
        updateChildren(shown);
    else
        updateMainUnit(shown);

    remoteStatus.setFirmwareUpdateRunning(false);
    ui->pushButton_firmware->setEnabled(true);
    firmwareFlowRunning = false;
}

void MainWindow::updateMainUnit(QDevice* unit)
{
    // The record goes away while the update runs (the unit returns under a
    // new handle): what the flow needs of it is copied now.
    const ousb_device_info_t info = *unit->pDeviceInfo;
    const ousb_handle_t handle = unit->devHandle;
    const uint32_t carried = firmware::catalogueVersion(kMainUnitModel);
    QPointer<QDevice> record = unit;

    if (firmware::mainUnitStep(info.word5, info.word1, carried) == firmware::MainUnitStep::NewerSoftwareRequired) {
        QMessageBox box(QMessageBox::Information, tr("Orlo ZQ40"), tr("A newer version of this Software is required."),
                        QMessageBox::Ok, this);
        box.setInformativeText(tr("Please download the latest revision from "
                                  "<a href=\"https://www.orlo-audio.com/support\">www.orlo-audio.com/support</a>."));
        box.setTextInteractionFlags(Qt::TextBrowserInteraction);
        box.exec();
        return;
    }

    // A unit already in its bootloader has no settings to save. Without a
    // backup the update would lose them: it does not start.
    if (!unit->bootloaderActive &&
        firmware_backup::writeOnce(info.ser, unit->blocks, unit->firmwareVersion) ==
            firmware_backup::WriteResult::Failed) {
        QMessageBox box(QMessageBox::Warning, tr("File Error"),
                        tr("Unable to save the unit's settings before the firmware update. "
                           "The update was not started."),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }

    showUpdateProgress(tr("Updating ZQ40 Firmware..."));
    std::vector<uint8_t> image = catalogueCopy();
    // Blocks this thread until done; the progress slot keeps the window
    // alive and lets the registry's events through meanwhile.
    const bool updated = ousb_UpdateDeviceFirmware(handle, image.data(), uint32_t(image.size()), 0,
                                                   QDeviceManager::UpdaterProgressCallback) != 0;
    // `unit` may be freed by now.
    if (!updated) {
        showUpdateFailed(record && record == pCurrentDevice);
        // A unit left in its bootloader is not found by the scan that drops
        // its old records; a second one lists it, so the user can retry.
        ousb_EnumerateDevices();
        return;
    }
    setIdentityLabelsVisible(true);
    ui->label_fw_update_status->hide();
    ui->progressBar_fw->hide();
    // Events ran during the update: the old record may be gone already, the
    // window then showing the offline record or the returned unit.
    if (!record || record != pCurrentDevice)
        return;
    QComboBox* list = ui->comboBox_deviceList;
    list->setCurrentIndex(list->findData(QVariant::fromValue(&offlineDevice), Qt::UserRole, Qt::MatchExactly));
    // Announced under its new handle before the old record went: shown now.
    for (const auto& [newHandle, device] : registry.all()) {
        if (device != record && device->pDeviceInfo && device->pDeviceInfo->ser == info.ser) {
            list->setCurrentIndex(list->findData(QVariant::fromValue(device), Qt::UserRole, Qt::MatchExactly));
            break;
        }
    }
}

void MainWindow::updateChildren(QDevice* unit)
{
    QPointer<QDevice> record = unit;
    bool failed = false;
    for (const uint16_t key : firmware::kChildUpdateOrder) {
        // Looked up afresh each time: children come and go during an update,
        // and the unit itself may have gone.
        if (!record) {
            showUpdateFailed(false);
            return;
        }
        const QChildDevice* child = record->children.value(key, nullptr);
        if (!child || !child->pDeviceInfo)
            continue;
        const ousb_child_device_info_t info = *child->pDeviceInfo;
        if (!firmware::childNeedsUpdate(key, info.model, childVersion(info)))
            continue;
        const char* name = info.name;
        showUpdateProgress(tr("Updating ") + QString::fromUtf8(name ? name : "???") + tr(" Firmware..."));
        const ousb_handle_t handle = record->devHandle;
        const uint16_t selector = firmware::childSelector(info.childID);
        std::vector<uint8_t> image = catalogueCopy();
        const bool updated = ousb_UpdateChildDeviceFirmware(handle, selector, image.data(), uint32_t(image.size()), 0,
                                                            QDeviceManager::UpdaterProgressCallback) != 0;
        failed = failed || !updated;
        // The child restarts and is announced again when it returns.
        if (record && record == pCurrentDevice)
            showChildRestarting(key);
    }
    // A child update holds back the removal of a unit that left meanwhile
    // and, unlike the main unit's, asks for no scan afterwards: without one
    // the gone unit would stay listed.
    if (failed)
        ousb_EnumerateDevices();
    if (!record || record != pCurrentDevice || failed) {
        showUpdateFailed(record && record == pCurrentDevice);
        return;
    }
    setWindowTitle(onlineTitle(*record));
    ui->pushButton_firmware->hide();
    ui->label_update_fw->hide();
    ui->pushButton_open_config->setText(tr("Load Config"));
    setIdentityLabelsVisible(true);
    ui->lbl_hw_revision_value->hide();
    ui->label_fw_update_status->hide();
    ui->progressBar_fw->hide();
    setConnectedState(QStringLiteral("true"));
    setParameterControlsEnabled(true);
}

void MainWindow::OnUpdaterProgress(uint8_t progress, obin_updater_error_t error)
{
    ui->progressBar_fw->setValue(progress);
    ui->progressBar_fw->repaint();
    if (error != 0)
        ui->label_fw_update_status->setText(tr("Firmware Update Failed"));
    for (int i = 0; i < 10; ++i) {
        std::this_thread::yield();
        QCoreApplication::processEvents();
    }
}

void MainWindow::showUpdateProgress(const QString& status)
{
    ui->label_fw_update_status->setText(status);
    ui->label_fw_update_status->show();
    setIdentityLabelsVisible(false);
    ui->progressBar_fw->setValue(0);
    ui->progressBar_fw->show();
    ui->progressBar_fw->repaint();
}

void MainWindow::showUpdateFailed(bool unitStillShown)
{
    ui->label_fw_update_status->setText(tr("Firmware Update Failed"));
    // The window moved on during the update (the unit left, another record
    // is shown): nothing of the update belongs on screen any more.
    if (!unitStillShown) {
        ui->label_fw_update_status->hide();
        ui->progressBar_fw->hide();
        setIdentityLabelsVisible(true);
        return;
    }
    // The failure stays on screen while the unit does; no presentation shows
    // the labels by itself, so they return with the next change of record.
    disconnect(identityLabelsReturn);
    identityLabelsReturn = connect(ui->comboBox_deviceList, &QComboBox::currentIndexChanged, this, [this] {
        disconnect(identityLabelsReturn);
        setIdentityLabelsVisible(true);
    });
}

void MainWindow::setIdentityLabelsVisible(bool visible)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->lbl_serial, ui->lbl_serial_value, ui->lbl_fw_version,
                                         ui->lbl_fw_version_value, ui->lbl_hw_revision, ui->lbl_hw_revision_value})
        w->setVisible(visible);
}

void MainWindow::showChildRestarting(quint16 key)
{
    for (const RemoteSlot& slot : kRemoteSlots) {
        if (slot.key != key)
            continue;
        auto* label = findChild<QLabel*>(QString::fromLatin1(slot.label));
        if (!label)
            return;
        label->setText(tr("Not Connected"));
        label->setProperty("online", QStringLiteral("false"));
        label->style()->unpolish(label);
        label->style()->polish(label);
        return;
    }
}

void MainWindow::restoreFirmwareBackup(QDevice* pDevice)
{
    if (!pDevice || !pDevice->pDeviceInfo)
        return;
    const QString file = firmware_backup::existing(pDevice->pDeviceInfo->ser);
    if (file.isEmpty())
        return;
    ParameterBlocks restored = pDevice->blocks;
    if (!firmware_backup::load(file, restored)) {
        // Defaults sent in its place would overwrite the unit's settings for
        // good: the file stays for another try and the unit is left alone.
        warnLater(this, tr("File Error"),
                  tr("Unable to restore the settings saved before the firmware update from ") + file);
        return;
    }
    pDevice->blocks = restored;
    conformToLinkedZones(pDevice, false);
    // Runs inside the registry's slot, with the library's worker waiting:
    // no event of this unit can come between the writes.
    bool sent = true;
    for (const hidr_t code : kRestoreSends)
        sent = writeBlock(pDevice->devHandle, code, pDevice->blocks) && sent;
    if (pDevice == pCurrentDevice)
        onUpdateAllParameters(HIDR_ALL);
    // A unit that left half-way gets the whole backup on its next return.
    if (sent)
        firmware_backup::remove(file);
}
