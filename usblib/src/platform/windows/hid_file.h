// An open HID interface: overlapped reads with a completion routine on the
// worker, overlapped writes with a time limit from any thread.
#pragma once

#include "../platform.h"
#include "windows_system.h"

#include <array>
#include <atomic>
#include <mutex>

namespace ousb::platform::windows {

// The one read in flight. It outlives a file closed while the read is
// pending: the cancelled read's completion routine still runs and frees it.
struct PendingRead {
    OVERLAPPED overlapped{}; // first: the completion routine finds the read by its address
    bool orphaned = false;   // its file is closed: the completion routine frees it
    uint64_t key = 0;
    bool inFlight = false;
    bool completed = false; // a result is waiting for read()
    DWORD error = 0;
    DWORD bytes = 0;
    std::array<uint8_t, 65> buffer{}; // report ID, then the report
};

// ReadFileEx's completion routine (event_loop.cpp): runs on the worker,
// which started every read, while it waits alertably.
void CALLBACK onReadCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped);

class WinHidFile final : public HidFile {
public:
    WinHidFile(HANDLE handle, std::string path, uint32_t appearance);
    ~WinHidFile() override;

    IoResult write(const uint8_t* report65, int timeoutMs) override;
    IoResult read(uint8_t* report64) override;
    void close() override;
    bool isOpen() const override;
    bool productString(std::string& out) override;

    // Worker only: starts the next read (ReadFileEx).
    bool startRead(uint64_t key, int& error);
    // Worker only: forgets a completed read that was not collected.
    void dropCompleted();
    // The key of the latest read started.
    uint64_t key() const { return key_; }

private:
    void noteGone();

    HANDLE handle_;
    const std::string path_;
    const uint32_t appearance_;
    PendingRead* read_; // worker only; null once handed to a cancelled read
    uint64_t key_ = 0;
    // Writers come from client threads (serialised per device by its write
    // lock), close from the worker. `closing_` turns new writers away and
    // close() cancels a write in flight, so it never waits 4 s behind one.
    mutable std::mutex mutex_;
    std::atomic<bool> closing_{false};
    OVERLAPPED writeOverlapped_{};
    HANDLE writeEvent_;
};

} // namespace ousb::platform::windows
