#include "presentation.h"

#include "child_update_rules.h"
#include "firmware_catalogue.h"
#include "qdevice.h"
#include "report_codec.h"

namespace zq40 {

uint32_t carriedFirmware(uint32_t model)
{
    return firmware::catalogueVersion(model);
}

bool runsCarriedFirmware(const ousb_device_info_t& unit)
{
    // Equality: a newer firmware is a mismatch as much as an older one.
    return unit.word5 == carriedFirmware(kMainUnitModel);
}

QString versionText(uint32_t version)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(version >> 24)
        .arg((version >> 16) & 0xFF)
        .arg((version >> 8) & 0xFF)
        .arg(version & 0xFF);
}

QString childVersionText(const ousb_child_device_info_t& child)
{
    return versionText(childVersion(child)) + QStringLiteral(" r.") + QString::number(childRevision(child));
}

Presentation presentationOf(const QDevice& device)
{
    if (!device.devHandle || !device.pDeviceInfo)
        return Presentation::WorkingOffline;
    return runsCarriedFirmware(*device.pDeviceInfo) ? Presentation::Online : Presentation::FirmwareMismatch;
}

const RemoteSlot* slotOfKey(uint16_t key)
{
    for (const RemoteSlot& slot : kRemoteSlots)
        if (slot.key == key)
            return &slot;
    return nullptr;
}

bool slotAcceptsModel(const RemoteSlot& slot, uint32_t model)
{
    if (slot.pagingStation)
        return model == 502;
    return model == 202 || (slot.acceptsModel200 && model == 200);
}

RemoteState remoteState(const RemoteSlot& slot, const ousb_child_device_info_t* child)
{
    if (!child)
        return RemoteState::NotConnected;
    if (!slotAcceptsModel(slot, child->model))
        return RemoteState::Unsupported;
    if (childVersion(*child) < carriedFirmware(child->model))
        return RemoteState::FirmwareMismatch;
    return RemoteState::Online;
}

RemotesPass remotesPass(const QDevice& unit)
{
    RemotesPass pass;
    bool mismatch = !unit.pDeviceInfo || !runsCarriedFirmware(*unit.pDeviceInfo);
    for (size_t i = 0; i < kRemoteSlots.size(); ++i) {
        const QChildDevice* child = unit.children.value(kRemoteSlots[i].key, nullptr);
        pass.states[i] = remoteState(kRemoteSlots[i], child ? child->pDeviceInfo : nullptr);
        pass.anyUnsupported = pass.anyUnsupported || pass.states[i] == RemoteState::Unsupported;
        pass.childMismatch = pass.childMismatch || pass.states[i] == RemoteState::FirmwareMismatch;
    }
    mismatch = mismatch || pass.childMismatch;
    const uint32_t revision = unit.pDeviceInfo ? unit.pDeviceInfo->word1 : 0;
    if (!mismatch)
        pass.unit = UnitState::Connected;
    else
        pass.unit = revision <= 1 ? UnitState::FirmwareMismatch : UnitState::Unchanged;
    switch (pass.unit) {
    case UnitState::Connected:
        pass.controlsEnabled = true;
        break;
    case UnitState::FirmwareMismatch:
        pass.controlsEnabled = false;
        break;
    case UnitState::Unchanged:
        // A child that needs newer firmware locks editing whatever the revision.
        if (pass.childMismatch)
            pass.controlsEnabled = false;
        break;
    }
    return pass;
}

bool editingAllowed(const QDevice& unit)
{
    const Presentation chosen = presentationOf(unit);
    if (chosen == Presentation::WorkingOffline)
        return true;
    const RemotesPass pass = remotesPass(unit);
    return pass.controlsEnabled.value_or(chosen == Presentation::Online);
}

UnitFirmware unitFirmware(const QDevice& unit)
{
    if (unit.bootloaderActive)
        return UnitFirmware::Bootloader;
    if (!unit.pDeviceInfo)
        return UnitFirmware::Outdated;
    const ousb_device_info_t& info = *unit.pDeviceInfo;
    switch (firmware::mainUnitStep(info.word5, info.word1, carriedFirmware(kMainUnitModel))) {
    case firmware::MainUnitStep::Current:
        return UnitFirmware::Current;
    case firmware::MainUnitStep::NewerSoftwareRequired:
        return UnitFirmware::NewerSoftwareNeeded;
    case firmware::MainUnitStep::Update:
        break;
    }
    return UnitFirmware::Outdated;
}

ChildFirmware childFirmware(const ousb_child_device_info_t& child)
{
    const RemoteSlot* slot = slotOfKey(childKey(child));
    if (!slot)
        return ChildFirmware::Unsupported;
    switch (remoteState(*slot, &child)) {
    case RemoteState::Online:
        return ChildFirmware::Current;
    case RemoteState::FirmwareMismatch:
        return ChildFirmware::Outdated;
    case RemoteState::NotConnected:
    case RemoteState::Unsupported:
        break;
    }
    return ChildFirmware::Unsupported;
}

const char* unitFirmwareName(UnitFirmware state)
{
    switch (state) {
    case UnitFirmware::Current:
        return "current";
    case UnitFirmware::Outdated:
        return "outdated";
    case UnitFirmware::NewerSoftwareNeeded:
        return "newer-software-needed";
    case UnitFirmware::Bootloader:
        return "bootloader";
    }
    return "";
}

const char* childFirmwareName(ChildFirmware state)
{
    switch (state) {
    case ChildFirmware::Current:
        return "current";
    case ChildFirmware::Outdated:
        return "outdated";
    case ChildFirmware::Unsupported:
        break;
    }
    return "unsupported";
}

} // namespace zq40
