#include "hidraw_link.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "descriptors.h"
#include "unit_core.h"

namespace zq40emu::detail {
namespace {

constexpr int kMaxWrite = 16384; // HID_MAX_BUFFER_SIZE

void makeRaw(int fd)
{
    struct termios t { };
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
}

// USB full speed runs in 1 ms frames and an interrupt endpoint moves one
// report a frame: the next may go in the frame after this one.
Scheduler::Clock::time_point nextFrame(Scheduler::Clock::time_point now)
{
    return Scheduler::Clock::time_point(std::chrono::floor<std::chrono::milliseconds>(now.time_since_epoch())) +
        std::chrono::milliseconds(1);
}

void deleteLinkRef(void* p)
{
    delete static_cast<std::shared_ptr<HidrawLink>*>(p);
}

// Copies to the client's memory at the ioctl argument; false when it is unreachable.
bool writeArg(UMockdevIoctlClient* client, std::size_t size, const void* data, std::size_t len)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    GError* error = nullptr;
    UMockdevIoctlData* target = umockdev_ioctl_data_resolve(arg, 0, size, &error);
    if (error)
        g_error_free(error);
    if (!target)
        return false;
    std::memcpy(target->data, data, std::min(len, static_cast<std::size_t>(target->data_len)));
    g_object_unref(target);
    return true;
}

} // namespace

std::shared_ptr<HidrawLink> HidrawLink::create(std::shared_ptr<UnitCore> unit)
{
    std::shared_ptr<HidrawLink> link(new HidrawLink(std::move(unit)));
    // posix_openpt and TIOCGPTPEER rather than open(): in a process under
    // umockdev's preload, open() on /dev would register the fd with the preload.
    link->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (link->master_ < 0)
        throw std::system_error(errno, std::generic_category(), "posix_openpt");
    char name[64];
    if (::unlockpt(link->master_) != 0 || ::ptsname_r(link->master_, name, sizeof name) != 0)
        throw std::system_error(errno, std::generic_category(), "pty setup");
    link->ptyPath_ = name;
    link->slave_ = ::ioctl(link->master_, TIOCGPTPEER, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (link->slave_ < 0)
        throw std::system_error(errno, std::generic_category(), "TIOCGPTPEER");
    // bytes must pass unchanged: no echo, no line editing, no CR/LF mapping
    makeRaw(link->slave_);
    makeRaw(link->master_);
    return link;
}

HidrawLink::~HidrawLink()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    for (PendingWrite& w : pendingWrites_) {
        umockdev_ioctl_client_complete(w.client, -1, ENODEV);
        g_object_unref(w.client);
    }
}

void HidrawLink::attach(UMockdevTestbed* testbed, const std::string& devnode, HidIdentity identity)
{
    devnode_ = devnode;
    identity_ = std::move(identity);
    handler_ = umockdev_ioctl_base_new();
    // The handler outlives detach() while a host still has the node open; it
    // keeps the link alive for its callbacks.
    g_object_set_data_full(G_OBJECT(handler_), "zq40emu-link", new std::shared_ptr<HidrawLink>(shared_from_this()),
                           deleteLinkRef);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(onRead), this);
    g_signal_connect(handler_, "handle-write", G_CALLBACK(onWrite), this);
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(onConnected), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, devnode.c_str(), handler_, &error)) {
        std::string what = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw std::runtime_error("cannot serve " + devnode + ": " + what);
    }
}

void HidrawLink::detach(UMockdevTestbed* testbed)
{
    if (!handler_)
        return;
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed, devnode_.c_str(), &error);
    if (error)
        g_error_free(error);
    UMockdevIoctlBase* handler = handler_;
    handler_ = nullptr;
    g_object_unref(handler);
}

void HidrawLink::hangUp()
{
    if (gone_)
        return;
    gone_ = true;
    queued_.clear();
    inPipe_ = false;
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = -1;
    // writes waiting for their turn fail like writes to a vanished device
    for (PendingWrite& w : pendingWrites_) {
        umockdev_ioctl_client_complete(w.client, -1, ENODEV);
        g_object_unref(w.client);
    }
    pendingWrites_.clear();
}

void HidrawLink::deliver(const Report& report)
{
    if (gone_ || clients_ == 0)
        return;
    if (queued_.size() + (inPipe_ ? 1 : 0) >= kReaderQueue)
        return;
    queued_.push_back(report);
    topUp();
}

// Puts the next queued report into the pty when the previous one is gone.
void HidrawLink::topUp()
{
    if (gone_ || queued_.empty())
        return;
    if (inPipe_) {
        armCheck();
        return;
    }
    const Scheduler::Clock::time_point now = Scheduler::Clock::now();
    if (unit_->pacedLocked() && now < nextOut_) {
        armOutputTimer();
        return;
    }
    const ssize_t n = ::write(master_, queued_.front().bytes.data(), kReportSize);
    if (n == static_cast<ssize_t>(kReportSize)) {
        queued_.pop_front();
        inPipe_ = true;
        nextOut_ = nextFrame(now);
        if (!queued_.empty())
            armCheck();
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        armCheck(); // pty buffer full; try again shortly
    }
}

