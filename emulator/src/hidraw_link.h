// One appearance of a unit's hidraw node on the bus.
//
// /dev/hidrawN is a symlink to a pty slave. umockdev's preload routes the
// host's read(), write() and ioctl() on it through an ioctl handler attached
// to the node; that handler runs here, on umockdev's worker thread:
//  - write: one call is one output report, as with hidraw (no byte stream);
//  - ioctl: answers the HIDIOC* requests hidraw knows;
//  - read: hands out the report waiting in the pty, so the emulator knows the
//    host consumed it and can put the next one there. Exactly one 64-byte
//    report sits in the pty at a time, which keeps poll() on the node honest
//    and gives one report per read. With nothing queued the read falls
//    through to the pty (blocks, or EAGAIN when non-blocking).
// The emulator keeps a slave fd of its own open, so the master never sees a
// hang-up while the host has the node closed. Closing both ends is the yanked
// cable: the host gets POLLHUP; reads give EIO and writes ENODEV, as hidraw.
// A paced unit takes the host's reports at most one per 1 ms USB frame (the
// write returns when its report is taken, as a real interrupt transfer does)
// and puts its own into the pty no faster either.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "scheduler.h"
#include "zq40emu/report.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace zq40emu::detail {

class UnitCore;

// What hidraw's ioctls report about the device.
struct HidIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name; // HID_NAME
    std::string phys; // HID_PHYS
    std::string uniq; // HID_UNIQ
};

class HidrawLink : public std::enable_shared_from_this<HidrawLink> {
public:
    // hidraw keeps this many reports for a reader; more are dropped.
    static constexpr std::size_t kReaderQueue = 64;

    // Opens the pty; throws std::system_error.
    static std::shared_ptr<HidrawLink> create(std::shared_ptr<UnitCore> unit);
    ~HidrawLink();
    HidrawLink(const HidrawLink&) = delete;
    HidrawLink& operator=(const HidrawLink&) = delete;

    const std::string& ptyPath() const { return ptyPath_; }
    const std::string& devnode() const { return devnode_; }

    // Serve devnode ("/dev/hidrawN"); before the node appears. Throws std::runtime_error.
    void attach(UMockdevTestbed* testbed, const std::string& devnode, HidIdentity identity);
    // Stop serving; the unit's mutex must not be held.
    void detach(UMockdevTestbed* testbed);

    // --- with the unit's mutex held ---
    // Queues a report for the host. Dropped while nobody has the node open or
    // the reader's queue is full, as hidraw does.
    void deliver(const Report& report);
    bool attached() const { return clients_ > 0; }
    bool gone() const { return gone_; }
    void hangUp();
    void pacingChanged();

private:
    explicit HidrawLink(std::shared_ptr<UnitCore> unit)
        : unit_(std::move(unit))
    {
    }

    static int onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static int onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static void onClientNotify(void* client, void* property, void* self);

    // --- with the unit's mutex held ---
    std::optional<Report> takeForHost();
    void topUp();
    void armCheck();
    void checkPipe();
    void dropQueued();
    long answerIoctl(UMockdevIoctlClient* client, int& error);
    bool takeNow();
    void takeLater(UMockdevIoctlClient* client, const Report& report, int count);
    void takePending();
    void armInputTimer();
    void armOutputTimer();

    std::shared_ptr<UnitCore> unit_;
    int master_ = -1;
    int slave_ = -1; // our own, keeps the master from hanging up
    std::string ptyPath_;
    std::string devnode_;
    HidIdentity identity_;
    UMockdevIoctlBase* handler_ = nullptr;

    // guarded by the unit's mutex
    bool gone_ = false;
    int clients_ = 0;
    std::deque<Report> queued_;
    bool inPipe_ = false;
    bool checkArmed_ = false;
    std::chrono::milliseconds checkDelay_{kFirstCheck};
    static constexpr std::chrono::milliseconds kFirstCheck{5};
    static constexpr std::chrono::milliseconds kLastCheck{100};

    // pacing, guarded by the unit's mutex
    struct PendingWrite {
        UMockdevIoctlClient* client; // referenced until completed
        Report report;
        int count;
    };
    std::deque<PendingWrite> pendingWrites_;
    Scheduler::Clock::time_point nextIn_{};
    Scheduler::Clock::time_point nextOut_{};
    bool inTimerArmed_ = false;
    bool outTimerArmed_ = false;
};

} // namespace zq40emu::detail
