// The panel without its window: a session with the units and the flows that
// work on it, shared by every front end. The front end answers the flows'
// questions through its Prompter and shows what the session's and the
// registry's signals report.
#pragma once

#include "config_flow.h"
#include "firmware_flow.h"
#include "prompter.h"
#include "unit_session.h"

namespace zq40 {

class PanelCore {
public:
    explicit PanelCore(Prompter& prompter);

    UnitSession& session() { return units; }
    const UnitSession& session() const { return units; }
    ConfigFlow& configs() { return configFlow; }
    FirmwareFlow& firmware() { return firmwareFlow; }

    // A unit answered the status request. A unit in its bootloader knows no
    // parameters; one back on the carried firmware first gets the settings
    // saved before its update; then it is asked for its blocks and children.
    void unitReportedStatus(QDevice* unit);

private:
    UnitSession units;
    ConfigFlow configFlow;
    FirmwareFlow firmwareFlow;
};

} // namespace zq40