std::optional<Report> HidrawLink::takeForHost()
{
    Report report;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t n = ::read(slave_, report.bytes.data(), kReportSize);
        if (n == static_cast<ssize_t>(kReportSize)) {
            inPipe_ = false;
            checkDelay_ = kFirstCheck;
            topUp();
            return report;
        }
        // The pty is empty, or held the tail of a report a short native read
        // left behind (now dropped, as hidraw would have).
        inPipe_ = false;
        if (n > 0)
            continue;
        if (queued_.empty())
            return std::nullopt;
        topUp();
    }
    return std::nullopt;
}

// A read that fell through to the pty may have taken the report without us
// seeing it; look at the pty now and then while more are waiting.
void HidrawLink::armCheck()
{
    if (checkArmed_)
        return;
    checkArmed_ = true;
    std::weak_ptr<HidrawLink> weak = weak_from_this();
    unit_->scheduler().postAfter(checkDelay_, [weak] {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->unit_->mutex());
            self->checkArmed_ = false;
            self->checkPipe();
        }
    });
}

void HidrawLink::checkPipe()
{
    if (gone_)
        return;
    if (inPipe_) {
        // FIONREAD misses bytes the tty layer has not yet moved to the slave's
        // read buffer (its kernel worker may run many milliseconds late under
        // load); poll() moves them first. Taking an unmoved report for a taken
        // one would put a second beside it, and a large read would get both.
        struct pollfd pty = {slave_, POLLIN, 0};
        if (::poll(&pty, 1, 0) == 0) {
            inPipe_ = false;
            checkDelay_ = kFirstCheck;
        } else {
            checkDelay_ = std::min(checkDelay_ * 2, kLastCheck);
        }
    }
    topUp();
}

void HidrawLink::armOutputTimer()
{
    if (outTimerArmed_)
        return;
    outTimerArmed_ = true;
    std::weak_ptr<HidrawLink> weak = weak_from_this();
    unit_->scheduler().postAt(nextOut_, [weak] {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->unit_->mutex());
            self->outTimerArmed_ = false;
            self->topUp();
        }
    });
}

// Whether a report the host writes now is taken at once; with pacing, one
// is taken a frame.
bool HidrawLink::takeNow()
{
    if (!pendingWrites_.empty())
        return false;
    if (!unit_->pacedLocked())
        return true;
    const Scheduler::Clock::time_point now = Scheduler::Clock::now();
    if (now < nextIn_)
        return false;
    nextIn_ = nextFrame(now);
    return true;
}

// The host's write returns when the report's turn comes.
void HidrawLink::takeLater(UMockdevIoctlClient* client, const Report& report, int count)
{
    g_object_ref(client);
    pendingWrites_.push_back(PendingWrite{client, report, count});
    armInputTimer();
}

void HidrawLink::armInputTimer()
{
    if (inTimerArmed_ || pendingWrites_.empty())
        return;
    inTimerArmed_ = true;
    std::weak_ptr<HidrawLink> weak = weak_from_this();
    unit_->scheduler().postAt(nextIn_, [weak] {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->unit_->mutex());
            self->inTimerArmed_ = false;
            self->takePending();
        }
    });
}

void HidrawLink::takePending()
{
    if (gone_ || pendingWrites_.empty())
        return;
    const Scheduler::Clock::time_point now = Scheduler::Clock::now();
    if (unit_->pacedLocked() && now < nextIn_) {
        armInputTimer();
        return;
    }
    PendingWrite w = pendingWrites_.front();
    pendingWrites_.pop_front();
    if (unit_->pacedLocked())
        nextIn_ = nextFrame(now);
    unit_->hostWrote(w.report);
    umockdev_ioctl_client_complete(w.client, w.count, 0);
    g_object_unref(w.client);
    armInputTimer();
}

void HidrawLink::pacingChanged()
{
    armInputTimer();
    topUp();
}

void HidrawLink::dropQueued()
{
    queued_.clear();
    inPipe_ = false;
    if (slave_ >= 0)
        ::tcflush(slave_, TCIFLUSH);
}

int HidrawLink::onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* link = static_cast<HidrawLink*>(self);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::unique_lock lock(link->unit_->mutex());
    if (link->gone_) {
        lock.unlock();
        umockdev_ioctl_client_complete(client, -1, EIO);
        return TRUE;
    }
    std::optional<Report> report = link->takeForHost();
    lock.unlock();
    if (!report)
        return FALSE; // the pty answers: blocks, or EAGAIN when non-blocking
    const std::size_t n = std::min(kReportSize, static_cast<std::size_t>(arg->data_len));
    std::memcpy(arg->data, report->bytes.data(), n);
    umockdev_ioctl_client_complete(client, static_cast<glong>(n), 0);
    return TRUE;
}

