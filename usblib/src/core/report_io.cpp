// Report transport: one read in flight per device, completed on the worker;
// synchronous writes and waiting reads for the client.
#include "commands.h"
#include "library.h"
#include "log.h"
#include "report_format.h"

#include <algorithm>
#include <cstring>

namespace ousb {

namespace {

constexpr auto kIoTimeout = std::chrono::milliseconds(4000);

void logCompletionError(int error, size_t bytes, const Device& d)
{
    logLine("ERROR: CompletedReadRoutine() failed dwErr %d cbBytesRead %d inBuffer[0] %d?\n", error, int(bytes),
            d.inBuffer[0]);
}

bool sameIdentity(const Device& a, const Device& b)
{
    return a.info.PID == b.info.PID && a.info.perID == b.info.perID && a.info.ser == b.info.ser;
}

// A version reply: store it, bring the record online, follow a device under
// firmware update to its new handle, and announce the record if due.
bool handleVersion(Device& d, const ReportView& report)
{
    auto& lib = library();
    uint8_t* block = reinterpret_cast<uint8_t*>(&d.info.perID);
    if (std::memcmp(block, report.payload(), sizeof(ousb_version_block_t)) != 0)
        d.connectPending = true;
    if (d.connectPending) {
        // The block is six little-endian words; store them in host order.
        uint32_t* words = &d.info.perID;
        for (int i = 0; i < 6; ++i)
            words[i] = readLe32(report.payload() + 4 * i);
    }
    logLine("%s PID %d perID %d ser %d h " OUSB_HANDLE_FMT " '%s' ver %d.%d.%d.%d\n",
            d.online ? "version for" : "Online", int(d.info.PID), int(d.info.perID), int(d.info.ser), logHandle(&d),
            d.product.data(), d.info.ver >> 24, (d.info.ver >> 16) & 0xFF, (d.info.ver >> 8) & 0xFF, d.info.ver & 0xFF);
    d.online = true;

    Device* updating = lib.firmwareUpdateHandle.load();
    if (lib.waitingForNewHandle && updating && updating != &d) {
        DevicePtr old = lib.devices.find(updating);
        if (old && sameIdentity(*old, d)) {
            lib.waitingForNewHandle = false;
            logLine("pFirmwareUpdateHandle reassignment " OUSB_HANDLE_FMT " to " OUSB_HANDLE_FMT "\n",
                    logHandle(updating), logHandle(&d));
            lib.firmwareUpdateHandle = &d;
            lib.bootloaderFound.set();
        }
    }

    if (d.connectPending && !lib.updateInProgress()) {
        d.connectPending = false;
        if (auto cb = lib.callbacks.connect.load())
            cb(d.handle(), &d.info);
        enumerateChildDevices(d);
        return true;
    }
    return false;
}

bool handleChildConnect(Device& d, const ReportView& report)
{
    const uint8_t* p = report.payload();
    Child* child = nullptr;
    for (auto& c : d.children)
        if (c->info.childID[0] == p[0] && c->info.childID[1] == p[1])
            child = c.get();
    if (!child) {
        d.children.push_back(std::make_unique<Child>());
        child = d.children.back().get();
    }
    child->info.childID[0] = p[0];
    child->info.childID[1] = p[1];
    child->info.model = readLe32(p + 2);
    std::memcpy(child->info.info, p + 6, sizeof child->info.info);
    std::strncpy(child->name.data(), modelName(child->info.model), child->name.size() - 1);
    child->info.name = child->name.data();
    if (auto cb = library().callbacks.childConnect.load()) {
        cb(d.handle(), &child->info);
        return true;
    }
    return false;
}

bool handleChildDisconnect(Device& d, const ReportView& report)
{
    const uint8_t* p = report.payload();
    for (auto it = d.children.begin(); it != d.children.end(); ++it) {
        if ((*it)->info.childID[0] != p[0] || (*it)->info.childID[1] != p[1])
            continue;
        bool consumed = false;
        if (d.online)
            if (auto cb = library().callbacks.childDisconnect.load()) {
                cb(d.handle(), &(*it)->info);
                consumed = true;
            }
        d.children.erase(it);
        return consumed;
    }
    return false;
}

void handleReport(Device& d, uint64_t generation)
{
    auto& lib = library();
    ReportView report{d.inBuffer.data() + 1};
    logLine("Read event for h " OUSB_HANDLE_FMT " msgID %d cnt %d cmd %d\n", logHandle(&d), report.msgID(),
            report.cnt(), report.cmd());
    bool consumed = false;
    switch (report.msgID()) {
    case OUSB_MSG_VERSION:
        consumed = handleVersion(d, report);
        break;
    case OUSB_MSG_CHILD_CONNECT:
        consumed = handleChildConnect(d, report);
        break;
    case OUSB_MSG_CHILD_DISCONNECT:
        consumed = handleChildDisconnect(d, report);
        break;
    default:
        break;
    }

    d.readQueue.deliver(report.bytes, generation);

    auto cb = d.readCallback.load();
    if (cb && !consumed && !lib.updateInProgress()) {
        // The client sees a whole record; bytes past the report are zero.
        hid_report_t copy{};
        std::memcpy(&copy, report.bytes, 64);
        cb(d.handle(), &copy);
    }
}

// The first `bytes` of the report are in inBuffer after the report ID.
void handleReadBytes(Device& d, size_t bytes, uint64_t generation)
{
    d.inBuffer[0] = 0;
    if (bytes < 64)
        std::memset(d.inBuffer.data() + 1 + bytes, 0, 64 - bytes);
    handleReport(d, generation);
}

} // namespace

void queueNextRead(Device& d)
{
    d.inBuffer[0] = 0xFF;
    int error = platform::invalidHandleError();
    d.readQueued = d.file && platform::armRead(*d.file, d.key, error);
    if (!d.readQueued)
        logLine("ERROR: QueueNextRead() failed h " OUSB_HANDLE_FMT "? fRead %d dwRtrn %d\n", logHandle(&d), 0, error);
}

void completeRead(const DevicePtr& device)
{
    Device& d = *device;
    if (!d.file || !d.readQueued)
        return;
    d.readQueued = false;
    platform::IoResult r = d.file->read(d.inBuffer.data() + 1);
    const uint64_t generation = d.readQueue.generation();
    switch (r.status) {
    case platform::IoStatus::ok:
        break;
    case platform::IoStatus::wouldBlock:
        queueNextRead(d);
        return;
    case platform::IoStatus::disconnected:
        // The device is gone: the chain ends quietly and a scan settles the list.
        platform::unwatch(*d.file);
        platform::requestRescan();
        return;
    default:
        platform::unwatch(*d.file);
        logCompletionError(r.error, r.bytes, d);
        return;
    }
    handleReadBytes(d, r.bytes, generation);
    queueNextRead(d);
}

void handleIncomingReport(Device& d, const uint8_t* bytes, size_t size)
{
    const uint64_t generation = d.readQueue.generation();
    size = std::min<size_t>(size, 64);
    std::memcpy(d.inBuffer.data() + 1, bytes, size);
    handleReadBytes(d, size, generation);
}

bool writeReport(Device& d, const uint8_t* report64)
{
    if (!d.writeLock.try_lock_for(kIoTimeout)) {
        logLine("ERROR: ousb_WriteReport() unable to aquire mutex " OUSB_HANDLE_FMT "\n", logHandle(&d));
        return false;
    }
    std::lock_guard lock(d.writeLock, std::adopt_lock);
    d.outBuffer[0] = 0;
    std::memcpy(d.outBuffer.data() + 1, report64, 64);
    ReportView report{d.outBuffer.data() + 1};
    logLine("ousb_WriteReport() for h " OUSB_HANDLE_FMT " msgID %d cnt %d cmd %d\n", logHandle(&d), report.msgID(),
            report.cnt(), report.cmd());
    // A read that follows waits for a report that arrives after this write.
    d.readQueue.beginWrite();
    platform::IoResult r = d.file ? d.file->write(d.outBuffer.data(), int(kIoTimeout.count()))
                                  : platform::IoResult{platform::IoStatus::failed, platform::invalidHandleError(), 0};
    if (r.status != platform::IoStatus::ok) {
        logLine("ERROR: ousb_WriteReport() returned %d for h " OUSB_HANDLE_FMT "\n", r.error, logHandle(&d));
        return false;
    }
    return true;
}

} // namespace ousb

