// The worker's event loop: eventfds for the enumerate, rescan and stop
// requests, the udev monitor, and a nested epoll set of open devices.
//
// Devices are armed one-shot: a readable device is one completed read, and the
// core re-arms it when it queues the next read. Keeping the devices in a set
// of their own lets the worker wait for reports alone (pumpReads) while the
// requests stay pending for the main loop.
#include "../platform.h"
#include "hidraw_file.h"
#include "udev_discovery.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace ousb::platform {

namespace {

enum Source : uint64_t { enumerateSource = 1, rescanSource, stopSource, monitorSource, devicesSource };

struct Loop {
    int enumerateFd = -1;
    int rescanFd = -1;
    int stopFd = -1;
    int mainEpoll = -1;
    int deviceEpoll = -1;
    int monitorFd = -1;
};

Loop loop;

void signal(int fd)
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(fd, &one, sizeof one);
}

bool consume(int fd)
{
    uint64_t value;
    return ::read(fd, &value, sizeof value) == sizeof value;
}

bool addToEpoll(int epoll, int fd, uint64_t key)
{
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = key;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &ev) == 0;
}

void startMonitorOnce()
{
    if (loop.monitorFd >= 0)
        return;
    loop.monitorFd = linux_udev::startMonitor();
    if (loop.monitorFd >= 0)
        addToEpoll(loop.mainEpoll, loop.monitorFd, monitorSource);
}

bool dispatchDevices(WorkerEvents& events, int timeoutMs)
{
    epoll_event ready[32];
    int n = ::epoll_wait(loop.deviceEpoll, ready, 32, timeoutMs);
    for (int i = 0; i < n; ++i)
        events.onReadable(ready[i].data.u64);
    return n > 0;
}

} // namespace

bool initEvents()
{
    loop.enumerateFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    loop.rescanFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    loop.stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    loop.mainEpoll = ::epoll_create1(EPOLL_CLOEXEC);
    loop.deviceEpoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (loop.enumerateFd < 0 || loop.rescanFd < 0 || loop.stopFd < 0 || loop.mainEpoll < 0 || loop.deviceEpoll < 0)
        return false;
    return addToEpoll(loop.mainEpoll, loop.enumerateFd, enumerateSource) &&
        addToEpoll(loop.mainEpoll, loop.rescanFd, rescanSource) &&
        addToEpoll(loop.mainEpoll, loop.stopFd, stopSource) &&
        addToEpoll(loop.mainEpoll, loop.deviceEpoll, devicesSource);
}

void closeEvents()
{
    linux_udev::stopMonitor();
    for (int* fd : {&loop.enumerateFd, &loop.rescanFd, &loop.stopFd, &loop.mainEpoll, &loop.deviceEpoll}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    loop.monitorFd = -1;
}

void requestEnumerate()
{
    signal(loop.enumerateFd);
}
void requestRescan()
{
    signal(loop.rescanFd);
}
void requestStop()
{
    signal(loop.stopFd);
}

void runWorker(WorkerEvents& events)
{
    for (;;) {
        epoll_event ready[8];
        int n = ::epoll_wait(loop.mainEpoll, ready, 8, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        bool stop = false, enumerate = false, rescan = false, devices = false;
        for (int i = 0; i < n; ++i) {
            switch (ready[i].data.u64) {
            case stopSource:
                stop = true;
                break;
            case enumerateSource:
                enumerate = consume(loop.enumerateFd);
                break;
            case rescanSource:
                rescan = consume(loop.rescanFd);
                break;
            case monitorSource:
                rescan = linux_udev::drainMonitor() || rescan;
                break;
            case devicesSource:
                devices = true;
                break;
            }
        }
        if (stop)
            return;
        // Reports first: a scan may delete the records they belong to.
        if (devices)
            dispatchDevices(events, 0);
        if (enumerate || rescan)
            startMonitorOnce();
        if (enumerate)
            events.onEnumerateRequest();
        if (rescan)
            events.onRescanRequest();
    }
}

bool armRead(HidFile& file, uint64_t key, int& error)
{
    auto& f = static_cast<HidrawFile&>(file);
    if (f.fd() < 0) {
        error = EBADF;
        return false;
    }
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLONESHOT;
    ev.data.u64 = key;
    int op = f.watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (::epoll_ctl(loop.deviceEpoll, op, f.fd(), &ev) != 0) {
        error = errno;
        return false;
    }
    f.watched = true;
    return true;
}

void unwatch(HidFile& file)
{
    auto& f = static_cast<HidrawFile&>(file);
    if (f.watched && f.fd() >= 0)
        ::epoll_ctl(loop.deviceEpoll, EPOLL_CTL_DEL, f.fd(), nullptr);
    f.watched = false;
}

bool pumpReads(WorkerEvents& events, int timeoutMs)
{
    return dispatchDevices(events, timeoutMs);
}

} // namespace ousb::platform
