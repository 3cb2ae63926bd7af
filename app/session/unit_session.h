// A session with the units: the registry of connected units and the record
// worked on offline, the record the front end shows (the current one), and
// edits of it turned into blocks by the edit rules and sent to its unit in
// the order the program sends them. The window and the command-line tool
// each hold one; everything runs on the thread that made it.
#pragma once

#include "parameter_change.h"
#include "qdevices.h"

#include <QObject>
#include <QString>

#include <array>
#include <span>
#include <vector>

namespace zq40 {

// A configuration file opened onto the current record.
constexpr std::array<hidr_t, 14> kOpenConfigSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_DEVICE_NAME,    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,   HIDR_ZONE_LINKS,
};

// Factory defaults applied to a unit: the device name after the program names.
constexpr std::array<hidr_t, 14> kNewConfigSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,   HIDR_DEVICE_NAME,    HIDR_ZONE_LINKS,
};

// Settings restored after a firmware update: the unit keeps its own links.
constexpr std::array<hidr_t, 13> kRestoreSends{
    HIDR_ZONE_PARAMS,    HIDR_ZONE_LEVELS,    HIDR_INPUTS_PAGING,  HIDR_ZONE_LABELS_1,  HIDR_ZONE_LABELS_2,
    HIDR_GROUP_LABELS_1, HIDR_GROUP_LABELS_2, HIDR_GROUP_LABELS_3, HIDR_GROUP_LABELS_4, HIDR_GROUP_LABELS_5,
    HIDR_DEVICE_NAME,    HIDR_PGM_LABELS_1,   HIDR_PGM_LABELS_2,
};

class UnitSession : public QObject, public DeviceView {
    Q_OBJECT

public:
    explicit UnitSession(QObject* parent = nullptr);
    ~UnitSession() override;

    QDevices& registry() { return devices; }
    const QDevices& registry() const { return devices; }

    // The record edited while working offline: factory defaults, no links.
    QDevice& offlineRecord() { return offlineDevice; }
    bool isOffline(const QDevice* record) const { return record == &offlineDevice; }
    // The connected unit with this serial number, or null.
    QDevice* unitWithSerial(uint32_t serial) const;

    // The record the front end shows and edits.
    QDevice* currentDevice() const override { return pCurrentDevice; }
    // The front end now shows `record` (null: the offline record). A unit
    // on the carried firmware gives its record its firmware version.
    void setCurrent(QDevice* record);
    // Asks the front end to show `record`: the window picks its entry in the
    // device list, which comes back here through setCurrent().
    void select(QDevice* record);

    // The configuration file named at start-up. While it is set, the first
    // unit listed does not replace what the front end shows.
    void setStartupConfig(const QString& path) { startupConfigPath = path; }
    const QString& startupConfig() const { return startupConfigPath; }
    // A unit was listed: whether the front end switches to it now. The
    // first one after a start-up file only forgets that file.
    bool showNewUnit();

    // One edit of the current record, by the edit rules; an applied edit
    // sends its block. Refused edits change and send nothing. apply() leaves
    // the sending to the caller, for a front end that moves other controls
    // before the block goes out.
    EditResult edit(const ParameterChange& change);
    EditResult apply(const ParameterChange& change);
    // Several edits of the current record as one: all of them apply or none
    // does, and then each changed block is sent once, in the order the
    // edits first reached it. On refusal, `refused` is the index of the edit.
    EditResult editAll(const std::vector<ParameterChange>& changes, size_t* refused = nullptr);

    // Sends one block of the current record, or of `record`, then lets
    // pending events run (received reports, units coming and going).
    void send(hidr_t code);
    void sendTo(hidr_t code, QDevice* record);
    // Blocks of the current record in order; the record is looked up before
    // each, since the events between two sends may take its unit away.
    void sendInOrder(std::span<const hidr_t> codes);
    // Blocks of `record` in order, with no events in between: for a unit
    // whose event is being handled. True when every write reached the unit.
    bool writeInOrder(QDevice* record, std::span<const hidr_t> codes);

    // After a status reply of a unit not in its bootloader: the requests for
    // all its blocks and for its children.
    void askForBlocksAndChildren(QDevice* unit);

    // Every control shows the current record again; or `record`, if it is
    // the one shown.
    void redraw() { emit DoUpdateAllParameters(HIDR_ALL); }
    void redrawIfShown(QDevice* record);

    // The shown unit went away (called by the registry).
    void fallBackToOfflineDevice() override;

signals:
    void DoSelectRecord(QDevice* record);
    void DoUpdateAllParameters(zq40::hidr_t code);
    // The shown unit left: the offline record is shown from now on.
    void DoFellBackOffline();
    // A block of `record` reached its unit.
    void DoBlockSent(QDevice* record, zq40::hidr_t code);

private:
    QDevices devices;
    QDevice offlineDevice;
    QDevice* pCurrentDevice = &offlineDevice;
    QString startupConfigPath;
};

} // namespace zq40
