// The operating-system side of the library, behind one small interface.
//
// The core never calls the system directly: it lists HID interfaces, opens
// them, moves reports and waits for events through these functions. One file
// per system fills them (linux/ for udev, hidraw, epoll and eventfd).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ousb::platform {

// One HID interface as the system lists it.
struct HidInterface {
    std::string path;        // identity of this appearance of the interface; changes on replug
    std::string devnode;     // what open() takes
    std::string vendorText;  // vendor id as the system spells it (hex digits)
    std::string productText; // product id, likewise
    bool hasProduct = false; // false when the product string cannot be read
    std::string product;     // product string, UTF-8
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
    int error = 0;    // errno for failed/disconnected
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
};

// Opens `devnode` exclusively for reading and writing. Null on failure; `error`
// is the system's code.
std::unique_ptr<HidFile> openHidFile(const std::string& devnode, int& error);

// The worker's event loop.
class WorkerEvents {
public:
    virtual ~WorkerEvents() = default;
    virtual void onEnumerateRequest() = 0;
    virtual void onRescanRequest() = 0;
    // A watched file has a report ready (or hung up). `key` is what watch() was given.
    virtual void onReadable(uint64_t key) = 0;
};

// Creates the request events; called once when the library loads.
bool initEvents();
void closeEvents();

void requestEnumerate();
void requestRescan();
void requestStop();

// Runs on the worker until requestStop(). The device-change monitor is
// started on the first request, so that nothing looks at the system's device
// database before a client asks for devices.
void runWorker(WorkerEvents& events);

// Arms `file` for one readable notification with `key` (one read in flight).
bool armRead(HidFile& file, uint64_t key);
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

} // namespace ousb::platform
