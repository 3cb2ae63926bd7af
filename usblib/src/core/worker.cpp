// The worker thread: it runs every scan, completes every read and makes
// every connect, disconnect, child and read-report callback.
#include "discovery.h"
#include "library.h"
#include "log.h"

namespace ousb {

namespace {

class Worker final : public platform::WorkerEvents {
public:
    void onEnumerateRequest() override
    {
        // A full re-enumeration would drop the device under update.
        if (library().updateInProgress())
            return;
        dropAllDevices(true);
        if (!library().lent)
            scanForDevices(1);
    }

    void onRescanRequest() override
    {
        if (!library().lent)
            scanForDevices(0);
    }

    void onReadable(uint64_t key) override
    {
        DevicePtr d = library().devices.findByKey(key);
        if (!d) {
            logLine("ERROR: CompletedReadRoutine() invalid devHandle?\n");
            platform::requestRescan();
            return;
        }
        completeRead(d);
    }
};

} // namespace

platform::WorkerEvents& workerEvents()
{
    // Never destroyed: at exit the worker may still be handling an event
    // when static destructors run, until the library's unload stops it.
    static Worker* worker = new Worker;
    return *worker;
}

} // namespace ousb
