// The firmware update of a unit and its children from the firmware the
// program carries: the decisions, the settings backup before a unit's
// update, the library's update calls, and the restore when the unit returns
// on the carried firmware. Everything runs on the calling thread, which the
// update calls block; the progress reports let the program's events run.
#pragma once

#include "prompter.h"
#include "unit_session.h"

#include <QObject>
#include <QString>

namespace zq40 {

class FirmwareFlow : public QObject {
    Q_OBJECT

public:
    enum class Result {
        NotStarted,            // no unit, or an update is already running
        TestFirmwareRefused,   // this build's test firmware would reach a real unit: nothing sent
        NewerSoftwareRequired, // the unit is newer than this program: never updated
        BackupFailed,          // the settings could not be saved: not started
        UnitUpdated,           // the unit took the firmware (it returns under a new handle)
        UnitFailed,
        ChildrenUpdated, // every outdated child took its firmware (or none needed it)
        ChildrenFailed,
    };
    struct Outcome {
        Result result = Result::NotStarted;
        // The updated unit is still the one shown: its failure stays on screen.
        bool unitStillShown = false;
    };

    FirmwareFlow(UnitSession& session, Prompter& prompter);

    bool running() const { return isRunning; }

    // One press of the firmware button for `unit`: the unit itself when it
    // is not on the carried firmware, else its outdated children.
    Outcome update(QDevice* unit);

    // The library's progress came: lets events run (the window repaints, the
    // registry hears of the unit's return), as a blocked thread must.
    static void letEventsRun();

    // For a unit back on the carried firmware: the settings saved before its
    // update go to the unit, and the backup is deleted once they all did.
    void restoreBackup(QDevice* unit);

signals:
    // An update starts: "Updating ZQ40 Firmware..." or "Updating <child> Firmware...".
    void DoUpdateStarting(const QString& status);
    // A child took its update and restarts; it returns on its own.
    void DoChildRestarting(quint16 key);

private:
    Outcome updateUnit(QDevice* unit);
    Outcome updateChildren(QDevice* unit);

    UnitSession& session;
    Prompter& prompter;
    bool isRunning = false;
};

} // namespace zq40
