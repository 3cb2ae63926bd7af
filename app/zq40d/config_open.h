// A .zq40 file sent to a unit by the window's Open flow, for a service
// nobody watches: the prompter hands the flow the file.
#pragma once

#include <QString>

class QDevice;

namespace zq40 {
class PanelCore;
}

namespace zq40::daemon {

class ServicePrompter;

// False with `why` (the warnings the flow told) when the file was not applied.
// The unit keeps its own name, as the window's Open keeps it.
bool openConfigOnto(PanelCore& core, ServicePrompter& prompter, QDevice* unit, const QString& file, QString& why);

} // namespace zq40::daemon
