#include "firmware_flow.h"

#include "child_update_rules.h"
#include "config_flow.h"
#include "firmware_backup.h"
#include "firmware_catalogue.h"
#include "presentation.h"
#include "qdevicemanager.h"
#include "report_codec.h"

#include <QCoreApplication>
#include <QPointer>

#include <thread>
#include <vector>

namespace zq40 {

namespace {

// The window's words: the command-line tool says the same.
QString windowText(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// The library converts the container in place: each update gets a copy.
std::vector<uint8_t> catalogueCopy()
{
    const auto catalogue = firmware::catalogue();
    return {catalogue.begin(), catalogue.end()};
}

using Severity = Prompter::Severity;

} // namespace

FirmwareFlow::FirmwareFlow(UnitSession& session, Prompter& prompter)
    : session(session)
    , prompter(prompter)
{
}

FirmwareFlow::Outcome FirmwareFlow::update(QDevice* unit)
{
    if (isRunning || !unit || session.isOffline(unit) || !unit->devHandle || !unit->pDeviceInfo)
        return {};
    // The test catalogue is random bytes in the maker's layout: written to a
    // real unit, bootloader region included, it would destroy the unit.
    if (!firmware::mayWriteCarriedFirmware()) {
        prompter.tell(Severity::Warning, windowText("Orlo ZQ40"),
                      windowText("This build carries test firmware, not the maker's: it cannot update a real unit. "
                                 "See the README to build with the maker's firmware catalogue."));
        return {Result::TestFirmwareRefused};
    }
    isRunning = true;
    const Outcome outcome = runsCarriedFirmware(*unit->pDeviceInfo) ? updateChildren(unit) : updateUnit(unit);
    isRunning = false;
    return outcome;
}

FirmwareFlow::Outcome FirmwareFlow::updateUnit(QDevice* unit)
{
    // The record goes away while the update runs (the unit returns under a
    // new handle): what the flow needs of it is copied now.
    const ousb_device_info_t info = *unit->pDeviceInfo;
    const ousb_handle_t handle = unit->devHandle;
    QPointer<QDevice> record = unit;

    if (firmware::mainUnitStep(info.word5, info.word1, carriedFirmware(kMainUnitModel)) ==
        firmware::MainUnitStep::NewerSoftwareRequired) {
        prompter.tell(Severity::Information, windowText("Orlo ZQ40"),
                      windowText("A newer version of this Software is required."),
                      windowText("Please download the latest revision from "
                                 "<a href=\"https://www.orlo-audio.com/support\">www.orlo-audio.com/support</a>."));
        return {Result::NewerSoftwareRequired};
    }

    // A unit already in its bootloader has no settings to save. Without a
    // backup the update would lose them: it does not start.
    if (!unit->bootloaderActive &&
        firmware_backup::writeOnce(info.ser, unit->blocks, unit->firmwareVersion) ==
            firmware_backup::WriteResult::Failed) {
        prompter.tell(Severity::Warning, windowText("File Error"),
                      windowText("Unable to save the unit's settings before the firmware update. "
                                 "The update was not started."));
        return {Result::BackupFailed};
    }

    emit DoUpdateStarting(windowText("Updating ZQ40 Firmware..."));
    std::vector<uint8_t> image = catalogueCopy();
    // Blocks this thread until done; the progress reports let the registry's
    // events through meanwhile.
    const bool updated = ousb_UpdateDeviceFirmware(handle, image.data(), uint32_t(image.size()), 0,
                                                   QDeviceManager::UpdaterProgressCallback) != 0;
    // `unit` may be freed by now.
    const bool shown = record && record == session.currentDevice();
    if (!updated) {
        // A unit left in its bootloader is not found by the scan that drops
        // its old records; a second one lists it, so the person can retry.
        ousb_EnumerateDevices();
        return {Result::UnitFailed, shown};
    }
    // Events ran during the update: the old record may be gone already, the
    // front end then showing the offline record or the returned unit.
    if (shown) {
        session.select(&session.offlineRecord());
        // Announced under its new handle before the old record went: shown now.
        for (const auto& [newHandle, device] : session.registry().all()) {
            if (device != record && device->pDeviceInfo && device->pDeviceInfo->ser == info.ser) {
                session.select(device);
                break;
            }
        }
    }
    return {Result::UnitUpdated, shown};
}

FirmwareFlow::Outcome FirmwareFlow::updateChildren(QDevice* unit)
{
    QPointer<QDevice> record = unit;
    bool failed = false;
    for (const uint16_t key : firmware::kChildUpdateOrder) {
        // Looked up afresh each time: children come and go during an update,
        // and the unit itself may have gone.
        if (!record)
            return {Result::ChildrenFailed, false};
        const QChildDevice* child = record->children.value(key, nullptr);
        if (!child || !child->pDeviceInfo)
            continue;
        const ousb_child_device_info_t info = *child->pDeviceInfo;
        if (!firmware::childNeedsUpdate(key, info.model, childVersion(info)))
            continue;
        const char* name = info.name;
        emit DoUpdateStarting(windowText("Updating ") + QString::fromUtf8(name ? name : "???") +
                              windowText(" Firmware..."));
        std::vector<uint8_t> image = catalogueCopy();
        const bool updated =
            ousb_UpdateChildDeviceFirmware(record->devHandle, childSelector(info), image.data(), uint32_t(image.size()),
                                           0, QDeviceManager::UpdaterProgressCallback) != 0;
        failed = failed || !updated;
        // The child restarts and is announced again when it returns.
        if (record && record == session.currentDevice())
            emit DoChildRestarting(key);
    }
    // A child update holds back the removal of a unit that left meanwhile
    // and, unlike the main unit's, asks for no scan afterwards: without one
    // the gone unit would stay listed.
    if (failed)
        ousb_EnumerateDevices();
    const bool shown = record && record == session.currentDevice();
    return {failed ? Result::ChildrenFailed : Result::ChildrenUpdated, shown};
}

void FirmwareFlow::letEventsRun()
{
    for (int i = 0; i < 10; ++i) {
        std::this_thread::yield();
        QCoreApplication::processEvents();
    }
}

void FirmwareFlow::restoreBackup(QDevice* unit)
{
    if (!unit || !unit->pDeviceInfo)
        return;
    const QString file = firmware_backup::existing(unit->pDeviceInfo->ser);
    if (file.isEmpty())
        return;
    ParameterBlocks restored = unit->blocks;
    if (!firmware_backup::load(file, restored)) {
        // Defaults sent in its place would overwrite the unit's settings for
        // good: the file stays for another try and the unit is left alone.
        prompter.tellWithoutWaiting(
            Severity::Warning, windowText("File Error"),
            windowText("Unable to restore the settings saved before the firmware update from ") + file);
        return;
    }
    unit->blocks = restored;
    ConfigFlow(session, prompter).conformToLinkedZones(unit, false);
    // Runs inside the registry's slot, with the library's worker waiting:
    // no event of this unit can come between the writes.
    const bool sent = session.writeInOrder(unit, kRestoreSends);
    session.redrawIfShown(unit);
    // A unit that left half-way gets the whole backup on its next return.
    if (sent)
        firmware_backup::remove(file);
}

} // namespace zq40
