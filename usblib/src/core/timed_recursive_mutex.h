// An owner-re-entrant lock with a time limit.
//
// std::recursive_timed_mutex would do, but libstdc++ builds its timed lock on
// pthread_mutex_clocklock, which ThreadSanitizer does not follow; this one is
// a plain mutex and condition variable, so every tool sees it.
#pragma once

#include <chrono>
#include <mutex>
#include <thread>

#include "../platform/sync.h"

namespace ousb {

class TimedRecursiveMutex {
public:
    bool try_lock_for(std::chrono::milliseconds timeout)
    {
        const auto self = std::this_thread::get_id();
        std::unique_lock lock(mutex_);
        if (depth_ > 0 && owner_ == self) {
            ++depth_;
            return true;
        }
        if (!freed_.wait_for(lock, timeout, [this] { return depth_ == 0; }))
            return false;
        owner_ = self;
        depth_ = 1;
        return true;
    }

    void lock()
    {
        const auto self = std::this_thread::get_id();
        std::unique_lock lock(mutex_);
        if (depth_ > 0 && owner_ == self) {
            ++depth_;
            return;
        }
        freed_.wait(lock, [this] { return depth_ == 0; });
        owner_ = self;
        depth_ = 1;
    }

    void unlock()
    {
        {
            std::lock_guard lock(mutex_);
            if (depth_ == 0 || owner_ != std::this_thread::get_id() || --depth_ > 0)
                return;
            owner_ = {};
        }
        freed_.notify_one();
    }

private:
    platform::Mutex mutex_;
    platform::ConditionVariable freed_;
    std::thread::id owner_{};
    unsigned depth_ = 0;
};

} // namespace ousb
