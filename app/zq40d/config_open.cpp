#include "config_open.h"

#include "panel_core.h"
#include "service_prompter.h"

namespace zq40::daemon {

bool openConfigOnto(PanelCore& core, ServicePrompter& prompter, QDevice* unit, const QString& file, QString& why)
{
    core.session().setCurrent(unit);
    prompter.setFile(file);
    const bool loaded = core.configs().open(false);
    why = prompter.warningsTold();
    prompter.setFile({});
    return loaded;
}

} // namespace zq40::daemon
