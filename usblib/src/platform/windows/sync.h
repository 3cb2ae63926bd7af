// A lock and a condition variable on SRWLOCK and CONDITION_VARIABLE, with
// the part of std::mutex and std::condition_variable the core uses.
#pragma once

#include "windows_system.h"

#include <chrono>
#include <mutex>

namespace ousb::platform {

class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != 0; }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native() { return &lock_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class ConditionVariable {
public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    void notify_one() { WakeConditionVariable(&cv_); }
    void notify_all() { WakeAllConditionVariable(&cv_); }

    template <class Predicate>
    void wait(std::unique_lock<Mutex>& lock, Predicate done)
    {
        while (!done())
            SleepConditionVariableSRW(&cv_, lock.mutex()->native(), INFINITE, 0);
    }

    // False when the time ran out with `done` still false.
    template <class Rep, class Period, class Predicate>
    bool wait_for(std::unique_lock<Mutex>& lock, std::chrono::duration<Rep, Period> timeout, Predicate done)
    {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + timeout;
        while (!done()) {
            const auto left = ceil<milliseconds>(deadline - steady_clock::now());
            if (left.count() <= 0)
                return false;
            SleepConditionVariableSRW(&cv_, lock.mutex()->native(), DWORD(left.count()), 0);
        }
        return true;
    }

private:
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

} // namespace ousb::platform
