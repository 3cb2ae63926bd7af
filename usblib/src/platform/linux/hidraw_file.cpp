// hidraw I/O: one write() per output report, one read() per input report.
//
// The node is opened non-blocking. A write that finds no room waits for
// POLLOUT within its time limit (a pty-backed node in a test bed is a byte
// stream and may take a report in pieces, so the rest is written on).
#include "hidraw_file.h"
#include "udev_discovery.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

namespace ousb::platform {

namespace {

bool isDisconnectError(int error)
{
    return error == ENODEV || error == EIO || error == EPIPE || error == ENXIO;
}

} // namespace

std::unique_ptr<HidFile> openHidFile(const HidInterface& iface, int& error)
{
    int fd = ::open(iface.devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    // Exclusive: a second opener, in this or another process, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    int cancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (cancelFd < 0) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    error = 0;
    return std::make_unique<HidrawFile>(fd, cancelFd, iface.path);
}

HidrawFile::~HidrawFile()
{
    close();
    ::close(cancelFd_);
}

bool HidrawFile::isOpen() const
{
    std::lock_guard lock(fdMutex_);
    return fd_ >= 0;
}

bool HidrawFile::productString(std::string& out)
{
    return linux_udev::productString(syspath_, out);
}

IoResult HidrawFile::write(const uint8_t* report65, int timeoutMs)
{
    if (closing_)
        return {IoStatus::failed, EBADF, 0};
    std::lock_guard lock(fdMutex_);
    if (fd_ < 0)
        return {IoStatus::failed, EBADF, 0};
    const size_t total = 65;
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (done < total) {
        ssize_t n = ::write(fd_, report65 + done, total - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            int error = errno;
            return {isDisconnectError(error) ? IoStatus::disconnected : IoStatus::failed, error, done};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return {IoStatus::timedOut, ETIMEDOUT, done};
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {cancelFd_, POLLIN, 0}};
        int r = ::poll(fds, 2, int(left.count()));
        if (r < 0 && errno != EINTR)
            return {IoStatus::failed, errno, done};
        if (fds[1].revents)
            return {IoStatus::failed, ECANCELED, done};
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return {IoStatus::disconnected, ENODEV, done};
    }
    return {IoStatus::ok, 0, done};
}

IoResult HidrawFile::read(uint8_t* report64)
{
    std::lock_guard lock(fdMutex_);
    if (fd_ < 0)
        return {IoStatus::failed, EBADF, 0};
    for (;;) {
        ssize_t n = ::read(fd_, report64, 64);
        if (n > 0)
            return {IoStatus::ok, 0, size_t(n)};
        if (n == 0)
            return {IoStatus::disconnected, 0, 0};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) {
            // Readable with nothing to read: a hang-up shows as POLLHUP.
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN))
                return {IoStatus::disconnected, ENODEV, 0};
            return {IoStatus::wouldBlock, EAGAIN, 0};
        }
        int error = errno;
        return {isDisconnectError(error) ? IoStatus::disconnected : IoStatus::failed, error, 0};
    }
}

void HidrawFile::close()
{
    closing_ = true;
    uint64_t one = 1;
    // Wake a writer that waits for room before taking the fd away from it.
    [[maybe_unused]] ssize_t ignored = ::write(cancelFd_, &one, sizeof one);
    std::lock_guard lock(fdMutex_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace ousb::platform
