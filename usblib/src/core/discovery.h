// Device discovery on the worker thread.
#pragma once

namespace ousb {

// Scans the present interfaces: creates records for new ones, announces
// records whose announcement is pending (every online record when `all` is 1),
// and deletes records whose interface is gone.
bool scanForDevices(int all);

// Empties the list, closing every record; then, with callbacks, online
// records are announced as gone.
void dropAllDevices(bool withCallbacks);

} // namespace ousb
