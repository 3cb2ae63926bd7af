// An open /dev/hidrawN.
#pragma once

#include "../platform.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>

namespace ousb::platform {

class HidrawFile final : public HidFile {
public:
    HidrawFile(int fd, int cancelFd, std::string syspath)
        : fd_(fd)
        , cancelFd_(cancelFd)
        , syspath_(std::move(syspath))
    {
    }
    ~HidrawFile() override;

    IoResult write(const uint8_t* report65, int timeoutMs) override;
    IoResult read(uint8_t* report64) override;
    void close() override;
    bool isOpen() const override;
    bool productString(std::string& out) override;

    // The event loop's bookkeeping, worker thread only.
    int fd() const { return fd_; }
    bool watched = false;

private:
    int fd_;
    int cancelFd_; // wakes a writer waiting for room when the file is closed
    std::string syspath_;
    // Writers come from client threads, reads and close from the worker.
    // Writers are already serialised per device, so a plain mutex suffices;
    // `closing` turns new writers away so close() never waits behind a queue.
    mutable std::mutex fdMutex_;
    std::atomic<bool> closing_{false};
};

} // namespace ousb::platform
