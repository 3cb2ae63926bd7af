// An auto-reset event: set wakes one wait, which clears it.
#pragma once

#include <chrono>
#include <mutex>

#include "../platform/sync.h"

namespace ousb {

class AutoResetEvent {
public:
    void set()
    {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        cv_.notify_all();
    }

    void reset()
    {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }

    // Consumes the signal if it is set now.
    bool tryConsume()
    {
        std::lock_guard lock(mutex_);
        bool was = signalled_;
        signalled_ = false;
        return was;
    }

    // Waits until set (and consumes it) or `abandoned` becomes true or the
    // time runs out. True when the signal was consumed.
    template <class Abandoned>
    bool waitFor(std::chrono::milliseconds timeout, Abandoned abandoned)
    {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return signalled_ || abandoned(); }))
            return false;
        if (!signalled_)
            return false;
        signalled_ = false;
        return true;
    }

    bool waitFor(std::chrono::milliseconds timeout)
    {
        return waitFor(timeout, [] { return false; });
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
    platform::Mutex mutex_;
    platform::ConditionVariable cv_;
    bool signalled_ = false;
};

} // namespace ousb
