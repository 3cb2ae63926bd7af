// What a role may change, decided by the service whatever a client shows: an
// installer anything the edit rules allow; staff only the level and the
// source of the zones the installer gave them, sources from each zone's list.
// Linked zones follow a zone's level and source, so staff may move a zone
// only when every zone linked with it is theirs too.
#pragma once

#include "daemon_config.h"
#include "secret_store.h"
#include "setting_edits.h"

namespace zq40 {
struct ParameterBlocks;
}

namespace zq40::daemon {

// Empty when `role` may make `edits` on a unit holding `blocks`; otherwise
// why not, in words.
QString forbiddenEdit(Role role, const DaemonConfig& config, const SettingEdits& edits, const ParameterBlocks& blocks);

} // namespace zq40::daemon
