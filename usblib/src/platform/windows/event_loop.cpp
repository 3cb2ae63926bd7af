// The worker's loop: three auto-reset events (enumerate, rescan, stop)
// waited for alertably, so that the completion routines of the reads it
// started run on it. A completion only notes its read; the loop hands the
// noted reads to the core after the wait, as the Linux loop does with epoll.
#include "../platform.h"
#include "hid_file.h"
#include "windows_system.h"

#include <algorithm>
#include <vector>

namespace ousb::platform {

namespace {

struct Loop {
    HANDLE enumerate = nullptr;
    HANDLE rescan = nullptr;
    HANDLE stop = nullptr;
    std::vector<uint64_t> completed; // worker only: keys of reads that completed
};

Loop loop;

bool consume(HANDLE event)
{
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

bool dispatchCompleted(WorkerEvents& events)
{
    if (loop.completed.empty())
        return false;
    // A handler may wait for reports itself and dispatch more meanwhile.
    std::vector<uint64_t> ready;
    ready.swap(loop.completed);
    for (uint64_t key : ready)
        events.onReadable(key);
    return true;
}

} // namespace

namespace windows {

void CALLBACK onReadCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped)
{
    auto* read = reinterpret_cast<PendingRead*>(overlapped);
    read->inFlight = false;
    if (read->orphaned) {
        delete read;
        return;
    }
    read->completed = true;
    read->error = error;
    read->bytes = bytes;
    loop.completed.push_back(read->key);
}

void requestRescanFromWindow()
{
    if (loop.rescan)
        SetEvent(loop.rescan);
}

} // namespace windows

bool initEvents()
{
    loop.enumerate = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    loop.rescan = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    loop.stop = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!loop.enumerate || !loop.rescan || !loop.stop)
        return false;
    return windows::startDeviceWindow();
}

void closeEvents()
{
    for (HANDLE* h : {&loop.enumerate, &loop.rescan, &loop.stop}) {
        if (*h)
            CloseHandle(*h);
        *h = nullptr;
    }
}

void requestEnumerate()
{
    SetEvent(loop.enumerate);
}

void requestRescan()
{
    SetEvent(loop.rescan);
}

void requestStop()
{
    SetEvent(loop.stop);
    windows::stopDeviceWindow();
}

void runWorker(WorkerEvents& events)
{
    const HANDLE waits[] = {loop.stop, loop.enumerate, loop.rescan};
    for (;;) {
        DWORD r = WaitForMultipleObjectsEx(3, waits, FALSE, INFINITE, TRUE);
        if (r == WAIT_FAILED || r == WAIT_OBJECT_0)
            return;
        // Each look at an event is a call into the system: after a request,
        // the others are looked at too; after read completions, none (a
        // request set meanwhile ends the next wait at once).
        const bool request = r == WAIT_OBJECT_0 + 1 || r == WAIT_OBJECT_0 + 2;
        if (request && consume(loop.stop))
            return;
        bool enumerate = r == WAIT_OBJECT_0 + 1 || (request && consume(loop.enumerate));
        bool rescan = r == WAIT_OBJECT_0 + 2 || (request && consume(loop.rescan));
        // Reports first: a scan may delete the records they belong to.
        dispatchCompleted(events);
        if (enumerate)
            events.onEnumerateRequest();
        if (rescan)
            events.onRescanRequest();
    }
}

bool armRead(HidFile& file, uint64_t key, int& error)
{
    return static_cast<windows::WinHidFile&>(file).startRead(key, error);
}

void unwatch(HidFile& file)
{
    auto& f = static_cast<windows::WinHidFile&>(file);
    f.dropCompleted();
    std::erase(loop.completed, f.key());
}

bool pumpReads(WorkerEvents& events, int timeoutMs)
{
    if (loop.completed.empty())
        SleepEx(DWORD(std::max(timeoutMs, 0)), TRUE);
    return dispatchCompleted(events);
}

} // namespace ousb::platform