int HidrawLink::onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* link = static_cast<HidrawLink*>(self);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const int count = arg->data_len;
    std::unique_lock lock(link->unit_->mutex());
    if (link->gone_) {
        lock.unlock();
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    if (count < 2 || count > kMaxWrite) {
        lock.unlock();
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return TRUE;
    }
    // usbhid sends report ID 0 by leaving the byte out; any other first byte
    // goes over the wire as data.
    const uint8_t* body = arg->data;
    std::size_t len = static_cast<std::size_t>(count);
    if (body[0] == 0) {
        ++body;
        --len;
    }
    Report report;
    std::memcpy(report.bytes.data(), body, std::min(len, kReportSize));
    if (!link->takeNow()) {
        link->takeLater(client, report, count);
        return TRUE;
    }
    link->unit_->hostWrote(report);
    lock.unlock();
    umockdev_ioctl_client_complete(client, count, 0);
    return TRUE;
}

int HidrawLink::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* link = static_cast<HidrawLink*>(self);
    int error = 0;
    long result;
    {
        std::lock_guard lock(link->unit_->mutex());
        if (link->gone_) {
            result = -1;
            error = ENODEV;
        } else {
            result = link->answerIoctl(client, error);
        }
    }
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
}

long HidrawLink::answerIoctl(UMockdevIoctlClient* client, int& error)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const std::size_t size = _IOC_SIZE(request);
    if (_IOC_TYPE(request) != 'H') {
        error = ENOTTY;
        return -1;
    }
    auto copyOut = [&](const void* data, std::size_t len) -> bool {
        if (writeArg(client, size, data, len))
            return true;
        error = EFAULT;
        return false;
    };
    auto copyString = [&](const std::string& s) -> long {
        const std::size_t len = std::min(s.size() + 1, size);
        return copyOut(s.c_str(), len) ? static_cast<long>(len) : -1;
    };
    const std::vector<uint8_t>& rdesc = reportDescriptor();

    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE): {
        const int rsize = static_cast<int>(rdesc.size());
        return copyOut(&rsize, sizeof rsize) ? 0 : -1;
    }
    case _IOC_NR(HIDIOCGRDESC): {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        GError* gerr = nullptr;
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(struct hidraw_report_descriptor), &gerr);
        if (gerr)
            g_error_free(gerr);
        if (!d) {
            error = EFAULT;
            return -1;
        }
        auto* desc = reinterpret_cast<struct hidraw_report_descriptor*>(d->data);
        long result = 0;
        if (desc->size > HID_MAX_DESCRIPTOR_SIZE - 1) {
            error = EINVAL;
            result = -1;
        } else {
            std::memcpy(desc->value, rdesc.data(), std::min<std::size_t>(desc->size, rdesc.size()));
        }
        g_object_unref(d);
        return result;
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        struct hidraw_devinfo info { };
        info.bustype = 3; // BUS_USB
        info.vendor = static_cast<__s16>(identity_.vendorId);
        info.product = static_cast<__s16>(identity_.productId);
        return copyOut(&info, sizeof info) ? 0 : -1;
    }
    case _IOC_NR(HIDIOCGRAWNAME(0)):
        return copyString(identity_.name);
    case _IOC_NR(HIDIOCGRAWPHYS(0)):
        return copyString(identity_.phys);
    case 0x08: // HIDIOCGRAWUNIQ
        return copyString(identity_.uniq);
    case _IOC_NR(HIDIOCSFEATURE(0)):
    case _IOC_NR(HIDIOCGFEATURE(0)):
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C: // [SG]INPUT, [SG]OUTPUT
        // the unit has no such reports and stalls the control request
        error = EPIPE;
        return -1;
    default:
        error = ENOTTY;
        return -1;
    }
}

void HidrawLink::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    auto* link = static_cast<HidrawLink*>(self);
    g_signal_connect(client, "notify::connected", G_CALLBACK(onClientNotify), self);
    std::lock_guard lock(link->unit_->mutex());
    ++link->clients_;
    link->unit_->attachmentChanged();
}

void HidrawLink::onClientNotify(void* client, void*, void* self)
{
    auto* c = static_cast<UMockdevIoctlClient*>(client);
    if (umockdev_ioctl_client_get_connected(c) || g_object_get_data(G_OBJECT(c), "zq40emu-closed"))
        return;
    g_object_set_data(G_OBJECT(c), "zq40emu-closed", GINT_TO_POINTER(1));
    auto* link = static_cast<HidrawLink*>(self);
    std::lock_guard lock(link->unit_->mutex());
    // hidraw frees a reader's queue when it closes the node
    if (--link->clients_ == 0)
        link->dropQueued();
    link->unit_->attachmentChanged();
}

} // namespace zq40emu::detail
