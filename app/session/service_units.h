// The units the service holds, borrowed by a front end an installer runs:
// the window and zq40ctl ask before they look for units, so that the units
// are theirs for as long as they run.
#pragma once

#include <QString>

namespace zq40 {

// When the service holds a unit present, asks it to lend its units to
// `program`. Empty when it lent them or holds none; otherwise what to tell
// the user.
QString borrowUnitsIfServiceHolds(const char* program);

} // namespace zq40
