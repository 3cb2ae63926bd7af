// zq40ctl's commands over the panel's core: each command waits for the
// units it needs, does what the window would do, and says how it went in
// its exit code.
#pragma once

#include "ctl_arguments.h"
#include "panel_core.h"
#include "terminal_prompter.h"
#include "unit_waiter.h"

#include <optional>

namespace zq40::ctl {

class Tool {
public:
    Tool();
    int run(const Arguments& arguments);

private:
    int list(bool json);
    int show(const Arguments& a);
    int get(const Arguments& a);
    int set(const Arguments& a);
    int save(const Arguments& a);
    int load(const Arguments& a);
    int update(const Arguments& a);
    int monitor(bool json);

    // The unit a command works on: the one named, or the only one connected.
    // On failure, says why and gives the exit code.
    int pickUnit(const Arguments& a, QDevice*& unit);
    // The same, for a command that changes settings: a unit the window would
    // not let edit is refused, saying what `action` needs first.
    int pickEditableUnit(const Arguments& a, QDevice*& unit, const char* action);
    // Why a unit (the one with `serial`, or any) is not there to use.
    int whyMissing(std::optional<uint32_t> serial);
    int updateOne(uint32_t serial);

    TerminalPrompter prompter;
    PanelCore core;
    UnitWaiter waiter;
};

} // namespace zq40::ctl
