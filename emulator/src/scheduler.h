// The emulator's serving thread: runs posted tasks, some of them later.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace zq40emu::detail {

class Scheduler {
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<void()>;

    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Tasks due at the same time run in posting order. Posting after stop() is a no-op.
    void post(Task task) { postAt(Clock::now(), std::move(task)); }
    void postAfter(std::chrono::milliseconds delay, Task task) { postAt(Clock::now() + delay, std::move(task)); }
    void postAt(Clock::time_point when, Task task);

    // Drops what is still pending and joins the thread; idempotent.
    void stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, Task> tasks_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace zq40emu::detail
