// An open /dev/hidrawN.
#pragma once

#include "../platform.h"

#include <mutex>
#include <shared_mutex>

namespace ousb::platform {

class HidrawFile final : public HidFile {
public:
    HidrawFile(int fd, int cancelFd) : fd_(fd), cancelFd_(cancelFd) {}
    ~HidrawFile() override;

    IoResult write(const uint8_t* report65, int timeoutMs) override;
    IoResult read(uint8_t* report64) override;
    void close() override;
    bool isOpen() const override;

    // The event loop's bookkeeping, worker thread only.
    int fd() const { return fd_; }
    bool watched = false;

private:
    int fd_;
    int cancelFd_; // wakes a writer waiting for room when the file is closed
    mutable std::shared_mutex fdMutex_;
};

} // namespace ousb::platform
