#include "presentation.h"

#include "child_update_rules.h"
#include "firmware_catalogue.h"
#include "latin1_text.h"
#include "qdevice.h"
#include "report_codec.h"

#include <QCoreApplication>

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

namespace {

// The window's words.
QString windowText(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString onlineTitle(const QDevice& device)
{
    const uint32_t serial = device.pDeviceInfo ? device.pDeviceInfo->ser : 0;
    return windowText("%1 - (%2) - Working Online").arg(latin1ToQString(device.blocks.deviceNameText())).arg(serial);
}

void showIdentity(FrameState& frame, const ousb_device_info_t& unit)
{
    frame.firmware = versionText(unit.ver);
    frame.serial = QString::number(unit.ser);
    frame.hardwareRevision = QString::number(unit.word1);
}

void offerUpdate(FrameState& frame)
{
    frame.label = ConnectionLabel::FirmwareMismatch;
    frame.connection = Connection::Mismatch;
    frame.updateOffered = true;
}

void choose(WindowState& state, const QDevice& record)
{
    FrameState& frame = state.frame;
    switch (presentationOf(record)) {
    case Presentation::WorkingOffline:
        state.title = windowText("Orlo ZQ40 - Working Offline");
        state.editingAllowed = true;
        state.openConfigText = windowText("Open Config");
        frame = FrameState{};
        frame.update = UpdateDisplay::DroppedForRecord;
        break;
    case Presentation::Online:
        state.title = onlineTitle(record);
        state.editingAllowed = true;
        state.openConfigText = windowText("Load Config");
        showIdentity(frame, *record.pDeviceInfo);
        frame.label = ConnectionLabel::Connected;
        frame.connection = Connection::Yes;
        frame.updateOffered = false;
        frame.update = UpdateDisplay::DroppedForRecord;
        break;
    case Presentation::FirmwareMismatch:
        // Settings of a unit on other firmware may lie elsewhere: no editing.
        // The open-config text stays as the record shown before left it.
        state.title = windowText("Orlo ZQ40 - Firmware Mismatch");
        state.editingAllowed = false;
        showIdentity(frame, *record.pDeviceInfo);
        offerUpdate(frame);
        // The unit may be between the steps of its update.
        frame.update = UpdateDisplay::KeptForRecord;
        break;
    }
}

void passRemotes(WindowState& state, const QDevice& record)
{
    const RemotesPass pass = remotesPass(record);
    FrameState& frame = state.frame;
    if (pass.anyUnsupported)
        frame.connection = Connection::Mismatch;
    if (pass.unit == UnitState::Connected) {
        frame.label = ConnectionLabel::Connected;
        frame.connection = Connection::Yes;
        frame.updateOffered = false;
        frame.update = UpdateDisplay::Dropped;
    } else if (pass.unit == UnitState::FirmwareMismatch) {
        offerUpdate(frame);
    }
    state.editingAllowed = pass.controlsEnabled.value_or(state.editingAllowed);
}

} // namespace

WindowState windowState(const WindowState& shown, WindowEvent event, const QDevice& record, bool updateRunning)
{
    WindowState next = shown;
    next.frame.update = UpdateDisplay::Kept;
    switch (event) {
    case WindowEvent::RecordChosen:
        choose(next, record);
        break;
    case WindowEvent::RemotesPassed:
        // Children leave and return during an update: the update's own
        // display stays.
        if (presentationOf(record) != Presentation::WorkingOffline && !updateRunning)
            passRemotes(next, record);
        break;
    case WindowEvent::NameArrived:
        // On other firmware too.
        next.title = onlineTitle(record);
        break;
    case WindowEvent::FellBackOffline:
        next.title = windowText("Orlo ZQ40 - Offline");
        break;
    case WindowEvent::ChildrenUpdated:
        next.title = onlineTitle(record);
        next.editingAllowed = true;
        next.openConfigText = windowText("Load Config");
        next.frame.connection = Connection::Yes;
        next.frame.updateOffered = false;
        next.frame.update = UpdateDisplay::DroppedAfterChildren;
        break;
    }
    return next;
}

bool editingAllowed(const QDevice& unit)
{
    const WindowState chosen = windowState({}, WindowEvent::RecordChosen, unit, false);
    return windowState(chosen, WindowEvent::RemotesPassed, unit, false).editingAllowed;
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
