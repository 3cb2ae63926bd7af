#include "scheduler.h"

namespace zq40emu::detail {

Scheduler::Scheduler()
    : thread_([this] { run(); })
{
}

Scheduler::~Scheduler()
{
    stop();
}

void Scheduler::postAt(Clock::time_point when, Task task)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        tasks_.emplace(when, std::move(task));
    }
    wake_.notify_one();
}

void Scheduler::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_one();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void Scheduler::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto first = tasks_.begin();
        if (first->first > Clock::now()) {
            // A copy: the wait releases the lock, and stop() may clear the map.
            const Clock::time_point due = first->first;
            wake_.wait_until(lock, due);
            continue;
        }
        Task task = std::move(first->second);
        tasks_.erase(first);
        lock.unlock();
        task();
        task = nullptr; // captured state goes before we sleep again
        lock.lock();
    }
}

} // namespace zq40emu::detail
