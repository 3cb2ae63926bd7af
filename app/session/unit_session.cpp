#include "unit_session.h"

#include "presentation.h"
#include "report_codec.h"

#include <QCoreApplication>

#include <algorithm>

namespace zq40 {

UnitSession::UnitSession(QObject* parent)
    : QObject(parent)
    , devices(this, this)
{
    // Working offline, nothing is linked.
    offlineDevice.blocks.clearZoneLinks();
}

UnitSession::~UnitSession() = default;

QDevice* UnitSession::unitWithSerial(uint32_t serial) const
{
    for (const auto& [handle, record] : devices.all())
        if (record->pDeviceInfo && record->pDeviceInfo->ser == serial)
            return record;
    return nullptr;
}

void UnitSession::setCurrent(QDevice* record)
{
    pCurrentDevice = record ? record : &offlineDevice;
    // What a configuration saved from a unit on the carried firmware names
    // as its firmware.
    if (presentationOf(*pCurrentDevice) == Presentation::Online)
        pCurrentDevice->firmwareVersion = pCurrentDevice->pDeviceInfo->ver;
}

void UnitSession::select(QDevice* record)
{
    emit DoSelectRecord(record ? record : &offlineDevice);
}

bool UnitSession::showNewUnit()
{
    // A file opened at start-up stays on screen for the first unit.
    if (!startupConfigPath.isEmpty()) {
        startupConfigPath.clear();
        return false;
    }
    return pCurrentDevice == &offlineDevice;
}

EditResult UnitSession::apply(const ParameterChange& change)
{
    return applyChange(pCurrentDevice->blocks, change);
}

EditResult UnitSession::edit(const ParameterChange& change)
{
    EditResult result = apply(change);
    if (result.applied)
        send(hidr_t(result.code));
    return result;
}

EditResult UnitSession::editAll(const std::vector<ParameterChange>& changes, size_t* refused)
{
    ParameterBlocks work = pCurrentDevice->blocks;
    std::vector<hidr_t> changed;
    EditResult all;
    all.applied = true;
    for (size_t i = 0; i < changes.size(); ++i) {
        EditResult one = applyChange(work, changes[i]);
        if (!one.applied) {
            if (refused)
                *refused = i;
            return one;
        }
        if (std::find(changed.begin(), changed.end(), hidr_t(one.code)) == changed.end())
            changed.push_back(hidr_t(one.code));
        all.followers.insert(all.followers.end(), one.followers.begin(), one.followers.end());
    }
    pCurrentDevice->blocks = work;
    sendInOrder(changed);
    return all;
}

void UnitSession::send(hidr_t code)
{
    sendTo(code, pCurrentDevice);
}

void UnitSession::sendTo(hidr_t code, QDevice* record)
{
    if (!record)
        return;
    // A failed write is not retried: the record keeps the value and the unit
    // catches up with the next full send or reports its own block. The
    // offline record has no handle, which the library refuses.
    if (writeReport(record->devHandle, parameterWrite(code, record->blocks))) {
        record->wroteBlock(code);
        emit DoBlockSent(record, code);
    }
    // Received reports and device changes queued meanwhile are handled now.
    QCoreApplication::processEvents();
}

void UnitSession::sendInOrder(std::span<const hidr_t> codes)
{
    for (hidr_t code : codes)
        send(code);
}

bool UnitSession::writeInOrder(QDevice* record, std::span<const hidr_t> codes)
{
    bool all = true;
    for (hidr_t code : codes) {
        const bool sent = writeReport(record->devHandle, parameterWrite(code, record->blocks));
        if (sent) {
            record->wroteBlock(code);
            emit DoBlockSent(record, code);
        }
        all = all && sent;
    }
    return all;
}

void UnitSession::askForBlocksAndChildren(QDevice* unit)
{
    if (writeReport(unit->devHandle, parameterRequest()))
        unit->awaitEveryBlock();
    writeReport(unit->devHandle, childEnumerationRequest());
}

void UnitSession::redrawIfShown(QDevice* record)
{
    if (record && record == pCurrentDevice)
        emit DoUpdateAllParameters(HIDR_ALL);
}

void UnitSession::fallBackToOfflineDevice()
{
    pCurrentDevice = &offlineDevice;
    emit DoFellBackOffline();
    emit DoUpdateAllParameters(HIDR_ALL);
}

} // namespace zq40
