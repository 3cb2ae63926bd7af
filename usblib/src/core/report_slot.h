// The last complete report of a device and the read event that tells a
// waiting ousb_ReadReport about it.
//
// A write starts a new generation and clears the event. A report counts for
// the readers only if no write started after the worker read it: the worker
// hands a report over after its own handling (callbacks included), and a
// report that arrived before a client's request must not pass for its reply.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "../platform/sync.h"

namespace ousb {

class ReportSlot {
public:
    using Report = std::array<uint8_t, 64>;

    // A write is about to go out: what arrived so far is not its reply.
    void beginWrite()
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        signalled_ = false;
    }

    uint64_t generation() const
    {
        std::lock_guard lock(mutex_);
        return generation_;
    }

    // Stores a report read during `generation` and sets the event, unless a
    // write has started since.
    void deliver(const uint8_t* report, uint64_t generation)
    {
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_)
                return;
            std::memcpy(report_.data(), report, report_.size());
            signalled_ = true;
        }
        cv_.notify_all();
    }

    // Takes the report if the event is set now.
    bool tryTake(uint8_t* out)
    {
        std::lock_guard lock(mutex_);
        return takeLocked(out);
    }

    // Waits for the event, at most `timeout`, or until `abandoned()` holds.
    template <class Abandoned>
    bool waitAndTake(uint8_t* out, std::chrono::milliseconds timeout, Abandoned abandoned)
    {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, timeout, [&] { return signalled_ || abandoned(); });
        return takeLocked(out);
    }

    // Wakes waiters so that they look at their abandon condition again.
    void wakeAll()
    {
        {
            std::lock_guard lock(mutex_);
        }
        cv_.notify_all();
    }

private:
    bool takeLocked(uint8_t* out)
    {
        if (!signalled_)
            return false;
        signalled_ = false;
        std::memcpy(out, report_.data(), report_.size());
        return true;
    }

    mutable platform::Mutex mutex_;
    platform::ConditionVariable cv_;
    uint64_t generation_ = 0;
    bool signalled_ = false;
    Report report_{};
};

} // namespace ousb
