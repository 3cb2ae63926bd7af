// Ending a program that runs until it is interrupted (Ctrl+C, or being told
// to stop): the event loop ends and the program leaves cleanly.
#pragma once

namespace zq40 {

// From now on an interrupt quits the application's event loop.
void quitOnInterrupt();

} // namespace zq40
