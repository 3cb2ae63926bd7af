// How the program presents a unit and its children, decided once for every
// front end: whether a unit runs the firmware the program carries, which
// child belongs in which status slot, the state of each slot and of the
// unit as a whole, and the window's state that follows from them. The
// window draws these; the command-line tool names them.
#pragma once

#include "orlousb.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QDevice;

namespace zq40 {

inline constexpr uint32_t kMainUnitModel = 601;

// The firmware the program carries for a model (a.b.c.d, a in the top
// byte); for the main unit, the one version it runs online with.
uint32_t carriedFirmware(uint32_t model);
bool runsCarriedFirmware(const ousb_device_info_t& unit);

// "1.1.1.47": the four bytes from the top one down.
QString versionText(uint32_t version);
// "1.4.0.35 r.3": a child's version, then its revision.
QString childVersionText(const ousb_child_device_info_t& child);

// What choosing a record shows.
enum class Presentation { WorkingOffline, Online, FirmwareMismatch };
// `device` is a unit's record, or any record without a unit (offline).
Presentation presentationOf(const QDevice& device);

// One line of the remotes display, fed by the child under one key. The same
// table says which child models a firmware update may reach there.
struct RemoteSlot {
    uint16_t key;         // first childID byte * 256 + second
    const char* label;    // object name of the window's status label
    bool pagingStation;   // model 502, and its mismatch text has no name
    bool acceptsModel200; // the master remote takes model 202 only
};

inline constexpr std::array<RemoteSlot, 8> kRemoteSlots = {{
    {257, "lbl_dr_status_value_pager", true, false},
    {258, "lbl_dr_status_value_1", false, true},
    {259, "lbl_dr_status_value_2", false, true},
    {260, "lbl_dr_status_value_3", false, true},
    {261, "lbl_dr_status_value_4", false, true},
    {262, "lbl_dr_status_value_5", false, true},
    {263, "lbl_dr_status_value_6", false, true},
    {264, "lbl_dr_status_value_m", false, false},
}};

// The slot of a key; null for keys no slot shows.
const RemoteSlot* slotOfKey(uint16_t key);
bool slotAcceptsModel(const RemoteSlot& slot, uint32_t model);

enum class RemoteState {
    NotConnected,     // no child under the slot's key
    Unsupported,      // a model this slot does not take
    FirmwareMismatch, // older than the firmware the program carries
    Online,
};

// The state of one slot; `child` is null when nothing is under its key.
RemoteState remoteState(const RemoteSlot& slot, const ousb_child_device_info_t* child);

enum class UnitState {
    Connected,        // everything current: editing on, update hidden
    FirmwareMismatch, // editing off, update offered
    Unchanged,        // revision 2 or later: the presentation stays as it is
};

// One pass over a unit and its children, as the remotes display makes it
// whenever a child comes or goes and whenever a unit is chosen.
struct RemotesPass {
    std::array<RemoteState, kRemoteSlots.size()> states{};
    bool anyUnsupported = false;
    bool childMismatch = false;
    UnitState unit = UnitState::Connected;
    // Whether the pass enables or disables the parameter controls, or leaves
    // them as they are.
    std::optional<bool> controlsEnabled;
};
RemotesPass remotesPass(const QDevice& unit);

// The window's state of the shown record. It follows from what happened as
// much as from the record: a unit on other firmware keeps the open-config
// text of the record shown before it, and its title takes the online form
// once its name block comes.
enum class WindowEvent {
    RecordChosen,
    RemotesPassed,   // a child came or went, or a record was chosen
    NameArrived,     // the shown unit's device-name block
    FellBackOffline, // the shown unit left; the offline record follows
    ChildrenUpdated, // every outdated child of the shown unit took its firmware
};

enum class ConnectionLabel { Offline, Connected, FirmwareMismatch };
enum class Connection { No, Yes, Mismatch }; // the frame's colour

// What a change of presentation does to the display of a firmware update
// (its progress, and the identity labels the update hides).
enum class UpdateDisplay {
    Kept,                 // as the update's own steps left it
    KeptForRecord,        // a record chosen: the progress stays, a failure's hidden identity returns
    DroppedForRecord,     // a record chosen: the progress goes, a failure's hidden identity returns
    Dropped,              // the progress goes, the identity shows
    DroppedAfterChildren, // the same without the hardware revision
};

struct FrameState {
    ConnectionLabel label = ConnectionLabel::Offline;
    Connection connection = Connection::No;
    bool updateOffered = false; // the firmware button and its note
    // The shown unit's firmware, serial number and hardware revision; empty
    // working offline.
    QString firmware, serial, hardwareRevision;
    UpdateDisplay update = UpdateDisplay::Kept;

    bool operator==(const FrameState&) const = default;
};

struct WindowState {
    QString title;
    // The parameter controls and the configuration buttons.
    bool editingAllowed = true;
    QString openConfigText;
    FrameState frame;

    bool operator==(const WindowState&) const = default;
};

// The state after `event` from the state `shown`; `record` is the current
// one. The remotes pass changes nothing while a firmware update runs.
WindowState windowState(const WindowState& shown, WindowEvent event, const QDevice& record, bool updateRunning);

// Whether the window lets a person edit the unit's settings once it is
// chosen: on the carried firmware, with no child that needs newer firmware.
bool editingAllowed(const QDevice& unit);

// The same decisions in words, as scripts read them.
enum class UnitFirmware { Current, Outdated, NewerSoftwareNeeded, Bootloader };
UnitFirmware unitFirmware(const QDevice& unit);
enum class ChildFirmware { Current, Outdated, Unsupported };
ChildFirmware childFirmware(const ousb_child_device_info_t& child);
const char* unitFirmwareName(UnitFirmware state);
const char* childFirmwareName(ChildFirmware state);

} // namespace zq40
