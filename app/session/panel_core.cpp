#include "panel_core.h"

#include "presentation.h"

namespace zq40 {

PanelCore::PanelCore(Prompter& prompter)
    : configFlow(units, prompter)
    , firmwareFlow(units, prompter)
{
}

void PanelCore::unitReportedStatus(QDevice* unit)
{
    if (!unit || unit->bootloaderActive != 0)
        return;
    if (unit->pDeviceInfo && runsCarriedFirmware(*unit->pDeviceInfo))
        firmwareFlow.restoreBackup(unit);
    units.askForBlocksAndChildren(unit);
}

} // namespace zq40