using namespace ousb;

extern "C" {

uint8_t ousb_WriteReport(ousb_handle_t handle, const hid_report_t* report)
{
    if (!report) {
        logLine("ERROR: ousb_WriteReport() NULL pReport?\n");
        return false;
    }
    DevicePtr d = library().devices.find(handle);
    if (!d) {
        logLine("ERROR: ousb_WriteReport() invalid devHandle?\n");
        return false;
    }
    return writeReport(*d, reinterpret_cast<const uint8_t*>(report));
}

uint8_t ousb_ReadReport(ousb_handle_t handle, hid_report_t* report)
{
    if (!report) {
        logLine("ERROR: ousb_ReadReport() NULL pReport?\n");
        return false;
    }
    auto& lib = library();
    DevicePtr d = lib.devices.find(handle);
    if (!d) {
        logLine("ERROR: ousb_ReadReport() invalid devHandle?\n");
        return false;
    }
    if (!d->readLock.try_lock_for(kIoTimeout)) {
        logLine("ERROR: ousb_ReadReport() unable to aquire mutex " OUSB_HANDLE_FMT "\n", logHandle(d.get()));
        return false;
    }
    std::lock_guard lock(d->readLock, std::adopt_lock);

    bool signalled = false;
    auto* out = reinterpret_cast<uint8_t*>(report);
    if (lib.onWorker()) {
        // The worker waits by running read completions itself; each one that
        // runs starts a full wait again.
        auto deadline = std::chrono::steady_clock::now() + kIoTimeout;
        while (!(signalled = d->readQueue.tryTake(out)) && !d->deleted) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            if (platform::pumpReads(workerEvents(), int(left.count())))
                deadline = std::chrono::steady_clock::now() + kIoTimeout;
        }
    } else {
        signalled = d->readQueue.waitAndTake(out, kIoTimeout, [&d] { return d->deleted.load(); });
    }

    if (signalled) {
        ReportView view{reinterpret_cast<const uint8_t*>(report)};
        logLine("ousb_ReadReport() for h " OUSB_HANDLE_FMT " msgID %d cnt %d cmd %d\n", logHandle(d.get()),
                view.msgID(), view.cnt(), view.cmd());
        return true;
    }
    if (d->deleted) {
        // The device left the list while we waited.
        logLine("ERROR: ousb_ReadReport() invalid devHandle?\n");
        return false;
    }
    logLine("ERROR: ousb_ReadReport() Timed out at %1.1f seconds h " OUSB_HANDLE_FMT "\n", 4.0, logHandle(d.get()));
    return false;
}

uint8_t ousb_Transaction(ousb_handle_t handle, const hid_report_t* request, hid_report_t* reply)
{
    uint8_t result = ousb_WriteReport(handle, request);
    if (result && reply)
        result = ousb_ReadReport(handle, reply);
    return result;
}

} // extern "C"
