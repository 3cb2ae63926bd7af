// Load and unload: the worker starts when the library is loaded into a
// process and stops when it is unloaded; clients initialise nothing. The
// platform's load hooks call in here.
#include "library.h"

#include "discovery.h"
#include "lifecycle.h"
#include "log.h"

#include <condition_variable>

namespace ousb {

Library& library()
{
    static Library* lib = new Library; // outlives every static destructor that may call in
    return *lib;
}

namespace {

struct WorkerThread {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable finishedCv;
    bool finished = false;
};

WorkerThread& workerThread()
{
    static WorkerThread* w = new WorkerThread;
    return *w;
}

void workerMain()
{
    auto& w = workerThread();
    library().workerId = std::this_thread::get_id();
    platform::runWorker(workerEvents());
    // Stopping: records go without callbacks.
    dropAllDevices(false);
    {
        std::lock_guard lock(w.mutex);
        w.finished = true;
    }
    w.finishedCv.notify_all();
}

} // namespace

void startLibrary()
{
    auto& lib = library();
    lib.stopping = false;
    if (!platform::initEvents())
        return;
    auto& w = workerThread();
    w.thread = std::thread(workerMain);
}

void stopLibrary(StopMode mode)
{
    auto& lib = library();
    auto& w = workerThread();
    lib.stopping = true;
    if (w.thread.joinable()) {
        platform::requestStop();
        if (mode == StopMode::signalOnly) {
            // The thread object is left as it is: it is never destroyed.
            closeLogOnUnload(LogLock::tryOnly);
            return;
        }
        // A worker stuck in a client's callback (a client that waits for a
        // thread that has already ended) must not hang the process at exit.
        std::unique_lock lock(w.mutex);
        if (w.finishedCv.wait_for(lock, std::chrono::seconds(2), [&w] { return w.finished; })) {
            lock.unlock();
            w.thread.join();
            platform::closeEvents();
        } else {
            lock.unlock();
            w.thread.detach();
        }
    }
    closeLogOnUnload(LogLock::wait);
}

} // namespace ousb
