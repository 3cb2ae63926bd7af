// The operating-system side of the library, behind one small interface.
//
// The core never calls the system directly: it lists HID interfaces, opens
// them, moves reports and waits for events through these functions. One
// folder per system fills them (linux/ for udev, hidraw, epoll and eventfd;
// windows/ for SetupDi, overlapped HID files and a hidden window). Errors,
// ids and times cross as plain numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ousb::platform {

// One HID interface as the system lists it.
struct HidInterface {
    std::string path; // the system's name of the interface
    // Path and appearance together name one appearance of the interface: a
    // system that gives a replugged interface its old path counts arrivals.
    uint32_t appearance = 0;
    std::string devnode; // what openHidFile() opens
    // Empty when the system does not tell them (the interface is skipped).
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
};

enum class ListResult { ok, queryFailed };

// Lists the present HID interfaces. A failed query leaves `out` empty.
// `failedDetails` counts interfaces whose details could not be read.
ListResult listHidInterfaces(std::vector<HidInterface>& out, int& failedDetails);

enum class IoStatus {
    ok,           // a whole report moved
    wouldBlock,   // nothing to read now
    disconnected, // the device is gone (hang-up, EOF, ENODEV, EIO)
    timedOut,     // a write could not be handed over in time
    failed,       // any other error; `error` holds the system's code
};

struct IoResult {
    IoStatus status;
    int error = 0;    // the system's error code for failed/disconnected
    size_t bytes = 0; // bytes moved
};

// An open HID interface. Writes may come from any thread; reads and the
// worker's bookkeeping happen on the worker. close() may race with writes:
// it wakes a writer waiting for room and waits until it has left.
class HidFile {
public:
    virtual ~HidFile() = default;
    // One 65-byte output report: report ID then 64 bytes.
    virtual IoResult write(const uint8_t* report65, int timeoutMs) = 0;
    // One input report of at most 64 bytes.
    virtual IoResult read(uint8_t* report64) = 0;
    // Cancels pending I/O and releases the interface; later calls fail.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The interface's product string in the system's narrow encoding; false
    // when the system cannot tell it.
    virtual bool productString(std::string& out) = 0;
};

// Opens the interface exclusively for reading and writing. Null on failure;
// `error` is the system's code.
std::unique_ptr<HidFile> openHidFile(const HidInterface& iface, int& error);

// The worker's event loop.
class WorkerEvents {
public:
    virtual ~WorkerEvents() = default;
    virtual void onEnumerateRequest() = 0;
    virtual void onRescanRequest() = 0;
    // A watched file has a report ready (or hung up). `key` is what watch() was given.
    virtual void onReadable(uint64_t key) = 0;
};

// Creates the request events and starts the system's own threads (none on
// Linux; the device-change window on Windows) without waiting for them.
bool initEvents();
// Frees what initEvents made, once the worker has ended.
void closeEvents();

void requestEnumerate();
void requestRescan();
void requestStop();

// Runs on the worker until requestStop(). The device-change monitor is
// started on the first request, so that nothing looks at the system's device
// database before a client asks for devices.
void runWorker(WorkerEvents& events);

// Arms `file` for one readable notification with `key` (one read in flight).
// False with the system's `error` when the read cannot be started.
bool armRead(HidFile& file, uint64_t key, int& error);
// Removes `file` from the loop.
void unwatch(HidFile& file);

// Waits on the worker, at most `timeoutMs`, for watched files to become
// readable, and hands them to `events` as the loop would. Requests stay
// pending for the loop. Used when the worker itself waits for a report.
// True when at least one file was handed over.
bool pumpReads(WorkerEvents& events, int timeoutMs);

// Milliseconds of a monotonic clock and the calling thread's id, for the log.
uint32_t tickCount();
uint32_t threadId();

// The system's codes for a file that is not open and for a wait that ran
// out, where the log names a system error.
int invalidHandleError();
int timeoutError();

// Opens the log for writing, truncated, not inherited by child processes.
FILE* openLogFile(const char* path);

} // namespace ousb::platform
