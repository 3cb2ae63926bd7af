// Starting and stopping the library's threads, called by the platform's load
// and unload hooks (an ELF constructor on Linux, DllMain on Windows).
#pragma once

namespace ousb {

// Creates the request events and starts the worker and the system's own
// threads. Waits for none of them.
void startLibrary();

enum class StopMode {
    // The caller may wait (a bounded time) for the worker to end.
    waitForWorker,
    // The caller holds a lock the worker may need, or the threads are gone
    // already: signal them and never wait.
    signalOnly,
};

// Stops the threads, writes the unload line and closes the log.
void stopLibrary(StopMode mode);

} // namespace ousb
