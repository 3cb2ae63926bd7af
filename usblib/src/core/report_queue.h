// The complete reports of a device that no reader has taken yet, and the
// read event that tells a waiting ousb_ReadReport about them.
//
// A write starts a new generation and empties the queue. A report counts for
// the readers only if no write started after the worker read it: the worker
// hands a report over after its own handling (callbacks included), and a
// report that arrived before a client's request must not pass for its reply.
// Readers take reports in the order they came, so a query reads the first
// report after its request however late it wakes, and a reader that skips a
// report of another kind still finds the one behind it. A queue that no one
// reads keeps the newest reports.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "../platform/sync.h"

namespace ousb {

class ReportQueue {
public:
    using Report = std::array<uint8_t, 64>;
    static constexpr std::size_t kCapacity = 32;

    // A write is about to go out: what arrived so far is not its reply.
    void beginWrite()
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        count_ = 0;
    }

    uint64_t generation() const
    {
        std::lock_guard lock(mutex_);
        return generation_;
    }

    // Queues a report read during `generation`, unless a write has started
    // since; a full queue gives up its oldest report.
    void deliver(const uint8_t* report, uint64_t generation)
    {
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_)
                return;
            if (count_ == kCapacity) {
                first_ = (first_ + 1) % kCapacity;
                --count_;
            }
            std::memcpy(reports_[(first_ + count_) % kCapacity].data(), report, sizeof(Report));
            ++count_;
        }
        cv_.notify_all();
    }

    // Takes the oldest report if there is one now.
    bool tryTake(uint8_t* out)
    {
        std::lock_guard lock(mutex_);
        return takeLocked(out);
    }

    // Waits for a report, at most `timeout`, or until `abandoned()` holds.
    template <class Abandoned>
    bool waitAndTake(uint8_t* out, std::chrono::milliseconds timeout, Abandoned abandoned)
    {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, timeout, [&] { return count_ != 0 || abandoned(); });
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
        if (count_ == 0)
            return false;
        std::memcpy(out, reports_[first_].data(), sizeof(Report));
        first_ = (first_ + 1) % kCapacity;
        --count_;
        return true;
    }

    mutable platform::Mutex mutex_;
    platform::ConditionVariable cv_;
    uint64_t generation_ = 0;
    std::array<Report, kCapacity> reports_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

} // namespace ousb
