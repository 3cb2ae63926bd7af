// Moving a configuration between files, the program and the units: open a
// file onto the shown record, save the shown record, start afresh, open the
// file named at start-up, and bring a record into line with its unit's zone
// links. The questions go through the front end's Prompter.
#pragma once

#include "prompter.h"
#include "unit_session.h"

#include <QString>

namespace zq40 {

class ConfigFlow {
public:
    ConfigFlow(UnitSession& session, Prompter& prompter);

    // The folder the open and save dialogs start in: "ZQ40 Configs" in the
    // user's documents folder, made when missing, else the home folder.
    static QString configFolder();

    // Open (or Load) Config: a file onto the shown record. The device name
    // stays the record's unless `takeName`. True when the file was applied.
    bool open(bool takeName = false);
    // Save Config: the shown record to a file. True when it was written.
    bool save();
    // New Config: offline, the offline record back to factory defaults
    // (saved first if the person wants); on a unit, the unit's factory
    // defaults, or working offline on fresh defaults.
    void newConfig();
    // The file named on the command line, into the offline record. A path
    // that names no file is forgotten, silently.
    void openFromPath(const QString& path);

    // Copies every linked group's fader position and source from one zone
    // into the others and recomputes all six levels; with `report` set and
    // any link present, tells the person that settings may have changed.
    void conformToLinkedZones(QDevice* record, bool report);

private:
    UnitSession& session;
    Prompter& prompter;
};

} // namespace zq40
